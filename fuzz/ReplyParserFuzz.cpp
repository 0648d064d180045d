// One reply parser on arbitrary text; REPLY_CODE picks which. Whatever the
// text, the parser reads inside it, and every text it assigns comes from it.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "protocol/ParseReply.h"

namespace {

protocol::ParseResult Parse(std::string_view text) {
    static_assert(protocol::reply::IsParsed(REPLY_CODE));
    return *protocol::ParseReply(REPLY_CODE, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto result = Parse(text);
    using Kind = protocol::Assignment::Kind;
    for (const auto& a : result.assignments) {
        if (a.kind == Kind::ReplyMode) {
            FUZZ_CHECK(a.control.empty());
            FUZZ_CHECK(a.value == protocol::Code(protocol::ReplyCode::None));
            continue;
        }
        FUZZ_CHECK(!a.control.empty());
        if (a.kind == Kind::Text) FUZZ_CHECK(text.find(a.text) != std::string_view::npos);
    }
    if (result.failedText) FUZZ_CHECK(text.find(*result.failedText) != std::string_view::npos);
    return 0;
}
