#include "commission/UnitIdentity.h"

#include <string>

#include "protocol/Excerpt.h"
#include "protocol/ControlNames.h"

namespace commission {
namespace {

// Only decimal digits, 1 to `width` of them; padded to `width`.
std::optional<std::string> Digits(std::string_view text, std::size_t width) {
    if (text.empty() || text.size() > width) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    return std::string(width - text.size(), '0') + std::string(text);
}

std::string Quoted(std::string_view text) { return protocol::QuotedExcerpt(text); }

}  // namespace

std::string CheckSerial(std::string_view text) {
    if (auto serial = Digits(text, 8)) return *serial;
    throw IdentityError("serial number " + Quoted(text) + " is not a number of at most 8 digits");
}

std::string CheckInspector(std::string_view text) {
    if (auto inspector = Digits(text, 3)) return *inspector;
    throw IdentityError("inspector " + Quoted(text) + " is not a number of at most 3 digits");
}

int CheckAddress(std::string_view text) {
    if (auto digits = Digits(text, 3)) {
        const int address = std::stoi(*digits);
        if (address >= 1 && address <= 247) return address;
    }
    throw IdentityError("address " + Quoted(text) + " is not a number from 1 to 247");
}

Configuration WithIdentity(Configuration profile, const UnitIdentity& unit) {
    profile.values[std::string(protocol::control::SerialNumber)] = unit.serial;
    profile.values[std::string(protocol::control::Inspector)] = unit.inspector;
    if (unit.address) {
        const std::string digits = std::to_string(*unit.address);
        profile.values[std::string(protocol::control::SlaveAddress)] = std::string(3 - digits.size(), '0') + digits;
    }
    return profile;
}

std::string NextFreeSerial(std::string_view first, const std::set<std::string>& used) {
    for (std::uint32_t n = static_cast<std::uint32_t>(std::stoul(CheckSerial(first))); n <= LastSerial; ++n) {
        const std::string serial = CheckSerial(std::to_string(n));
        if (!used.count(serial)) return serial;
    }
    throw IdentityError("no serial number is left from " + CheckSerial(first) + " on");
}

}  // namespace commission
