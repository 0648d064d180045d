#include "cli/PortSession.h"

#include <algorithm>
#include <ostream>
#include <stdexcept>
#include <utility>

#include "protocol/ReplyCodes.h"
#include "serial/EventFd.h"

namespace cli {

namespace {

using Kind = commission::Sequence::Action::Kind;

}  // namespace

PortSession::PortSession(const LineOptions& line) {
    // A sequence reads every block since its command, as a converter
    // answering in pieces sent it.
    replies_.CollectAnswers(true);
    using namespace serial;
    comm_.SetCommName(line.port);
    comm_.SetBaudRate(line.baud);
    comm_.SetParity(line.parity);
    comm_.SetStopBits(line.stopBits);
    comm_.SetByteSize(TByteSize::_8);
    comm_.SetOutx_XonXoffFlow(false);
    comm_.SetInx_XonXoffFlow(false);
    comm_.SetDtrControl(TDtrControl::DtrEnable);
    comm_.SetRtsControl(TRtsControl::RtsEnable);
    comm_.SetReadIntervalTimeout(100);
    comm_.OnReceiveData = [this](TComm&, const std::uint8_t* buffer, std::uint16_t length) {
        blocks_.emplace_back(reinterpret_cast<const char*>(buffer), length);
    };
    comm_.OnRequestHangup = [this](TComm& sender) {
        if (!sender.IsOpen() || sender.NotificationOpenSerial() != sender.OpenSerial()) return;
        lost_ = true;
        sender.ClosePort();
    };
    try {
        comm_.OpenPort();
    } catch (const ECommsError& e) {
        throw std::runtime_error("cannot open " + line.port + ": " + e.what() +
                                 (e.Reason().empty() ? "" : " (" + e.Reason() + ")"));
    }
}

void PortSession::Run(commission::Sequence& sequence, commission::Configuration* record, std::ostream* progress) {
    Do(sequence, sequence.Start(), progress);
    while (sequence.Running()) {
        auto wake = Clock::time_point::max();
        if (stepDeadline_) wake = std::min(wake, *stepDeadline_);
        if (const auto parseAt = replies_.ParseAt()) wake = std::min(wake, *parseAt);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(wake - Clock::now()).count();
        const int wait = wake == Clock::time_point::max() ? -1 : static_cast<int>(std::max<long long>(0, left + 1));
        if (serial::WaitReadable(comm_.NotifyFd(), wait)) comm_.ProcessNotifications();
        for (auto& block : std::exchange(blocks_, {})) TakeBlock(sequence, std::move(block), progress);
        if (lost_) {
            Do(sequence, sequence.PortLost(), progress);
            break;
        }
        if (replies_.ParseDue()) Parse(sequence, record, progress);
        if (stepDeadline_ && Clock::now() >= *stepDeadline_) Do(sequence, sequence.TimeOut(), progress);
    }
    if (progress) *progress << "\r\033[K" << std::flush;
}

void PortSession::TakeBlock(commission::Sequence& sequence, const std::string& block, std::ostream* progress) {
    // Nothing waits here: the parse falls due after the window's wait and its Timer2.
    replies_.BlockReceived(block, false);
    Do(sequence, sequence.BlockReceived(), progress);
}

void PortSession::Parse(commission::Sequence& sequence, commission::Configuration* record,
                        std::ostream* progress) {
    const auto parsed = replies_.Parse();
    if (!parsed) return;
    const std::string label = sequence.CurrentStep().label;
    const auto next = sequence.ReplyParsed(parsed->text);
    if (next.kind != Kind::Nothing && record) {
        if (auto failed = commission::Apply(*record, parsed->result))
            faults_.push_back(label + ": the answer holds '" + *failed + "', not a valid integer value");
    }
    Do(sequence, next, progress);
}

void PortSession::Do(commission::Sequence& sequence, commission::Sequence::Action action, std::ostream* progress) {
    switch (action.kind) {
        case Kind::Nothing: return;
        case Kind::Finish: stepDeadline_.reset(); return;
        case Kind::Send: {
            const auto& step = sequence.CurrentStep();
            if (progress) *progress << "\r\033[K" << sequence.Progress() << std::flush;
            // A parse still pending must not run under the new code.
            replies_.Sending(step.code);
            const bool sent = comm_.SendData(step.command.data(), step.command.size());
            stepDeadline_ = Clock::now() + sequence.Timeout();
            Do(sequence, sequence.Sent(sent), progress);
            return;
        }
    }
}

}  // namespace cli
