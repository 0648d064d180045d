#pragma once
// The emulator's command line: the port it answers on and the fault switches.

#include <cstdint>
#include <optional>
#include <string>

#include "emulator/Converter.h"

namespace emulator {

struct Options {
    std::string device;     // a real serial device (on Windows a COM port) instead of a pseudo-terminal
    std::string link;       // a fixed path made a symlink to the pseudo-terminal
    std::string state;      // a profile to start from
    std::string saveState;  // a profile kept up to date with what the converter stores
    std::string wireLog;    // a timeline of the line for tests
    std::string replay;     // a capture to answer from, as the converter it was made of
    bool noLink = false;
    bool split = false, silent = false, garbage = false;
    bool echo = false;  // every command sent back as it came, before its answer
    Acknowledgment ack = Acknowledgment::Tagged;
    // The line the converter listens at; 0 (and parity 'N' by default) as
    // the port group's defaults say: 9600 baud, no parity, 1 stop bit.
    std::uint32_t baud = 9600;
    char parity = 'N';  // 'N', 'O' or 'E'
    int stopBits = 1;
    bool lineGiven = false;       // --baud, --parity or --stop: on a pseudo-terminal, answer only a matching client
    bool garbleMismatch = false;  // a client at other settings gets noise instead of silence
    int delayMs = 0;
    int hangupAfter = -1;
    int blinkMs = -1;
    int streamMs = 120;
};

// Reads every word of the command line into `o`. Nothing when every word was
// taken; else what was refused, naming the option and the value
// ("--delay: \"-1\" is not a number from 0 to 1,000,000", "unknown option
// --bogus", "--delay needs a value"). Which combinations a platform takes is
// the caller's to judge.
std::optional<std::string> ParseOptions(int argc, char** argv, Options& o);

// True when any word is --help or -h: the usage is all that is asked for.
bool AsksForHelp(int argc, char** argv);

// Why the options cannot go with --replay, which answers only as its capture
// says ("--replay cannot be combined with --split"); nothing when they can.
std::optional<std::string> ReplayConflict(const Options& o);

// The usage text of this platform's emulator, to standard error.
void Usage();

}  // namespace emulator
