#include "cli/Options.h"

namespace cli {

std::uint32_t NumberOption(const std::string& option, const std::string& text, std::uint32_t low,
                           std::uint32_t high) {
    std::size_t end = 0;
    unsigned long value = 0;
    try {
        value = std::stoul(text, &end, 10);
    } catch (const std::exception&) {
        end = 0;
    }
    if (text.empty() || end != text.size() || text[0] == '-' || text[0] == '+' || value < low || value > high)
        throw EUsageError(option + " takes a number from " + std::to_string(low) + " to " + std::to_string(high) +
                          ", not \"" + text + "\"");
    return static_cast<std::uint32_t>(value);
}

serial::TParity ParityOption(const std::string& text) {
    if (text == "none") return serial::TParity::None;
    if (text == "odd") return serial::TParity::Odd;
    if (text == "even") return serial::TParity::Even;
    throw EUsageError("--parity is none, odd or even, not \"" + text + "\"");
}

serial::TStopBits StopBitsOption(const std::string& text) {
    if (text == "1") return serial::TStopBits::_1;
    if (text == "2") return serial::TStopBits::_2;
    throw EUsageError("--stop is 1 or 2, not \"" + text + "\"");
}

}  // namespace cli
