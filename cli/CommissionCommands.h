#pragma once
// read, write and verify: the commissioning library's sequences on a port.

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/Options.h"
#include "cli/PortSession.h"

namespace cli {

// What the command line of read, write and verify says.
struct Arguments {
    LineOptions line;
    std::string output;  // -o
    std::string file;    // the one positional argument
};

// Reads the arguments after the subcommand's name; throws EUsageError naming
// what is wrong. `wantsOutput`: read (-o FILE) rather than write or verify (FILE).
Arguments ParseArguments(const std::vector<std::string>& args, bool wantsOutput);

int ReadCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int WriteCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int VerifyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
