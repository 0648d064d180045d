#include "protocol/CustomCommands.h"

namespace protocol {

const std::array<CustomCommandControls, CustomCommandCount> CustomCommandGroups{{
    {"COMAD1", "COMDDATA1", {"ACOMBY1", "ACOMBY2", "ACOMBY3"}},
    {"COMAD2", "COMDDATA2", {"BCOMBY1", "BCOMBY2", "BCOMBY3"}},
    {"COMAD3", "COMDDATA3", {"CCOMBY1", "CCOMBY2", "CCOMBY3"}},
    {"COMAD4", "COMDDATA4", {"DCOMBY1", "DCOMBY2", "DCOMBY3"}},
    {"COMAD5", "COMDDATA5", {"ECOMBY1", "ECOMBY2", "ECOMBY3"}},
    {"COMAD6", "COMDDATA6", {"FCOMBY1", "FCOMBY2", "FCOMBY3"}},
}};

namespace {

std::string Digit(int group) { return std::to_string(group); }

// The group a record's number character names, or nothing for any other character.
std::optional<int> GroupOf(char number) {
    if (number >= '1' && number <= '0' + CustomCommandCount) return number - '0';
    return std::nullopt;
}

const CustomCommandControls& Controls(int group) { return CustomCommandGroups.at(group - 1); }

}  // namespace

std::string CommandReadCommand(int group) { return ComposeCommand(QueryPrefix, "COMR0" + Digit(group)); }

std::string ParsingRuleReadCommand(int group) { return ComposeCommand(QueryPrefix, "COMP0" + Digit(group)); }

ParseResult ParseCommandReadBack(std::string_view text) {
    ParseResult result;
    auto position = FindTagWithFreePosition(text, "COMR?:", 4);
    if (position) {
        if (auto group = GroupOf(text[*position + 4])) {
            const auto& controls = Controls(*group);
            RecordReader reader(text, *position, result);
            if (reader.ItemIndex(6, 1, std::string(controls.enable))) {
                if (auto count = reader.Integer(8, 2)) {
                    // No data characters cannot be cut short: the edit is emptied even
                    // when the text ends right after the count.
                    if (*count <= 0)
                        result.assignments.push_back(Assignment::SetText(std::string(controls.data), {}));
                    else
                        reader.Text(11, 2 * static_cast<std::size_t>(*count), std::string(controls.data));
                }
            }
            if (reader.failed()) return result;
        }
    }
    result.assignments.push_back(Assignment::SetReplyMode(ReplyCode::None));
    return result;
}

ParseResult ParseParsingRuleReadBack(std::string_view text) {
    ParseResult result;
    auto position = FindTagWithFreePosition(text, "COMP0?:", 5);
    if (position) {
        if (auto group = GroupOf(text[*position + 5])) {
            RecordReader reader(text, *position, result);
            const auto& bytes = Controls(*group).bytes;
            for (std::size_t i = 0; i < bytes.size(); ++i)
                if (!reader.Text(7 + 2 * i, 2, std::string(bytes[i]))) break;
        }
    }
    result.assignments.push_back(Assignment::SetReplyMode(ReplyCode::None));
    return result;
}

}  // namespace protocol
