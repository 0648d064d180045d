#pragma once
// The converter on a serial port, for the command-line program: opens the
// port as the window does and runs a sequence in a poll loop, every block
// taken through the reply path the window uses.

#include <chrono>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "commission/Sequence.h"
#include "protocol/ReplyPath.h"
#include "serial/TComm.h"

namespace cli {

struct LineOptions {
    std::string port;
    std::uint32_t baud = 9600;
    serial::TParity parity = serial::TParity::None;
    serial::TStopBits stopBits = serial::TStopBits::_1;
    std::chrono::milliseconds timeout{3000};
};

class PortSession {
public:
    // Opens the port; throws std::runtime_error naming it.
    explicit PortSession(const LineOptions& line);

    // Runs the sequence to its end, feeding it every block and the time; a
    // progress line goes to `progress` when given.
    void Run(commission::Sequence& sequence, std::ostream* progress);

    // The port and its line settings, for messages.
    const std::string& Link() const { return link_; }

private:
    void Do(commission::Sequence& sequence, commission::Sequence::Action action, std::ostream* progress);

    serial::TComm comm_;
    std::string link_;
    std::vector<std::string> blocks_;  // received while notifications were processed
    bool lost_ = false;
};

}  // namespace cli
