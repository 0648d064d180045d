#pragma once
// The converter on a serial port, for the command-line program: opens the
// port as the window does and runs a sequence in a poll loop, every block
// taken through the reply path the window uses.

#include <chrono>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "commission/Configuration.h"
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

    // Runs the sequence to its end. Answers the sequence takes go into
    // `record` when given; a progress line goes to `progress` when given.
    void Run(commission::Sequence& sequence, commission::Configuration* record, std::ostream* progress);

    // Answers the sequence took whose parse stopped at a field that does not
    // convert: "QX2: the answer holds '0x', not a valid integer value".
    const std::vector<std::string>& Faults() const { return faults_; }

private:
    using Clock = std::chrono::steady_clock;

    void Do(commission::Sequence& sequence, commission::Sequence::Action action, std::ostream* progress);
    void TakeBlock(commission::Sequence& sequence, const std::string& block, std::ostream* progress);
    void Parse(commission::Sequence& sequence, commission::Configuration* record, std::ostream* progress);

    serial::TComm comm_;
    protocol::ReplyPath replies_;
    std::optional<Clock::time_point> stepDeadline_;
    std::vector<std::string> blocks_;  // received while notifications were processed
    bool lost_ = false;
    std::vector<std::string> faults_;
};

}  // namespace cli
