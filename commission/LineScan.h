#pragma once
// Finding a converter whose line settings nobody knows: the line settings of
// the port group are tried one after the other until the converter answers.
// A state machine like Sequence: its driver (the window's timer, the
// command-line program's poll loop, a test) opens the port at each try's
// settings, sends what it is told, feeds it what came with the time, and
// does what it answers. It never waits itself and reads no clock.
//
// Each try sends the communication query ("PPPPPP#VAR#"). When anything
// answers, the parameter query ("PPPPPP#QX1#") confirms that a TQ410-K is
// there: its answer carries the slave address ("ADR:005"). Nothing that
// changes the converter is ever sent. A try's command goes out only when
// the line is quiet: the next one waits for the block-closing interval
// after the last byte of an answer.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commission/PortDescription.h"
#include "commission/Sequence.h"
#include "serial/TComm.h"

namespace commission {

// One combination of baud rate, parity and stop bits (always 8 data bits).
struct LineSetting {
    std::uint32_t baud = 9600;
    serial::TParity parity = serial::TParity::None;
    serial::TStopBits stopBits = serial::TStopBits::_1;
    bool operator==(const LineSetting&) const = default;
};

// "19200 baud, even parity, 1 stop bit"
std::string DescribeSetting(const LineSetting& setting);

// What to try: each field, when given, narrows the scan to that value.
struct ScanOptions {
    std::optional<std::uint32_t> baud = {};
    std::optional<serial::TParity> parity = {};
    std::optional<serial::TStopBits> stopBits = {};
    bool all = false;  // go on after a find: another converter may share the bus at other settings
    std::chrono::milliseconds tryTimeout{500};  // the wait for an answer, beyond sending the command
};

// The settings in the order they are tried: 9600 8N1 first, then by
// likelihood. Baud rates 9600, 19200, 4800, 2400, 1200 at each line form,
// the forms in the order no parity, even, odd with 1 stop bit, then the
// same with 2 stop bits. Narrowed by the options; empty when a narrowing
// names a value the port group does not offer.
std::vector<LineSetting> ScanOrder(const ScanOptions& options);

struct Finding {
    LineSetting setting;
    std::string address;  // the slave address as the converter gave it, "005"
    bool operator==(const Finding&) const = default;
};

class LineScan {
public:
    enum class State {
        Ready,
        Running,
        Finished,    // every setting tried, or a find without `all`: see Found(), Strangers()
        Cancelled,
        PortFailed,  // the port could not be opened at a try's settings, or took no data, or went away
    };

    struct Action {
        enum class Kind {
            Nothing,  // keep waiting; call Tick() at WakeAt()
            Open,     // (re)open the port at CurrentSetting(), then report Opened()
            Send,     // send CurrentCommand(), then report Sent()
            Finish,   // the scan has ended (see state())
        } kind = Kind::Nothing;
        bool operator==(const Action&) const = default;
    };

    explicit LineScan(ScanOptions options);

    Action Start();
    // `why`: what the port said when it did not open.
    Action Opened(bool opened, std::string why = {});
    Action Sent(bool handedToPort, TimePoint now);
    // Every block the port received since the command, whole, as it came;
    // `lastByte`: when its last byte arrived (as for Sequence).
    Action BlockReceived(std::string_view block, TimePoint lastByte);
    Action Tick(TimePoint now);
    Action PortLost();
    Action Cancel();

    std::optional<TimePoint> WakeAt() const;

    State state() const { return state_; }
    bool Running() const { return state_ == State::Running; }
    const std::vector<LineSetting>& Settings() const { return settings_; }
    const LineSetting& CurrentSetting() const { return settings_.at(current_); }
    std::size_t CurrentIndex() const { return current_; }
    // "PPPPPP#VAR#" or "PPPPPP#QX1#"
    const std::string& CurrentCommand() const;
    // How many settings got their command so far.
    std::size_t Tried() const { return tried_; }
    const std::vector<Finding>& Found() const { return found_; }
    // Settings at which something answered the communication query but no
    // slave address came to the parameter query.
    const std::vector<LineSetting>& Strangers() const { return strangers_; }
    // Why the port failed (state PortFailed): "cannot open it at 4800 baud, ...: <why>".
    const std::string& PortFault() const { return fault_; }

    // "Trying 3 of 30 · 4800 baud, no parity, 1 stop bit"
    std::string Progress() const;
    // The account of the scan for a person, one finding a line:
    // "TQ410-K at 19200 baud, even parity, 1 stop bit; slave address 005".
    std::string Report(const std::string& port) const;

private:
    enum class Stage { Query, Confirm };
    Action StartTry();
    Action EndStep();
    Action NextSetting();
    bool Answered() const;
    std::optional<std::string> Address() const;

    ScanOptions options_;
    std::vector<LineSetting> settings_;
    State state_ = State::Ready;
    Stage stage_ = Stage::Query;
    std::size_t current_ = 0;
    std::size_t tried_ = 0;
    std::string answer_;
    std::optional<TimePoint> deadline_;
    std::optional<TimePoint> quietAt_;
    std::optional<TimePoint> lastByte_;  // of bytes that are no answer yet
    std::vector<Finding> found_;
    std::vector<LineSetting> strangers_;
    std::string fault_;
};

}  // namespace commission
