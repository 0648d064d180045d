#pragma once
// The converter on a serial port, for the command-line program: opens the
// port as the window does and runs a sequence in a poll loop, handing it
// every block the port delivers with the time its last byte came.

#include <chrono>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commission/LineScan.h"
#include "commission/Sequence.h"
#include "serial/TComm.h"

namespace cli {

struct LineOptions {
    std::string port;
    std::uint32_t baud = 9600;
    serial::TParity parity = serial::TParity::None;
    serial::TStopBits stopBits = serial::TStopBits::_1;
    std::chrono::milliseconds timeout{3000};
};

// Sees the line as a sequence meets it (for a capture): each command as it
// went to the port, each block as the port delivered it. `step` is the
// sequence's step at the time.
class PortObserver {
public:
    virtual ~PortObserver() = default;
    virtual void Sent(std::size_t step, commission::TimePoint at) = 0;
    virtual void Received(std::size_t step, std::string_view block, commission::TimePoint lastByte) = 0;
};

class PortSession {
public:
    // Opens the port; throws std::runtime_error naming it.
    explicit PortSession(const LineOptions& line);

    // Runs the sequence to its end, feeding it every block and the time; a
    // progress line goes to `progress` when given; `observer`, when given,
    // sees every command and block.
    void Run(commission::Sequence& sequence, std::ostream* progress, PortObserver* observer = nullptr);

    // Runs a scan of the line settings to its end: the port is closed and
    // opened again at each try's settings (kept open at the last one).
    void Run(commission::LineScan& scan, std::ostream* progress);

    // The port and its line settings, for messages.
    const std::string& Link() const { return link_; }

private:
    // Opens the port at the line's settings; false, with `why`, when it does not open.
    bool Open(const LineOptions& line, std::string& why);
    void Do(commission::LineScan& scan, commission::LineScan::Action action, std::ostream* progress);
    void Do(commission::Sequence& sequence, commission::Sequence::Action action, std::ostream* progress);

    serial::TComm comm_;
    LineOptions line_;
    std::string link_;
    std::vector<std::string> blocks_;  // received while notifications were processed
    bool lost_ = false;
    PortObserver* observer_ = nullptr;  // during Run
};

}  // namespace cli
