#include "commission/FieldLimits.h"

#include <array>
#include <string_view>

#include "protocol/ChannelTable.h"
#include "protocol/CustomCommands.h"
#include "protocol/Protocol.h"

namespace commission {
namespace {

enum class Travel {
    Number,          // converted to an integer, zero-padded to the width
    ItemIndex,       // "3", "-1"
    TwoDigitIndex,   // "03", "0-1"
    PaddedIndex,     // an index zero-padded to the width: "02"
    Text,            // as typed
};

struct Limit {
    Travel travel;
    std::size_t width;  // characters the reply record holds
    const char* what;   // "digits", "characters"
};

struct SystemLimit {
    std::string_view control;
    Limit limit;
};

// The command data of a custom command: the COMR record's two-digit byte
// count carries back at most 99 bytes.
constexpr std::size_t MaxCommandData = 2 * 99;

constexpr std::array SystemLimits = {
    SystemLimit{.control = "Edit1", .limit = {.travel = Travel::Number, .width = 3, .what = "digits"}},
    SystemLimit{.control = "ADBESARD", .limit = {.travel = Travel::Number, .width = 5, .what = "digits"}},
    SystemLimit{.control = "PUBESARD", .limit = {.travel = Travel::Number, .width = 5, .what = "digits"}},
    SystemLimit{.control = "Edit2", .limit = {.travel = Travel::Number, .width = 3, .what = "digits"}},
    SystemLimit{.control = "Edit3", .limit = {.travel = Travel::Number, .width = 3, .what = "digits"}},
    SystemLimit{.control = "SENDXIEYI", .limit = {.travel = Travel::PaddedIndex, .width = 2, .what = "digits"}},
    // The board identity has no reply record; it keeps to its own padded widths.
    SystemLimit{.control = "PCBSN", .limit = {.travel = Travel::Number, .width = 8, .what = "digits"}},
    SystemLimit{.control = "JIANZHI", .limit = {.travel = Travel::Number, .width = 3, .what = "digits"}},
};

std::optional<Limit> ChannelLimit(const protocol::ChannelTable& table, std::string_view control) {
    for (int n = 1; n <= table.ChannelCount(); ++n)
        for (const auto& column : table.columns) {
            if (protocol::ControlName(column, n) != control) continue;
            switch (column.encoding) {
                case protocol::FieldEncoding::ItemIndex: return Limit{Travel::ItemIndex, column.recordWidth, "digits"};
                case protocol::FieldEncoding::TwoDigitItemIndex:
                    return Limit{Travel::TwoDigitIndex, column.recordWidth, "digits"};
                case protocol::FieldEncoding::Text: return Limit{Travel::Text, column.recordWidth, "characters"};
            }
        }
    return std::nullopt;
}

std::optional<Limit> LimitOf(const Field& field) {
    for (const auto& s : SystemLimits)
        if (s.control == field.control) return s.limit;
    for (const auto* table : {&protocol::AnalogChannels(), &protocol::TotalizerChannels()})
        if (auto limit = ChannelLimit(*table, field.control)) return limit;
    for (const auto& group : protocol::CustomCommandGroups) {
        if (group.data == field.control) return Limit{Travel::Text, MaxCommandData, "hexadecimal characters"};
        for (const auto byte : group.bytes)
            if (byte == field.control) return Limit{Travel::Text, 2, "characters"};
    }
    // Every other box travels as its item index in one digit.
    if (field.isIndex) return Limit{Travel::ItemIndex, 1, "digit"};
    return std::nullopt;
}

}  // namespace

std::optional<std::string> WireForm(const Field& field, const Value& value) {
    const auto limit = LimitOf(field);
    if (const int* index = std::get_if<int>(&value)) {
        if (!limit) return std::to_string(*index);
        switch (limit->travel) {
            case Travel::TwoDigitIndex: return protocol::TwoDigitItemIndexField(*index);
            case Travel::PaddedIndex: return protocol::PaddedNumber(*index, static_cast<int>(limit->width));
            default: return protocol::ItemIndexField(*index);
        }
    }
    const auto& text = std::get<std::string>(value);
    if (!limit || limit->travel != Travel::Number) return text;
    const auto number = protocol::TryStrToInt(text);
    if (!number) return std::nullopt;
    return protocol::PaddedNumber(*number, static_cast<int>(limit->width));
}

std::optional<std::string> CarryBackFault(const Field& field, const Value& value) {
    const auto limit = LimitOf(field);
    const auto wire = WireForm(field, value);
    if (!limit || !wire) return std::nullopt;
    const bool negative = !wire->empty() && wire->front() == '-';
    if (wire->size() <= limit->width && !(negative && limit->travel == Travel::Number)) return std::nullopt;
    const std::string shown = std::holds_alternative<int>(value) ? "item " + std::to_string(std::get<int>(value))
                                                                 : "'" + std::get<std::string>(value) + "'";
    const std::string carried = " the " + std::to_string(limit->width) + " " + limit->what +
                                " the converter's reply carries back";
    if (limit->travel == Travel::Number)
        return shown + " is not a number from 0 to " + std::string(limit->width, '9') + " (" + carried.substr(1) + ")";
    return shown + " travels as " + std::to_string(wire->size()) + " characters, more than" + carried;
}

}  // namespace commission
