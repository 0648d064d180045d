#pragma once
// The subcommands of tq410k-cli, one row each.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// Runs a subcommand on its arguments (after its name); returns the exit code.
using SubcommandFunction = int (*)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

struct Subcommand {
    std::string_view name;
    std::string_view usage;    // the arguments, for --help
    std::string_view summary;  // one line
    SubcommandFunction run;
};

const std::vector<Subcommand>& Subcommands();

// The whole help text.
std::string Usage();
// One subcommand's help text.
std::string Usage(const Subcommand& subcommand);

}  // namespace cli
