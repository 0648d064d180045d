#pragma once
// A list of units in CSV: a header naming the columns serial, inspector and
// address (in any order), then one unit per line. UTF-8, a byte order mark
// allowed. Strict: the first fault refuses the whole list, naming its line and
// column, so nothing is sent from a list that is wrong anywhere.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "commission/UnitIdentity.h"

namespace commission {

class UnitListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws UnitListError "line 4, column 1 (serial): ..." on the first fault.
// An empty address cell keeps the profile's address for that unit.
std::vector<UnitIdentity> ParseUnitList(std::string_view text);

// Reads and parses a file; the message starts with its path.
std::vector<UnitIdentity> LoadUnitList(const std::string& path);

}  // namespace commission
