// FindTag, its variant with a free position, and FieldAt on arbitrary text.
// The first byte picks the tag's length and free position; the tag is taken
// from the text itself half the time, so that it is often found.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "protocol/Protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::size_t tagLength = data[0] % 12;
    const std::size_t freePosition = data[1] % 14;  // sometimes beyond the tag
    const std::size_t offset = data[2] % 40, width = data[2] / 40;
    std::string_view rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    std::string_view tag = rest.substr(0, tagLength), text = rest.substr(tag.size());
    if (data[1] & 0x80) text = rest;  // the tag is part of the text

    const auto exact = protocol::FindTag(text, tag);
    if (tag.empty()) {  // an empty tag is found nowhere
        FUZZ_CHECK(!exact && !protocol::FindTagWithFreePosition(text, tag, freePosition));
        return 0;
    }
    if (exact) {
        FUZZ_CHECK(*exact + tag.size() <= text.size());
        FUZZ_CHECK(text.substr(*exact, tag.size()) == tag);
        FUZZ_CHECK(text.find(tag) == *exact);
    } else {
        FUZZ_CHECK(text.find(tag) == std::string_view::npos);
    }

    const auto free = protocol::FindTagWithFreePosition(text, tag, freePosition);
    if (free) {
        FUZZ_CHECK(*free + tag.size() <= text.size());
        for (std::size_t i = 0; i < tag.size(); ++i)
            FUZZ_CHECK(i == freePosition || text[*free + i] == tag[i]);
        if (exact) FUZZ_CHECK(*free <= *exact);
    } else {
        FUZZ_CHECK(!exact);
    }

    for (const auto position : {exact, free}) {
        if (!position) continue;
        const auto field = protocol::FieldAt(text, *position, offset, width);
        const std::size_t start = *position + offset;
        if (field) {
            FUZZ_CHECK(field->size() == width);
            FUZZ_CHECK(start + width <= text.size());
            FUZZ_CHECK(*field == text.substr(start, width));
        } else {
            FUZZ_CHECK(start + width > text.size());
        }
    }
    return 0;
}
