// The command line of tq410k-cli: words separated by NUL bytes, read by the
// argument reader of read, write and verify and by the frame subcommand.
// A reader either refuses with its usage error or answers; frame always
// answers with an exit code of 0, 1 or 2 and opens nothing.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CommissionCommands.h"
#include "cli/FrameCommand.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    std::vector<std::string> args(1);
    for (std::size_t i = 1; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    try {
        const auto a = cli::ParseArguments(args, data[0] & 1);
        FUZZ_CHECK(!a.line.port.empty());
        FUZZ_CHECK((data[0] & 1) ? !a.output.empty() : !a.file.empty());
    } catch (const cli::EUsageError&) {
    }
    std::ostringstream out, err;
    const int status = cli::RunFrameCommand(args, out, err);
    FUZZ_CHECK(status >= 0 && status <= 2);
    FUZZ_CHECK(status == 2 || !out.str().empty());
    return 0;
}
