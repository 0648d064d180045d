#include "commission/FieldLimits.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "protocol/ChannelTable.h"
#include "protocol/CustomCommands.h"
#include "protocol/Excerpt.h"
#include "protocol/Latin1.h"
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

// The digits a text of a fixed width may be padded with on the left.
enum class Padding { None, Decimal, Hexadecimal };

struct Limit {
    Travel travel;
    std::size_t width;  // characters the reply record holds
    const char* what;   // "digits", "characters"
    // A text that travels as typed and fills exactly `width` characters of
    // the reply record: a shorter one shifts what the converter reports.
    Padding exact = Padding::None;
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
                case protocol::FieldEncoding::ItemIndex:
                    return Limit{Travel::ItemIndex, column.recordWidth, column.recordWidth == 1 ? "digit" : "digits"};
                case protocol::FieldEncoding::TwoDigitItemIndex:
                    return Limit{Travel::TwoDigitIndex, column.recordWidth, "digits"};
                case protocol::FieldEncoding::Text:
                    return Limit{Travel::Text, column.recordWidth, "characters", Padding::Decimal};
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
            if (byte == field.control) return Limit{Travel::Text, 2, "characters", Padding::Hexadecimal};
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

std::optional<std::string> PaddedForm(const Field& field, const Value& value) {
    const auto limit = LimitOf(field);
    const auto* text = std::get_if<std::string>(&value);
    if (!limit || limit->exact == Padding::None || !text || text->empty() || text->size() >= limit->width)
        return std::nullopt;
    const bool digits = std::all_of(text->begin(), text->end(), [&](char c) {
        const auto u = static_cast<unsigned char>(c);
        return limit->exact == Padding::Decimal ? std::isdigit(u) != 0 : std::isxdigit(u) != 0;
    });
    if (!digits) return std::nullopt;
    return std::string(limit->width - text->size(), '0') + *text;
}

std::optional<std::string> CarryBackFault(const Field& field, const Value& value) {
    const auto limit = LimitOf(field);
    const auto wire = WireForm(field, value);
    if (!limit || !wire) return std::nullopt;
    const auto* text = std::get_if<std::string>(&value);
    if (text && limit->exact != Padding::None && text->size() < limit->width) {
        // "10" in a coefficient: the converter's record holds 5 characters and
        // would report what follows it in their place.
        const bool decimal = !text->empty() && limit->exact == Padding::Decimal &&
                             std::all_of(text->begin(), text->end(), [](char c) { return c >= '0' && c <= '9'; });
        const auto padded = PaddedForm(field, value);
        const std::size_t n = text->size();
        return protocol::QuotedExcerpt(protocol::Latin1ToUtf8(*text)) + " has " + std::to_string(n) +
               (decimal ? (n == 1 ? " digit" : " digits") : (n == 1 ? " character" : " characters")) +
               ", the converter carries " + std::to_string(limit->width) + " (write " +
               (padded ? "\"" + *padded + "\""
                       : std::to_string(limit->width) + (limit->width == 1 ? " character" : " characters")) +
               ")";
    }
    const bool negative = !wire->empty() && wire->front() == '-';
    if (wire->size() <= limit->width && !(negative && limit->travel == Travel::Number)) return std::nullopt;
    const std::string shown = text ? protocol::QuotedExcerpt(protocol::Latin1ToUtf8(*text), '\'')
                                   : "item " + std::to_string(std::get<int>(value));
    const std::string carried = " the " + std::to_string(limit->width) + " " + limit->what +
                                " the converter's reply carries back";
    if (limit->travel == Travel::Number)
        return shown + " is not a number from 0 to " + std::string(limit->width, '9') + " (" + carried.substr(1) + ")";
    return shown + " travels as " + std::to_string(wire->size()) + " characters, more than" + carried;
}

}  // namespace commission
