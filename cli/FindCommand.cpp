#include "cli/FindCommand.h"

#include <unistd.h>

#include <iostream>
#include <stdexcept>

#include "cli/CommissionCommands.h"
#include "cli/ExitCodes.h"
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
            const std::string& v = value();
            if (v == "none") a.scan.parity = serial::TParity::None;
            else if (v == "odd") a.scan.parity = serial::TParity::Odd;
            else if (v == "even") a.scan.parity = serial::TParity::Even;
            else throw EUsageError("--parity is none, odd or even, not \"" + v + "\"");
        } else if (arg == "--stop") {
            const std::string& v = value();
            if (v == "1") a.scan.stopBits = serial::TStopBits::_1;
            else if (v == "2") a.scan.stopBits = serial::TStopBits::_2;
            else throw EUsageError("--stop is 1 or 2, not \"" + v + "\"");
        } else if (arg == "--all") {
            a.scan.all = true;
        } else if (arg == "--timeout") {
            const std::string& v = value();
            std::size_t end = 0;
            long ms = 0;
            try {
                ms = std::stol(v, &end);
            } catch (const std::exception&) {
                end = 0;
            }
            if (v.empty() || end != v.size() || v[0] == '+' || ms < 1 || ms > 60000)
                throw EUsageError("--timeout takes a number from 1 to 60000, not \"" + v + "\"");
            a.scan.tryTimeout = std::chrono::milliseconds(ms);
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
