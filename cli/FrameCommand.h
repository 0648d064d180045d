#pragma once
// The "frame" subcommand of the command-line program: checks a Modbus RTU
// frame typed in hexadecimal, or builds one from its fields.

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// `args` are the words after "frame". Exit codes: 0 the frame's CRC is right
// (or a frame was built), 1 its CRC is wrong or missing (the right frame is
// printed), 2 the input is no frame or the arguments are wrong.
int RunFrameCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
