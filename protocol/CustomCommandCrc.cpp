#include "protocol/CustomCommandCrc.h"

#include "protocol/CustomCommands.h"
#include "protocol/FieldNames.h"
#include "protocol/ModbusRtu.h"

namespace protocol {

std::optional<std::string> CustomCommandCrcWarning(int group, std::string_view frameHex) {
    if (group < 1 || group > CustomCommandCount || frameHex.empty()) return std::nullopt;
    const modbus::FrameCheck check = modbus::CheckFrame(frameHex);
    if (!check.error.empty() || check.crc == modbus::CrcState::Right) return std::nullopt;
    const auto label = FieldLabel(CustomCommandGroups[static_cast<std::size_t>(group - 1)].data);
    const std::string crc = check.cutShort ? "the frame is cut short, no CRC" : modbus::DescribeCrc(check);
    return label.value_or("Command " + std::to_string(group)) + ": " + crc;
}

}  // namespace protocol
