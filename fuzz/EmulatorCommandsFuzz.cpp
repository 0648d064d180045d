// The emulator's command reader on arbitrary bytes, fed whole to one
// converter and in pieces to another: both must answer the same replies and
// end in the same state. The first byte picks the size of the pieces.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "emulator/Converter.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 4000) return 0;  // longer runs may drop a command that never ends
    const std::size_t piece = 1 + data[0] % 16;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    static const emulator::Converter factory;  // copied: cheaper than building the defaults
    emulator::Converter whole = factory, pieces = factory;
    const auto expected = whole.Feed(bytes);
    std::vector<std::string> got;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        for (auto& reply : pieces.Feed(bytes.substr(at, piece))) got.push_back(std::move(reply));
    FUZZ_CHECK(got == expected);
    FUZZ_CHECK(whole.State() == pieces.State());
    return 0;
}
