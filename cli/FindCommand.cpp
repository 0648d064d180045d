#include "cli/FindCommand.h"

#include <unistd.h>

#include <iostream>
#include <stdexcept>

#include "cli/CommissionCommands.h"
#include "cli/ExitCodes.h"
#include "cli/Options.h"
#include "cli/PortSession.h"
#include "commission/LineScan.h"

namespace cli {

namespace {

struct FindArguments {
    std::string port;
    commission::ScanOptions scan;
};

FindArguments ParseFindArguments(const std::vector<std::string>& args) {
    FindArguments a;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw EUsageError(arg + " needs a value");
            return args[++i];
        };
        if (arg == "--port") {
            a.port = value();
        } else if (arg == "--baud") {
            const std::string& v = value();
            std::uint32_t baud = 0;
            for (std::uint32_t b : {1200u, 2400u, 4800u, 9600u, 19200u})
                if (v == std::to_string(b)) baud = b;
            if (!baud) throw EUsageError("--baud is 1200, 2400, 4800, 9600 or 19200, not \"" + v + "\"");
            a.scan.baud = baud;
        } else if (arg == "--parity") {
            a.scan.parity = ParityOption(value());
        } else if (arg == "--stop") {
            a.scan.stopBits = StopBitsOption(value());
        } else if (arg == "--all") {
            a.scan.all = true;
        } else if (arg == "--timeout") {
            a.scan.tryTimeout = std::chrono::milliseconds(NumberOption(arg, value(), 1, 60000));
        } else if (!arg.empty() && arg[0] == '-') {
            throw EUsageError("unknown option " + arg);
        } else {
            throw EUsageError("unexpected argument \"" + arg + "\"");
        }
    }
    if (a.port.empty()) throw EUsageError("--port PATH is required");
    return a;
}

}  // namespace

int FindCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        const FindArguments a = ParseFindArguments(args);
        commission::LineScan scan(a.scan);
        const auto& first = scan.Settings().front();
        PortSession port(
            {.port = a.port, .baud = first.baud, .parity = first.parity, .stopBits = first.stopBits, .timeout = {}});
        port.Run(scan, &err == &std::cerr && ::isatty(2) ? &err : nullptr);
        const bool found = scan.state() == commission::LineScan::State::Finished && !scan.Found().empty();
        (found ? out : err) << scan.Report(a.port);
        return found ? Success : Failure;
    } catch (const EUsageError& e) {
        err << "tq410k-cli find: " << e.what() << "\n(see tq410k-cli --help)\n";
    } catch (const std::exception& e) {
        err << "tq410k-cli find: " << e.what() << "\n";
    }
    return Failure;
}

}  // namespace cli
