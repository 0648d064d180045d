#pragma once
// One converter's identity in a batch: the board's serial number and the
// inspector, which the converter stores but never reports, and optionally its
// slave address. A profile is the template; the identity replaces its values.

#include <cstdint>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>

#include "commission/Configuration.h"

namespace commission {

struct UnitIdentity {
    std::string serial;          // 8 digits, "00001234"
    std::string inspector;       // 3 digits, "007"
    std::optional<int> address;  // 1 to 247; nothing keeps the profile's
    bool operator==(const UnitIdentity&) const = default;
};

// A value of an identity that cannot be used; the message says which and why.
class IdentityError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

inline constexpr std::uint32_t LastSerial = 99'999'999;

// "1234" -> "00001234". At most 8 digits, nothing else. Throws IdentityError.
std::string CheckSerial(std::string_view text);
// An item of the inspector box or a typed number: at most 3 digits, written
// with 3 ("7" -> "007"), as the board identity command carries it.
std::string CheckInspector(std::string_view text);
// A slave address, 1 to 247.
int CheckAddress(std::string_view text);

// The profile with the unit's identity in place of the template's.
Configuration WithIdentity(Configuration profile, const UnitIdentity& unit);

// The first serial number from `first` on that `used` does not hold; throws
// IdentityError when none is left below 100000000.
std::string NextFreeSerial(std::string_view first, const std::set<std::string>& used);

}  // namespace commission
