#include "commission/FieldLimits.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "protocol/Excerpt.h"
#include "protocol/Latin1.h"
#include "protocol/Protocol.h"

namespace commission {
namespace {

using protocol::Travel;

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

std::optional<Limit> LimitOf(const Field& field) {
    switch (field.travel) {
        case Travel::Number:
        case Travel::TwoDigitIndex:
        case Travel::PaddedIndex: return Limit{field.travel, field.width, "digits"};
        case Travel::ItemIndex: return Limit{field.travel, field.width, field.width == 1 ? "digit" : "digits"};
        case Travel::Text:
            return Limit{field.travel, field.width, "characters",
                         field.hexadecimal ? Padding::Hexadecimal : Padding::Decimal};
        case Travel::CountedData: return Limit{Travel::Text, field.width, "hexadecimal characters"};
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> WireForm(const Field& field, const Value& value) {
    return protocol::WireValue(field.travel, field.width, value);
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
