#pragma once
// read, write and verify: the commissioning library's sequences on a port.

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

int ReadCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int WriteCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int VerifyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
