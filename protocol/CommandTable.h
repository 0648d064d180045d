#pragma once
// The converter's set commands, each described once: its word, its fields
// (the control that holds each, how it travels, its width, its names), the
// reply code its button sets, and the record that reports it back. The
// window's Set buttons, the write-all sequence, the field limits and names,
// the parameter record's parser and the emulator all read this description.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/ChannelProtocol.h"
#include "protocol/ChannelTable.h"
#include "protocol/ItemLists.h"
#include "protocol/Protocol.h"
#include "protocol/ReplyCodes.h"

namespace protocol {

// How a field's value is written into its command.
enum class Travel {
    Number,         // the text as an integer, zero-padded to the width: "007", "-005"
    ItemIndex,      // an item index: "3", "-1"
    TwoDigitIndex,  // "0" before an index of 9 or less: "05", "0-1"
    PaddedIndex,    // an item index zero-padded to the width: "02"
    Text,           // the text as typed, filling the width of its record field
    CountedData,    // the text's length in at least two digits, then the text: "16" + data
};

struct CommandField {
    std::string control = {};  // object name of the window's control: "Edit1"
    std::string key = {};      // its name within the command in a profile: "address"
    std::string label = {};    // as a person reads it: "Slave address" (UTF-8)
    Travel travel = Travel::Text;
    std::size_t width = 0;   // characters of its record field (and of a padded value)
    std::size_t offset = 0;  // in its record, from the tag's first character
    const ItemList* items = nullptr;  // a drop-down's items: its value is an item index
    ColumnValue initial = std::string();  // the factory setting, as the control holds it
    bool hexadecimal = false;  // Text: a shorter text may be padded with hexadecimal digits

    bool IsIndex() const { return items != nullptr; }
};

// When a Set button takes the reply code of its command.
enum class CodeTaking {
    WithSend,       // with the command as it goes out
    BeforeFields,   // before its fields are converted: a conversion error leaves the code taken
    AfterSend,      // the command goes out under the code in force; the code follows
};

struct ConverterCommand {
    std::string word = {};                  // "ADR", "ZDAD07", "COMW3"
    std::vector<CommandField> fields = {};  // in command order
    std::string_view prefix = SetPrefix;
    std::string_view separator = ",";
    // The code the command goes out with, which also judges its answer in a
    // write-all; nothing: the code in force judges it.
    std::optional<ReplyCode> code = ReplyCode::Shown;
    CodeTaking taking = CodeTaking::WithSend;
    std::optional<ReplyCode> codeAfterSend = std::nullopt;  // CodeTaking::AfterSend
    // The tag of the record that reports the fields back ("ADR:", "ZDAD07:");
    // empty when no answer does.
    std::string tag = {};
    // Parameter records only: the record's place in the answer to the
    // parameter query (1 first), which is also the order they are read in.
    int place = 0;
    bool inWriteAll = true;  // the reset is no setting
};

using CommandTable = std::vector<ConverterCommand>;

// The converter's own parameters, in write order: slave address, monitoring,
// base addresses, intervals, the three RS485 lines, the board identity, and the reset.
const CommandTable& ParameterCommands();

// The set command of channel `channel` of a table ("ZDAD07"); throws
// std::out_of_range for a channel the table lacks.
ConverterCommand ChannelCommand(const ChannelTable& table, int channel);
// A custom command's frame ("COMW3") and its parsing rule ("COMP03"), group 1 to 6.
ConverterCommand CustomCommandWrite(int group);
ConverterCommand ParsingRuleWrite(int group);

// Every set command in write order: the parameters given, the analog and
// totalizer channels, the custom commands, then their parsing rules.
CommandTable AllSetCommands(const CommandTable& parameters);
const CommandTable& AllSetCommands();

const ConverterCommand* FindCommand(const CommandTable& table, std::string_view word);
// The commands that the answer to the parameter query reports, in the order
// of their places there.
std::vector<const ConverterCommand*> ReportedCommands(const CommandTable& table);
// The command and field that the control holds, or nothing.
struct FieldPlace {
    const ConverterCommand* command;
    const CommandField* field;
};
std::optional<FieldPlace> FindFieldOf(const CommandTable& table, std::string_view control);

// A field's value as the window holds it: an item index or a text.
using FieldValue = std::function<ColumnValue(const CommandField&)>;

// The command with the values of its fields, taken and converted left to
// right: a Number whose text is no integer throws EConvertError. Nothing when
// counted data has an odd number of characters (no whole number of bytes).
std::optional<std::string> ComposeSet(const ConverterCommand& command, const FieldValue& valueOf);

// A field's value as it travels ("7" in a width of 3 is "007"); nothing for
// a Number whose text is no integer. Counted data travels as its text here.
std::optional<std::string> WireValue(Travel travel, std::size_t width, const ColumnValue& value);

}  // namespace protocol
