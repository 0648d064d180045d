#include "protocol/Protocol.h"

#include <charconv>
#include <cstdlib>

namespace protocol {

EConvertError::EConvertError(std::string_view offendingText)
    : std::runtime_error("'" + std::string(offendingText) + "' is not a valid integer value"),
      text_(offendingText) {}

std::optional<int> TryStrToInt(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 2147483648LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > 2147483647LL || value < -2147483648LL) return std::nullopt;
    return static_cast<int>(value);
}

int StrToInt(std::string_view text) {
    if (auto v = TryStrToInt(text)) return *v;
    throw EConvertError(text);
}

std::string ItemIndexField(int index) { return std::to_string(index); }

std::string TwoDigitItemIndexField(int index) {
    return index > 9 ? std::to_string(index) : "0" + std::to_string(index);
}

std::string PaddedNumber(int value, int digits) {
    long long v = value;
    std::string body = std::to_string(v < 0 ? -v : v);
    if (static_cast<int>(body.size()) < digits) body.insert(0, digits - body.size(), '0');
    return v < 0 ? "-" + body : body;
}

std::string ComposeCommand(std::string_view prefix, std::string_view word,
                           const std::vector<std::string>& fields, std::string_view separator) {
    std::string command(prefix);
    command += word;
    if (!fields.empty()) {
        command += ':';
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i) command += separator;
            command += fields[i];
        }
    }
    command += '#';
    return command;
}

std::optional<std::size_t> FindTag(std::string_view text, std::string_view tag) {
    if (tag.empty()) return std::nullopt;
    auto pos = text.find(tag);
    if (pos == std::string_view::npos) return std::nullopt;
    return pos;
}

std::optional<std::size_t> FindTagWithFreePosition(std::string_view text, std::string_view tag,
                                                   std::size_t freePosition) {
    if (tag.empty() || tag.size() > text.size()) return std::nullopt;
    for (std::size_t p = 0; p + tag.size() <= text.size(); ++p) {
        bool match = true;
        for (std::size_t k = 0; k < tag.size() && match; ++k)
            match = k == freePosition || text[p + k] == tag[k];
        if (match) return p;
    }
    return std::nullopt;
}

std::optional<std::string_view> FieldAt(std::string_view text, std::size_t tagPosition,
                                        std::size_t offset, std::size_t width) {
    if (tagPosition > text.size()) return std::nullopt;
    std::size_t start = tagPosition + offset;
    if (start > text.size() || width > text.size() - start) return std::nullopt;
    return text.substr(start, width);
}

Assignment Assignment::SetText(std::string control, std::string text) {
    return {Kind::Text, std::move(control), std::move(text), 0};
}
Assignment Assignment::SetItemIndex(std::string control, int index) {
    return {Kind::ItemIndex, std::move(control), {}, index};
}
Assignment Assignment::SetReplyMode(ReplyCode code) { return {Kind::ReplyMode, {}, {}, Code(code)}; }

bool RecordReader::Text(std::size_t offset, std::size_t width, const std::string& control) {
    if (stopped_) return false;
    auto field = FieldAt(text_, tag_, offset, width);
    if (!field) return !(stopped_ = true);
    result_.assignments.push_back(Assignment::SetText(control, std::string(*field)));
    return true;
}

std::optional<int> RecordReader::Integer(std::size_t offset, std::size_t width) {
    if (stopped_) return std::nullopt;
    auto field = FieldAt(text_, tag_, offset, width);
    if (!field) {
        stopped_ = true;
        return std::nullopt;
    }
    auto value = TryStrToInt(*field);
    if (!value) {
        stopped_ = true;
        result_.failedText = std::string(*field);
    }
    return value;
}

bool RecordReader::ItemIndex(std::size_t offset, std::size_t width, const std::string& control) {
    auto value = Integer(offset, width);
    if (!value) return false;
    result_.assignments.push_back(Assignment::SetItemIndex(control, *value));
    return true;
}

}  // namespace protocol
