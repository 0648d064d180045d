// tq410k-cli: the console's commissioning for scripted batches, without the window.

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "cli/ExitCodes.h"
#include "cli/Subcommands.h"

namespace {

bool AsksForHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << cli::Usage();
        return cli::Failure;
    }
    // --help anywhere on the line: the usage of the command it follows, else the whole usage.
    const bool help = std::any_of(args.begin(), args.end(), AsksForHelp) || args[0] == "help";
    for (const auto& command : cli::Subcommands()) {
        if (command.name != args[0]) continue;
        if (help) {
            std::cout << cli::Usage(command);
            return cli::Success;
        }
        return command.run({args.begin() + 1, args.end()}, std::cout, std::cerr);
    }
    if (help) {
        std::cout << cli::Usage();
        return cli::Success;
    }
    std::cerr << "tq410k-cli: unknown command \"" << args[0] << "\"\n" << cli::Usage();
    return cli::Failure;
}
