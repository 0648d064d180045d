#pragma once
// The CRC check of a custom command's frame, worded for the lists of warnings
// that writing or verifying the whole configuration shows.

#include <optional>
#include <string>
#include <string_view>

namespace protocol {

// "Command 3 · Command: CRC is 0x0944, the frame needs 0x0A84" when the frame
// of custom command `group` (1 to 6) ends in a wrong CRC or in none; nothing
// when its CRC is right, when it is empty (a command not in use) or when it
// is no frame at all (not hexadecimal, not whole bytes), which the write
// itself refuses or reports.
std::optional<std::string> CustomCommandCrcWarning(int group, std::string_view frameHex);

}  // namespace protocol
