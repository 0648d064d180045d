#pragma once
// find: the line settings tried one after the other until the converter answers.

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

int FindCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
