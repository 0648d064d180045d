#pragma once
// capture: what the converter answers to the read-all queries (with
// --with-sets also to writing back what it read), in the pieces the port
// delivered and with their times, as a capture file: for a bug report, or
// for tq410k-emulator --replay to answer as this converter did.

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

// Exit codes: 0 every command got a whole answer; 2 otherwise, or on any
// error. Once the port is open the capture file is written in any case,
// holding what came (and saying which commands got no answer).
int CaptureCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
