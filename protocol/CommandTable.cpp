#include "protocol/CommandTable.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "protocol/CustomCommands.h"

namespace protocol {
namespace {

constexpr std::string_view Separator = " \xC2\xB7 ";  // " · " in a field's name

// One RS485 line's baud, parity and stop bits: "MR485Z", record "R485Z:".
ConverterCommand LineCommand(char line, const char* interface, int place) {
    const std::string l(1, line);
    const std::string name = std::string(interface) + " interface" + std::string(Separator);
    return {.word = "MR485" + l,
            .fields = {{.control = l + "MR485BT", .key = "baud", .label = name + "Baud",
                        .travel = Travel::ItemIndex, .width = 1, .offset = 6, .items = &LineBaudItems(), .initial = 3},
                       {.control = l + "MR485JN", .key = "parity", .label = name + "Parity",
                        .travel = Travel::ItemIndex, .width = 1, .offset = 8, .items = &LineParityItems(), .initial = 0},
                       {.control = l + "RS485STOP", .key = "stopBits", .label = name + "Stop bits",
                        .travel = Travel::ItemIndex, .width = 1, .offset = 10, .items = &LineStopItems(), .initial = 0}},
            .code = std::nullopt,
            .tag = "R485" + l + ":",
            .place = place};
}

CommandTable MakeParameterCommands() {
    return {
        {.word = "ADR",
         .fields = {{.control = "Edit1", .key = "address", .label = "Slave address",
                     .travel = Travel::Number, .width = 3, .offset = 4, .initial = "001"}},
         .taking = CodeTaking::BeforeFields,
         .tag = "ADR:",
         .place = 1},
        {.word = "MDO",
         .fields = {{.control = "ComboBox4", .key = "monitoring", .label = "Data monitoring",
                     .travel = Travel::ItemIndex, .width = 1, .offset = 4, .items = &MonitoringItems(), .initial = 0}},
         .taking = CodeTaking::BeforeFields,
         .tag = "MDO:",
         .place = 2},
        {.word = "BADR",
         .fields = {{.control = "ADBESARD", .key = "analog", .label = "Analog channel base address",
                     .travel = Travel::Number, .width = 5, .offset = 5, .initial = "00000"},
                    {.control = "PUBESARD", .key = "pulse", .label = "Pulse channel base address",
                     .travel = Travel::Number, .width = 5, .offset = 11, .initial = "00000"}},
         .code = std::nullopt,
         .tag = "BADR:",
         .place = 5},
        {.word = "JTM",
         .fields = {{.control = "Edit2", .key = "interval", .label = "Data read interval",
                     .travel = Travel::Number, .width = 3, .offset = 4, .initial = "010"}},
         .taking = CodeTaking::BeforeFields,
         .tag = "JTM:",
         .place = 3},
        {.word = "STM",
         .fields = {{.control = "Edit3", .key = "interval", .label = "RS485 data interval",
                     .travel = Travel::Number, .width = 3, .offset = 4, .initial = "010"},
                    {.control = "SENDXIEYI", .key = "frameType", .label = "RS485 frame type",
                     .travel = Travel::PaddedIndex, .width = 2, .offset = 8, .items = &FrameTypeItems(), .initial = 0}},
         .taking = CodeTaking::BeforeFields,
         .tag = "STM:",
         .place = 4},
        LineCommand('Z', "IRS485", 6),
        LineCommand('A', "OARS485", 7),
        LineCommand('B', "OBRS485", 8),
        // The converter stores the board identity but reports it in no record;
        // it goes out with the query prefix.
        {.word = "PCBSN",
         .fields = {{.control = "PCBSN", .key = "serialNumber", .label = "Serial number",
                     .travel = Travel::Number, .width = 8, .initial = "00000000"},
                    {.control = "JIANZHI", .key = "inspector", .label = "Inspector",
                     .travel = Travel::Number, .width = 3, .initial = "001"}},
         .prefix = QueryPrefix,
         .code = std::nullopt,
         .taking = CodeTaking::AfterSend,
         .codeAfterSend = ReplyCode::Shown},
        {.word = "RESET", .taking = CodeTaking::BeforeFields, .inWriteAll = false},
    };
}

// "Data Address" -> "dataAddress".
std::string CamelCase(const std::string& header) {
    std::string key;
    bool upper = false;
    for (char c : header) {
        if (c == ' ') {
            upper = true;
            continue;
        }
        const auto u = static_cast<unsigned char>(c);
        key += static_cast<char>(key.empty() ? std::tolower(u) : upper ? std::toupper(u) : u);
        upper = false;
    }
    return key;
}

Travel ChannelTravel(FieldEncoding encoding) {
    switch (encoding) {
        case FieldEncoding::ItemIndex: return Travel::ItemIndex;
        case FieldEncoding::TwoDigitItemIndex: return Travel::TwoDigitIndex;
        case FieldEncoding::Text: break;
    }
    return Travel::Text;
}

const CustomCommandControls& Group(int group) {
    if (group < 1 || group > CustomCommandCount) throw std::out_of_range("no custom command " + std::to_string(group));
    return CustomCommandGroups[static_cast<std::size_t>(group - 1)];
}

std::string GroupLabel(int group) { return "Command " + std::to_string(group) + std::string(Separator); }

// A custom command's data: the COMR record's two-digit byte count carries
// back at most 99 bytes.
constexpr std::size_t MaxCommandData = 2 * 99;

}  // namespace

const CommandTable& ParameterCommands() {
    static const CommandTable table = MakeParameterCommands();
    return table;
}

ConverterCommand ChannelCommand(const ChannelTable& table, int channel) {
    if (channel < 1 || channel > table.ChannelCount())
        throw std::out_of_range("no channel " + std::to_string(channel));
    const std::string digits = ChannelDigits(channel);
    ConverterCommand command{.word = table.setWord + digits, .tag = table.replyTag + digits + ":"};
    for (const auto& column : table.columns)
        command.fields.push_back(
            {.control = ControlName(column, channel),
             .key = CamelCase(column.header),
             .label = table.kindName + " " + std::to_string(channel) + std::string(Separator) + column.header,
             .travel = ChannelTravel(column.encoding),
             .width = column.recordWidth,
             .offset = column.recordOffset,
             .items = column.IsComboBox() ? &column.items : nullptr,
             .initial = column.IsComboBox() ? ColumnValue(column.defaultIndex) : ColumnValue(DefaultText(column, channel))});
    return command;
}

ConverterCommand CustomCommandWrite(int group) {
    const auto& names = Group(group);
    const std::string n = std::to_string(group);
    return {.word = "COMW" + n,
            .fields = {{.control = std::string(names.enable), .key = "enable", .label = GroupLabel(group) + "Enable",
                        .travel = Travel::ItemIndex, .width = 1, .offset = 6, .items = &EnableItems(), .initial = 0},
                       {.control = std::string(names.data), .key = "command", .label = GroupLabel(group) + "Command",
                        .travel = Travel::CountedData, .width = MaxCommandData, .offset = 11,
                        .initial = "0103000000044409"}},
            .code = ReplyCode::CustomCommandSet,
            .tag = "COMR" + n + ":"};
}

ConverterCommand ParsingRuleWrite(int group) {
    const auto& names = Group(group);
    const char* initial[] = {"01", "03", "00"};
    ConverterCommand command{.word = "COMP0" + std::to_string(group),
                             .separator = "",
                             .code = ReplyCode::ParsingRule,
                             .tag = "COMP0" + std::to_string(group) + ":"};
    for (std::size_t i = 0; i < names.bytes.size(); ++i) {
        const std::string byte = "Byte" + std::to_string(i + 1);
        command.fields.push_back({.control = std::string(names.bytes[i]), .key = "byte" + std::to_string(i + 1),
                                  .label = GroupLabel(group) + byte, .travel = Travel::Text, .width = 2,
                                  .offset = 7 + 2 * i, .initial = initial[i], .hexadecimal = true});
    }
    return command;
}

CommandTable AllSetCommands(const CommandTable& parameters) {
    CommandTable all = parameters;
    for (const auto* table : {&AnalogChannels(), &TotalizerChannels()})
        for (int n = 1; n <= table->ChannelCount(); ++n) all.push_back(ChannelCommand(*table, n));
    for (int g = 1; g <= CustomCommandCount; ++g) all.push_back(CustomCommandWrite(g));
    for (int g = 1; g <= CustomCommandCount; ++g) all.push_back(ParsingRuleWrite(g));
    return all;
}

const CommandTable& AllSetCommands() {
    static const CommandTable table = AllSetCommands(ParameterCommands());
    return table;
}

const ConverterCommand* FindCommand(const CommandTable& table, std::string_view word) {
    for (const auto& command : table)
        if (command.word == word) return &command;
    return nullptr;
}

std::vector<const ConverterCommand*> ReportedCommands(const CommandTable& table) {
    std::vector<const ConverterCommand*> reported;
    for (const auto& command : table)
        if (command.place > 0 && !command.tag.empty()) reported.push_back(&command);
    std::stable_sort(reported.begin(), reported.end(), [](auto* a, auto* b) { return a->place < b->place; });
    return reported;
}

std::optional<FieldPlace> FindFieldOf(const CommandTable& table, std::string_view control) {
    for (const auto& command : table)
        for (const auto& field : command.fields)
            if (field.control == control) return FieldPlace{&command, &field};
    return std::nullopt;
}

std::optional<std::string> WireValue(Travel travel, std::size_t width, const ColumnValue& value) {
    if (const int* index = std::get_if<int>(&value)) {
        switch (travel) {
            case Travel::TwoDigitIndex: return TwoDigitItemIndexField(*index);
            case Travel::PaddedIndex: return PaddedNumber(*index, static_cast<int>(width));
            default: return ItemIndexField(*index);
        }
    }
    const auto& text = std::get<std::string>(value);
    if (travel != Travel::Number) return text;
    const auto number = TryStrToInt(text);
    if (!number) return std::nullopt;
    return PaddedNumber(*number, static_cast<int>(width));
}

std::optional<std::string> ComposeSet(const ConverterCommand& command, const FieldValue& valueOf) {
    std::vector<std::string> fields;
    for (const auto& field : command.fields) {
        const ColumnValue value = valueOf(field);
        if (field.travel == Travel::Number) {
            const auto& text = std::get<std::string>(value);
            fields.push_back(PaddedNumber(StrToInt(text), static_cast<int>(field.width)));
        } else if (field.travel == Travel::CountedData) {
            const auto& data = std::get<std::string>(value);
            if (data.size() % 2 != 0) return std::nullopt;
            // Tens, then units: "00", "08", "16", "124".
            fields.push_back(std::to_string(data.size() / 10) + std::to_string(data.size() % 10) + data);
        } else {
            fields.push_back(*WireValue(field.travel, field.width, value));
        }
    }
    return ComposeCommand(command.prefix, command.word, fields, command.separator);
}

}  // namespace protocol
