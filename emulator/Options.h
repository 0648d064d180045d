#pragma once
// The emulator's command line: the port it answers on and the fault switches.

#include <string>

#include "emulator/Converter.h"

namespace emulator {

struct Options {
    std::string device;     // a real serial device (on Windows a COM port) instead of a pseudo-terminal
    std::string link;       // a fixed path made a symlink to the pseudo-terminal
    std::string state;      // a profile to start from
    std::string saveState;  // a profile kept up to date with what the converter stores
    std::string wireLog;    // a timeline of the line for tests
    bool noLink = false;
    bool split = false, silent = false, garbage = false;
    bool echo = false;  // every command sent back as it came, before its answer
    Acknowledgment ack = Acknowledgment::Tagged;
    int delayMs = 0;
    int hangupAfter = -1;
    int blinkMs = -1;
    int streamMs = 120;
};

// Reads every word of the command line into `o`; false on a word it does not
// know or a value that is missing or not a number from 0 to 1,000,000. Which
// combinations a platform takes is the caller's to judge.
bool ParseOptions(int argc, char** argv, Options& o);

// The usage text of this platform's emulator, to standard error.
void Usage();

}  // namespace emulator
