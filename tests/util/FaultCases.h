#pragma once
// The cases that the window's and the command-line program's end-to-end
// tests both run against the emulator's fault switches: the same converter,
// the same action, the same verdict.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace consoletest {

struct FaultCase {
    const char* name;
    std::vector<std::string> options;  // the emulator's fault switches
    const char* action;                // "verify" or "write"
    int timeoutMs;
    const char* status;  // the window's status bar
    const char* text;    // how the account starts (window's box, CLI's output or error)
    int exitCode;        // tq410k-cli
};

inline const std::vector<FaultCase>& FaultCases() {
    static const std::vector<FaultCase> cases = {
        {.name = "split", .options = {"--split"}, .action = "verify", .timeoutMs = 3000,
         .status = "Verify: no differences", .text = "No differences", .exitCode = 0},
        {.name = "split write", .options = {"--split"}, .action = "write", .timeoutMs = 3000,
         .status = "Write all: written",
         .text = "Write all: written, 49 of 49 set commands acknowledged; Verify shows what the converter holds.",
         .exitCode = 0},
        {.name = "delay", .options = {"--delay", "150"}, .action = "verify", .timeoutMs = 1000,
         .status = "Verify: no differences", .text = "No differences", .exitCode = 0},
        {.name = "silent", .options = {"--silent"}, .action = "verify", .timeoutMs = 300,
         .status = "Verify: not verified", .text = "Not verified: 2 of 17 steps got no answer: QX1, QX2.\nNo answer from ",
         .exitCode = 2},
        {.name = "garbage", .options = {"--garbage"}, .action = "verify", .timeoutMs = 300,
         .status = "Verify: not verified", .text = "Not verified: 2 of 17 steps got no answer: QX1, QX2.\nNo answer from ",
         .exitCode = 2},
        {.name = "hang-up", .options = {"--hangup-after", "3"}, .action = "verify", .timeoutMs = 3000,
         .status = "Verify: not verified", .text = "Not verified: stopped at step 4 of 17 (QX4): the port was closed.",
         .exitCode = 2},
    };
    return cases;
}

// The emulator's wire log: every line that says a command came in while an answer was going out.
inline std::string Overlaps(const std::string& wireLog) {
    std::ifstream in(wireLog);
    std::string line, overlaps;
    while (std::getline(in, line))
        if (line.find(" overlap ") != std::string::npos) overlaps += line + "\n";
    return overlaps;
}

}  // namespace consoletest
