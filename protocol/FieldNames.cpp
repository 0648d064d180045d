#include "protocol/FieldNames.h"

#include <array>

#include "protocol/ChannelTable.h"
#include "protocol/CustomCommands.h"

namespace protocol {
namespace {

constexpr std::string_view Separator = " \xC2\xB7 ";  // " · "

struct NamedControl {
    std::string_view control;
    std::string_view label;
};

constexpr NamedControl SystemFields[] = {
    {.control = "Edit1", .label = "Slave address"},
    {.control = "ComboBox4", .label = "Data monitoring"},
    {.control = "ADBESARD", .label = "Analog channel base address"},
    {.control = "PUBESARD", .label = "Pulse channel base address"},
    {.control = "Edit2", .label = "Data read interval"},
    {.control = "Edit3", .label = "RS485 data interval"},
    {.control = "SENDXIEYI", .label = "RS485 frame type"},
    {.control = "ZMR485BT", .label = "IRS485 interface \xC2\xB7 Baud"},
    {.control = "ZMR485JN", .label = "IRS485 interface \xC2\xB7 Parity"},
    {.control = "ZRS485STOP", .label = "IRS485 interface \xC2\xB7 Stop bits"},
    {.control = "AMR485BT", .label = "OARS485 interface \xC2\xB7 Baud"},
    {.control = "AMR485JN", .label = "OARS485 interface \xC2\xB7 Parity"},
    {.control = "ARS485STOP", .label = "OARS485 interface \xC2\xB7 Stop bits"},
    {.control = "BMR485BT", .label = "OBRS485 interface \xC2\xB7 Baud"},
    {.control = "BMR485JN", .label = "OBRS485 interface \xC2\xB7 Parity"},
    {.control = "BRS485STOP", .label = "OBRS485 interface \xC2\xB7 Stop bits"},
    {.control = "PCBSN", .label = "Serial number"},
    {.control = "JIANZHI", .label = "Inspector"},
};

struct ChannelKind {
    const ChannelTable& table;
    std::string_view word;
};

std::optional<std::string> ChannelFieldLabel(std::string_view controlName) {
    const std::array<ChannelKind, 2> kinds = {{{AnalogChannels(), "Analog"}, {TotalizerChannels(), "Totalizer"}}};
    for (const auto& kind : kinds)
        for (int channel = 1; channel <= kind.table.ChannelCount(); ++channel)
            for (const auto& column : kind.table.columns)
                if (ControlName(column, channel) == controlName)
                    return std::string(kind.word) + " " + std::to_string(channel) + std::string(Separator) +
                           column.header;
    return std::nullopt;
}

std::optional<std::string> CustomCommandFieldLabel(std::string_view controlName) {
    for (int group = 1; group <= CustomCommandCount; ++group) {
        const auto& names = CustomCommandGroups[static_cast<std::size_t>(group - 1)];
        const std::string prefix = "Command " + std::to_string(group) + std::string(Separator);
        if (controlName == names.enable) return prefix + "Enable";
        if (controlName == names.data) return prefix + "Command";
        for (std::size_t i = 0; i < names.bytes.size(); ++i)
            if (controlName == names.bytes[i]) return prefix + "Byte" + std::to_string(i + 1);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> FieldLabel(std::string_view controlName) {
    for (const auto& field : SystemFields)
        if (field.control == controlName) return std::string(field.label);
    if (auto label = ChannelFieldLabel(controlName)) return label;
    return CustomCommandFieldLabel(controlName);
}

std::string FieldDisplayName(std::string_view controlName) {
    if (auto label = FieldLabel(controlName)) return *label;
    return std::string(controlName);
}

}  // namespace protocol
