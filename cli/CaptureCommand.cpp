#include "cli/CaptureCommand.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>

#include "cli/CommissionCommands.h"
#include "cli/ExitCodes.h"
#include "cli/PortSession.h"
#include "commission/AtomicFile.h"
#include "commission/Capture.h"
#include "commission/Commands.h"
#include "commission/Outcome.h"
#include "commission/UnitRecord.h"

namespace cli {

namespace {

using commission::Sequence;
using commission::StepResult;

// Keeps the commands and blocks of one sequence as a capture's exchanges.
class Recorder : public PortObserver {
public:
    explicit Recorder(const Sequence& sequence)
        : sequence_(sequence), sentAt_(sequence.StepCount()), exchanges_(sequence.StepCount()) {}

    void Sent(std::size_t step, commission::TimePoint at) override { sentAt_.at(step) = at; }

    void Received(std::size_t step, std::string_view block, commission::TimePoint lastByte) override {
        auto& e = exchanges_.at(step);
        if (!sentAt_[step] || e.cut) return;
        std::size_t kept = 0;
        for (const auto& p : e.pieces) kept += p.bytes.size();
        const std::size_t room = commission::MaxCaptureAnswer - kept;
        if (e.pieces.size() >= commission::MaxCapturePieces || room == 0) {
            e.cut = true;
            return;
        }
        if (block.size() > room) e.cut = true;
        // The time is the port's, to the millisecond; never earlier than the
        // command, nor than the piece before.
        long long afterMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(lastByte - *sentAt_[step]).count();
        afterMs = std::clamp(afterMs, e.pieces.empty() ? 0LL : e.pieces.back().afterMs, commission::MaxCaptureAfterMs);
        e.pieces.push_back({.afterMs = afterMs, .bytes = std::string(block.substr(0, room))});
    }

    // Every step with what came for it and the sequence's verdict; call once it ended.
    std::vector<commission::CaptureExchange> Exchanges() const {
        std::vector<commission::CaptureExchange> all = exchanges_;
        for (std::size_t i = 0; i < all.size(); ++i) {
            const auto& step = sequence_.Steps()[i];
            all[i].label = step.label;
            all[i].command = step.command;
            all[i].result = !sentAt_[i] ? "not sent" : Word(sequence_.Result(i));
        }
        return all;
    }

private:
    static const char* Word(StepResult result) {
        switch (result) {
            case StepResult::Answered: return "answered";
            case StepResult::Unanswered: return "no answer";
            case StepResult::Unreadable: return "unreadable";
            case StepResult::Refused: return "refused";
            case StepResult::NotReached: break;
        }
        return "port lost";  // sent, and the sequence ended while it waited
    }

    const Sequence& sequence_;
    std::vector<std::optional<commission::TimePoint>> sentAt_;
    std::vector<commission::CaptureExchange> exchanges_;
};

std::ostream* ProgressStream(std::ostream& err) { return &err == &std::cerr && ::isatty(2) ? &err : nullptr; }

// Runs a sequence on the port, adding its exchanges to the capture.
void Record(PortSession& port, Sequence& sequence, commission::Capture& capture, std::ostream& err) {
    Recorder recorder(sequence);
    port.Run(sequence, ProgressStream(err), &recorder);
    for (auto& e : recorder.Exchanges()) capture.exchanges.push_back(std::move(e));
}

std::string Answered(const commission::Capture& capture, std::size_t from, std::size_t to) {
    const auto n = std::count_if(capture.exchanges.begin() + static_cast<std::ptrdiff_t>(from),
                                 capture.exchanges.begin() + static_cast<std::ptrdiff_t>(to),
                                 [](const auto& e) { return e.result == "answered"; });
    return std::to_string(n) + " of " + std::to_string(to - from);
}

const char* ParityWord(serial::TParity parity) {
    switch (parity) {
        case serial::TParity::Odd: return "odd";
        case serial::TParity::Even: return "even";
        default: return "none";
    }
}

}  // namespace

int CaptureCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        std::vector<std::string> rest;
        bool withSets = false;
        for (const auto& arg : args) {
            if (arg == "--with-sets") withSets = true;
            else rest.push_back(arg);
        }
        const Arguments a = ParseArguments(rest, true);
        // A capture that could not be kept is not worth the converter's time.
        const auto folder = std::filesystem::path(a.output).parent_path();
        commission::CheckFolderWritable(folder.empty() ? std::filesystem::path(".") : folder);
        PortSession port(a.line);
        commission::Capture capture{
            .when = commission::UtcNow(),
            .line = {.port = a.line.port,
                     .baud = a.line.baud,
                     .parity = ParityWord(a.line.parity),
                     .stopBits = a.line.stopBits == serial::TStopBits::_2 ? 2 : 1,
                     .timeoutMs = a.line.timeout.count()},
            .exchanges = {}};

        // Queries only: nothing that changes the converter.
        Sequence queries("Capturing", commission::ReadAllSteps(), a.line.timeout);
        Record(port, queries, capture, err);
        const auto read = commission::Judge(commission::Purpose::Read, queries, port.Link());
        bool whole = read.verdict == commission::Outcome::Verdict::Success;
        std::vector<std::string> account;
        if (!whole) account.push_back(read.text);

        std::string sets;
        if (withSets && !whole) {
            account.push_back("The set commands were not sent: only a whole read can be written back.");
        } else if (withSets) {
            // What was read, written back as it is: the converter ends as it
            // began. The serial number and inspector cannot be read, so their
            // command is left out.
            commission::Configuration record = commission::DefaultConfiguration();
            for (const auto& [control, value] : queries.Answers().values) record.values[control] = value;
            auto plan = commission::WriteAllSteps(record);
            std::erase_if(plan.steps, [](const commission::Step& s) { return s.label == "PCBSN"; });
            if (!plan.failures.empty()) {
                whole = false;
                account.push_back("The set commands were not sent: what was read cannot be written back. " +
                                  commission::DescribeFailures(plan.failures));
            } else {
                const std::size_t first = capture.exchanges.size();
                Sequence writeBack("Writing back", std::move(plan.steps), a.line.timeout);
                Record(port, writeBack, capture, err);
                const auto written = commission::Judge(commission::Purpose::Write, writeBack, port.Link());
                if (written.verdict != commission::Outcome::Verdict::Success) {
                    whole = false;
                    account.push_back(written.text);
                }
                sets = " and " + Answered(capture, first, capture.exchanges.size()) +
                       " set commands (serial number and inspector not sent: they cannot be read)";
            }
        }
        commission::SaveCapture(a.output, capture);

        const std::string captured = "Captured " + Answered(capture, 0, queries.StepCount()) + " queries" + sets;
        for (const auto& e : capture.exchanges)
            if (e.cut)
                account.push_back(e.label + ": more came than a capture keeps (" +
                                  std::to_string(commission::MaxCaptureAnswer) + " bytes or " +
                                  std::to_string(commission::MaxCapturePieces) + " blocks); the rest is left out.");
        if (whole && account.empty()) {
            out << captured << " into " << a.output << "\n";
            return Success;
        }
        err << "tq410k-cli capture: ";
        for (const auto& text : account) err << text << "\n";
        err << captured << " into " << a.output << ": the file holds what came, and no pieces for what did not.\n";
        return Failure;
    } catch (const EUsageError& e) {
        err << "tq410k-cli capture: " << e.what() << "\n(see tq410k-cli capture --help)\n";
    } catch (const std::exception& e) {
        err << "tq410k-cli capture: " << e.what() << "\n";
    }
    return Failure;
}

}  // namespace cli
