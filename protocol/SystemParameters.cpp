#include "protocol/SystemParameters.h"

#include <algorithm>

namespace protocol {

std::string ParameterQueryCommand() { return ComposeCommand(QueryPrefix, "QX1"); }

namespace {

// The first occurrence of `tag` that is not the end of one of the longer tags.
std::optional<std::size_t> FindRecordTag(std::string_view text, std::string_view tag,
                                         const std::vector<std::string_view>& longer) {
    for (std::size_t from = 0;;) {
        const std::size_t p = text.find(tag, from);
        if (p == std::string_view::npos) return std::nullopt;
        const bool inLonger = std::any_of(longer.begin(), longer.end(), [&](std::string_view other) {
            const std::size_t head = other.size() - tag.size();
            return p >= head && text.substr(p - head, head) == other.substr(0, head);
        });
        if (!inLonger) return p;
        from = p + 1;
    }
}

}  // namespace

ParseResult ParseSystemParameters(std::string_view text, const CommandTable& parameters) {
    const auto records = ReportedCommands(parameters);

    ParseResult result;
    for (const ConverterCommand* record : records) {
        std::vector<std::string_view> longer;
        for (const ConverterCommand* other : records)
            if (other->tag.size() > record->tag.size() && other->tag.ends_with(record->tag))
                longer.push_back(other->tag);
        const auto position = FindRecordTag(text, record->tag, longer);
        if (!position) continue;
        RecordReader reader(text, *position, result);
        for (const CommandField& f : record->fields) {
            const bool taken = f.IsIndex() ? reader.ItemIndex(f.offset, f.width, f.control)
                                           : reader.Text(f.offset, f.width, f.control);
            if (!taken) break;
        }
        if (reader.failed()) break;
    }
    return result;
}

}  // namespace protocol
