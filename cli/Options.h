#pragma once
// The values of the command line's options, read one way for every
// subcommand: a wrong one throws EUsageError naming the option and the text.

#include <cstdint>
#include <stdexcept>
#include <string>

#include "serial/CommTypes.h"

namespace cli {

class EUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A decimal number from `low` to `high`, with no sign and nothing after it.
std::uint32_t NumberOption(const std::string& option, const std::string& text, std::uint32_t low,
                           std::uint32_t high);
// --parity: none, odd or even.
serial::TParity ParityOption(const std::string& text);
// --stop: 1 or 2.
serial::TStopBits StopBitsOption(const std::string& text);

}  // namespace cli
