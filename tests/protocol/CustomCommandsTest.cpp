#include "protocol/CustomCommands.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <random>

using namespace protocol;

namespace {

Assignment Text(const char* control, std::string text) { return Assignment::SetText(control, std::move(text)); }
Assignment Index(const char* control, int index) { return Assignment::SetItemIndex(control, index); }
const Assignment ModeZero = Assignment::SetReplyMode(ReplyCode::None);

}  // namespace

TEST(CustomCommandReadBacks, EachRecordFillsItsGroupUpToACutOrABadNumber) {
    using A = std::vector<Assignment>;
    using Parse = ParseResult (*)(std::string_view);
    const Parse command = ParseCommandReadBack, rule = ParseParsingRuleReadBack;
    const struct Case {
        Parse parse;
        const char* text;
        A expected;
        std::optional<std::string> failed = std::nullopt;
    } cases[] = {
        {.parse = command, .text = "COMR2:1,08,0103000000044409",
         .expected = {Index("COMAD2", 1), Text("COMDDATA2", "0103000000044409"), ModeZero}},
        {.parse = command, .text = "xxCOMR6:0,02,ABCD#",
         .expected = {Index("COMAD6", 0), Text("COMDDATA6", "ABCD"), ModeZero}},
        {.parse = command, .text = "COMR1:0,00,", .expected = {Index("COMAD1", 0), Text("COMDDATA1", ""), ModeZero}},
        {.parse = command, .text = "COMR1:0,-1,0102",
         .expected = {Index("COMAD1", 0), Text("COMDDATA1", ""), ModeZero}},
        // A count of none empties the edit even when the text ends with the count.
        {.parse = command, .text = "COMR1:1,00", .expected = {Index("COMAD1", 1), Text("COMDDATA1", ""), ModeZero}},
        {.parse = command, .text = "COMR5:0,-1", .expected = {Index("COMAD5", 0), Text("COMDDATA5", ""), ModeZero}},
        {.parse = command, .text = "COMR3:7,01,ff",
         .expected = {Index("COMAD3", 7), Text("COMDDATA3", "ff"), ModeZero}},
        // Only the first record counts.
        {.parse = command, .text = "COMR4:1,01,AA COMR5:1,01,BB",
         .expected = {Index("COMAD4", 1), Text("COMDDATA4", "AA"), ModeZero}},
        // A number other than 1 to 6 changes nothing, and a later record is not looked for.
        {.parse = command, .text = "COMR7:1,01,AA COMR5:1,01,BB", .expected = {ModeZero}},
        {.parse = command, .text = "COMR0:1,01,AA", .expected = {ModeZero}},
        {.parse = command, .text = "COMR:1,01,AA", .expected = {ModeZero}},
        {.parse = command, .text = "no record", .expected = {ModeZero}},
        {.parse = command, .text = "", .expected = {ModeZero}},
        // A record cut short keeps what is whole.
        {.parse = command, .text = "COMR2:1,08,01030000", .expected = {Index("COMAD2", 1), ModeZero}},
        {.parse = command, .text = "COMR2:1,08,", .expected = {Index("COMAD2", 1), ModeZero}},
        {.parse = command, .text = "COMR2:1,0", .expected = {Index("COMAD2", 1), ModeZero}},
        {.parse = command, .text = "COMR2:1", .expected = {Index("COMAD2", 1), ModeZero}},
        {.parse = command, .text = "COMR2:", .expected = {ModeZero}},
        // A non-digit stops the parse and keeps the code (no ReplyMode: it stays 1501).
        {.parse = command, .text = "COMR2:x,08,0103000000044409", .expected = {}, .failed = "x"},
        {.parse = command, .text = "COMR2:1,0A,0103000000044409", .expected = {Index("COMAD2", 1)}, .failed = "0A"},
        {.parse = command, .text = "COMR2:1, 8,0103000000044409", .expected = {Index("COMAD2", 1)}, .failed = " 8"},
        // Parsing rules: three byte edits, taken as text.
        {.parse = rule, .text = "COMP03:0A0304",
         .expected = {Text("CCOMBY1", "0A"), Text("CCOMBY2", "03"), Text("CCOMBY3", "04"), ModeZero}},
        {.parse = rule, .text = "HQLNVE#COMP01:zz 1--#",
         .expected = {Text("ACOMBY1", "zz"), Text("ACOMBY2", " 1"), Text("ACOMBY3", "--"), ModeZero}},
        {.parse = rule, .text = "COMP06:010203COMP05:040506",
         .expected = {Text("FCOMBY1", "01"), Text("FCOMBY2", "02"), Text("FCOMBY3", "03"), ModeZero}},
        {.parse = rule, .text = "COMP03:0A03", .expected = {Text("CCOMBY1", "0A"), Text("CCOMBY2", "03"), ModeZero}},
        {.parse = rule, .text = "COMP03:0", .expected = {ModeZero}},
        {.parse = rule, .text = "COMP09:010203", .expected = {ModeZero}},
        {.parse = rule, .text = "COMP10:010203", .expected = {ModeZero}},
        {.parse = rule, .text = "COMR1:0,00,", .expected = {ModeZero}},
        {.parse = rule, .text = "", .expected = {ModeZero}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto result = c.parse(c.text);
        EXPECT_EQ(result.assignments, c.expected);
        EXPECT_EQ(result.failedText, c.failed);
    }
}

namespace {

template <typename Parse>
ParseResult ParseExact(Parse parse, std::string_view text) {
    auto buffer = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), buffer.get());
    return parse(std::string_view(buffer.get(), text.size()));
}

// At most one group's controls, and ReplyMode 0 last unless a conversion failed.
void ExpectOneGroupAndEnding(const ParseResult& result) {
    std::string group;
    for (std::size_t i = 0; i < result.assignments.size(); ++i) {
        const auto& a = result.assignments[i];
        if (a.kind == Assignment::Kind::ReplyMode) {
            EXPECT_EQ(i + 1, result.assignments.size());
            EXPECT_EQ(a.value, 0);
            continue;
        }
        std::string digit(1, a.control.back());
        if (a.control.starts_with("COMAD") || a.control.starts_with("COMDDATA")) {
            if (group.empty()) group = digit;
            EXPECT_EQ(digit, group) << a.control;
        } else {
            EXPECT_EQ(a.text.size(), 2u);
        }
    }
    bool ended = !result.assignments.empty() &&
                 result.assignments.back().kind == Assignment::Kind::ReplyMode;
    EXPECT_NE(ended, result.failedText.has_value());
}

}  // namespace

TEST(CustomCommandReadBacks, RandomTextsAreReadWithinTheirBounds) {
    const std::string pieces[] = {"COMR", "COMP0", "1", "6", "9", ":", ",", "08", "-1", "x", "AB",
                                  std::string(1, '\0'), "0103000000044409"};
    std::mt19937 random(1502);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        int count = std::uniform_int_distribution(0, 10)(random);
        for (int i = 0; i < count; ++i)
            text += pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random)];
        SCOPED_TRACE(text);
        ExpectOneGroupAndEnding(ParseExact(ParseCommandReadBack, text));
        auto rule = ParseExact(ParseParsingRuleReadBack, text);
        ExpectOneGroupAndEnding(rule);
        EXPECT_FALSE(rule.failedText);
        if (HasFailure()) break;
    }
}

TEST(CustomCommandReadBacks, EveryCutOfARecordIsReadWithinItsBounds) {
    const std::string full = "COMR5:1,08,0103000000044409COMP05:0A0304";
    for (std::size_t n = 0; n <= full.size(); ++n) {
        SCOPED_TRACE(n);
        auto part = std::string_view(full).substr(0, n);
        auto command = ParseExact(ParseCommandReadBack, part);
        EXPECT_FALSE(command.failedText);
        ASSERT_FALSE(command.assignments.empty());
        EXPECT_EQ(command.assignments.back(), ModeZero);
        EXPECT_EQ(command.assignments.size(), n < 7 ? 1u : n < 27 ? 2u : 3u);
        auto rule = ParseExact(ParseParsingRuleReadBack, part);
        std::size_t ruleStart = 27;
        std::size_t bytes = n < ruleStart + 7 ? 0 : std::min<std::size_t>(3, (n - ruleStart - 7) / 2);
        EXPECT_EQ(rule.assignments.size(), bytes + 1);
    }
}
