#include "cli/PortSession.h"

#include <algorithm>
#include <ostream>
#include <stdexcept>
#include <utility>

#include "commission/Outcome.h"
#include "commission/PortDescription.h"
#include "serial/EventFd.h"

namespace cli {

namespace {

using Kind = commission::Sequence::Action::Kind;
using Clock = commission::SequenceClock;

}  // namespace

PortSession::PortSession(const LineOptions& line) {
    comm_.OnReceiveData = [this](serial::TComm&, const std::uint8_t* buffer, std::uint16_t length) {
        blocks_.emplace_back(reinterpret_cast<const char*>(buffer), length);
    };
    comm_.OnRequestHangup = [this](serial::TComm& sender) {
        if (!sender.IsOpen() || sender.NotificationOpenSerial() != sender.OpenSerial()) return;
        lost_ = true;
        sender.ClosePort();
    };
    std::string why;
    if (!Open(line, why)) throw std::runtime_error("cannot open " + line.port + ": " + why);
}

bool PortSession::Open(const LineOptions& line, std::string& why) {
    using namespace serial;
    comm_.ClosePort();
    blocks_.clear();
    lost_ = false;
    line_ = line;
    link_ = commission::DescribeLink(
        {.port = line.port, .baud = line.baud, .parity = line.parity, .stopBits = line.stopBits});
    comm_.SetCommName(line.port);
    comm_.SetBaudRate(line.baud);
    comm_.SetParity(line.parity);
    comm_.SetStopBits(line.stopBits);
    comm_.SetByteSize(TByteSize::_8);
    comm_.SetOutx_XonXoffFlow(false);
    comm_.SetInx_XonXoffFlow(false);
    comm_.SetDtrControl(TDtrControl::DtrEnable);
    comm_.SetRtsControl(TRtsControl::RtsEnable);
    comm_.SetReadIntervalTimeout(static_cast<std::uint32_t>(commission::QuietInterval.count()));
    try {
        comm_.OpenPort();
        return true;
    } catch (const ECommsError& e) {
        why = std::string(e.what()) + (e.Reason().empty() ? "" : " (" + e.Reason() + ")");
        return false;
    }
}

void PortSession::Run(commission::Sequence& sequence, std::ostream* progress, PortObserver* observer) {
    observer_ = observer;
    Do(sequence, sequence.Start(), progress);
    while (sequence.Running()) {
        const auto wake = sequence.WakeAt();
        const auto left = wake ? std::chrono::duration_cast<std::chrono::milliseconds>(*wake - Clock::now()).count() : -1;
        const int wait = wake ? static_cast<int>(std::max<long long>(0, left + 1)) : -1;
        if (serial::WaitReadable(comm_.NotifyFd(), wait)) comm_.ProcessNotifications();
        for (auto& block : std::exchange(blocks_, {})) {
            const auto lastByte = Clock::now() - commission::QuietInterval;
            if (observer_) observer_->Received(sequence.CurrentIndex(), block, lastByte);
            Do(sequence, sequence.BlockReceived(block, lastByte), progress);
        }
        if (lost_) {
            Do(sequence, sequence.PortLost(), progress);
            break;
        }
        Do(sequence, sequence.Tick(Clock::now()), progress);
    }
    if (progress) *progress << "\r\033[K" << std::flush;
    observer_ = nullptr;
}

void PortSession::Do(commission::Sequence& sequence, commission::Sequence::Action action, std::ostream* progress) {
    if (action.kind != Kind::Send) return;
    const auto& step = sequence.CurrentStep();
    if (progress) *progress << "\r\033[K" << sequence.Progress() << std::flush;
    if (step.command.size() > 0xFFFF) {
        Do(sequence, sequence.Sent(false, Clock::now(), "The command is too long to send"), progress);
        return;
    }
    const bool sent = comm_.SendData(step.command.data(), step.command.size());
    const auto at = Clock::now();
    if (sent && observer_) observer_->Sent(sequence.CurrentIndex(), at);
    Do(sequence, sequence.Sent(sent, at), progress);
}

void PortSession::Run(commission::LineScan& scan, std::ostream* progress) {
    Do(scan, scan.Start(), progress);
    while (scan.Running()) {
        const auto wake = scan.WakeAt();
        const auto left = wake ? std::chrono::duration_cast<std::chrono::milliseconds>(*wake - Clock::now()).count() : -1;
        const int wait = wake ? static_cast<int>(std::max<long long>(0, left + 1)) : -1;
        if (serial::WaitReadable(comm_.NotifyFd(), wait)) comm_.ProcessNotifications();
        for (auto& block : std::exchange(blocks_, {}))
            Do(scan, scan.BlockReceived(block, Clock::now() - commission::QuietInterval), progress);
        if (lost_) {
            Do(scan, scan.PortLost(), progress);
            break;
        }
        Do(scan, scan.Tick(Clock::now()), progress);
    }
    if (progress) *progress << "\r\033[K" << std::flush;
}

void PortSession::Do(commission::LineScan& scan, commission::LineScan::Action action, std::ostream* progress) {
    using Scan = commission::LineScan::Action::Kind;
    while (action.kind == Scan::Open || action.kind == Scan::Send) {
        if (action.kind == Scan::Open) {
            const auto& s = scan.CurrentSetting();
            LineOptions line = line_;
            line.baud = s.baud;
            line.parity = s.parity;
            line.stopBits = s.stopBits;
            std::string why;
            // Opened afresh for every try: what a wrong setting left in the
            // port's buffers goes with the old opening.
            action = scan.Opened(Open(line, why), why);
        } else {
            if (progress) *progress << "\r\033[K" << scan.Progress() << std::flush;
            const auto& command = scan.CurrentCommand();
            const bool sent = comm_.SendData(command.data(), command.size());
            action = scan.Sent(sent, Clock::now());
        }
    }
}

}  // namespace cli
