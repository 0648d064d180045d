#pragma once
// SHA-256 of a text, to tie a unit's record to the exact profile file used.

#include <string>
#include <string_view>

namespace commission {

// The digest as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view data);

}  // namespace commission
