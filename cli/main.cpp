// tq410k-cli: the console's commissioning for scripted batches, without the window.

#include <iostream>
#include <string>
#include <vector>

#include "cli/Subcommands.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.empty() ? std::cerr : std::cout) << cli::Usage();
        return args.empty() ? cli::Failure : cli::Success;
    }
    for (const auto& command : cli::Subcommands()) {
        if (command.name != args[0]) continue;
        if (args.size() == 2 && (args[1] == "--help" || args[1] == "-h")) {
            std::cout << cli::Usage(command);
            return cli::Success;
        }
        return command.run({args.begin() + 1, args.end()}, std::cout, std::cerr);
    }
    std::cerr << "tq410k-cli: unknown command \"" << args[0] << "\"\n" << cli::Usage();
    return cli::Failure;
}
