#include "cli/CommissionCommands.h"

#include <unistd.h>

#include <iostream>
#include <optional>
#include <stdexcept>

#include "cli/ExitCodes.h"
#include "cli/PortSession.h"
#include "commission/Commands.h"
#include "commission/Outcome.h"
#include "commission/Profile.h"
#include "commission/Verify.h"

namespace cli {

namespace {

using commission::Sequence;

}  // namespace

Arguments ParseArguments(const std::vector<std::string>& args, bool wantsOutput) {
    Arguments a;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw EUsageError(arg + " needs a value");
            return args[++i];
        };
        if (arg == "--port") {
            a.line.port = value();
        } else if (arg == "--baud") {
            a.line.baud = NumberOption(arg, value(), 1, 4000000);
        } else if (arg == "--parity") {
            a.line.parity = ParityOption(value());
        } else if (arg == "--stop") {
            a.line.stopBits = StopBitsOption(value());
        } else if (arg == "--timeout") {
            a.line.timeout = std::chrono::milliseconds(NumberOption(arg, value(), 1, 600000));
        } else if (arg == "-o" && wantsOutput) {
            a.output = value();
        } else if (!arg.empty() && arg[0] == '-') {
            throw EUsageError("unknown option " + arg);
        } else if (!wantsOutput && a.file.empty()) {
            a.file = arg;
        } else {
            throw EUsageError("unexpected argument \"" + arg + "\"");
        }
    }
    if (a.line.port.empty()) throw EUsageError("--port PATH is required");
    if (wantsOutput && a.output.empty()) throw EUsageError("-o FILE is required");
    if (!wantsOutput && a.file.empty()) throw EUsageError("the profile FILE is required");
    return a;
}

namespace {

std::ostream* ProgressStream(std::ostream& err) { return &err == &std::cerr && ::isatty(2) ? &err : nullptr; }

// Runs a sequence on the port and judges it; throws std::runtime_error with
// the account unless it earned success (or, verifying, found differences).
commission::Outcome RunJudged(PortSession& port, Sequence& sequence, commission::Purpose purpose, std::ostream& err,
                              const commission::Configuration& expected = {}) {
    port.Run(sequence, ProgressStream(err));
    auto outcome = commission::Judge(purpose, sequence, port.Link(), expected, "profile");
    if (outcome.verdict == commission::Outcome::Verdict::Failed) throw std::runtime_error(outcome.text);
    return outcome;
}

// Frames with a wrong CRC are written and compared as they are; the error
// stream says so, one line each.
void PrintWarnings(const std::vector<std::string>& warnings, std::ostream& err) {
    for (const auto& warning : warnings) err << "warning: " << warning << "\n";
}

// The common frame of the three: usage errors and failures become exit code 2.
template <class Body>
int Guarded(const char* name, std::ostream& err, Body body) {
    try {
        return body();
    } catch (const EUsageError& e) {
        err << "tq410k-cli " << name << ": " << e.what() << "\n(see tq410k-cli --help)\n";
    } catch (const std::exception& e) {
        err << "tq410k-cli " << name << ": " << e.what() << "\n";
    }
    return Failure;
}

}  // namespace

int ReadCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return Guarded("read", err, [&] {
        const Arguments a = ParseArguments(args, true);
        PortSession port(a.line);
        // The converter does not report its serial number and inspector: the
        // profile keeps their factory values.
        commission::Configuration record = commission::DefaultConfiguration();
        Sequence sequence("Reading", commission::ReadAllSteps(), a.line.timeout);
        RunJudged(port, sequence, commission::Purpose::Read, err);
        for (const auto& [control, value] : sequence.Answers().values) record.values[control] = value;
        commission::SaveProfile(a.output, record);
        out << "Read " << sequence.StepCount() << " answers into " << a.output << "\n";
        return Success;
    });
}

int WriteCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return Guarded("write", err, [&] {
        const Arguments a = ParseArguments(args, false);
        const auto profile = commission::LoadProfile(a.file);
        const auto plan = commission::WriteAllSteps(profile);
        if (!plan.failures.empty()) throw std::runtime_error(a.file + ": " + commission::DescribeFailures(plan.failures));
        PrintWarnings(commission::FrameWarnings(profile), err);
        PortSession port(a.line);
        Sequence sequence("Writing", plan.steps, a.line.timeout);
        out << RunJudged(port, sequence, commission::Purpose::Write, err).text << "\n";
        return Success;
    });
}

int VerifyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return Guarded("verify", err, [&] {
        const Arguments a = ParseArguments(args, false);
        const auto expected = commission::LoadProfile(a.file);
        PortSession port(a.line);
        Sequence sequence("Verifying", commission::ReadAllSteps(), a.line.timeout);
        const auto outcome = RunJudged(port, sequence, commission::Purpose::Verify, err, expected);
        out << outcome.text << "\n";
        PrintWarnings(commission::FrameWarnings(expected), err);
        return outcome.verdict == commission::Outcome::Verdict::Success ? Success : Differs;
    });
}

}  // namespace cli
