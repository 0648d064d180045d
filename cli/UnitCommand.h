#pragma once
// commission: one unit of a batch. Write all with the unit's identity in
// place of the profile's, verify, then the unit's record and a line in the
// batch log.

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

int CommissionUnitCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
