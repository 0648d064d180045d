#include "protocol/SystemParameters.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <random>

using namespace protocol;

namespace {

Assignment Text(const char* control, const char* text) { return Assignment::SetText(control, text); }
Assignment Index(const char* control, int index) { return Assignment::SetItemIndex(control, index); }

}  // namespace

TEST(SystemParameterReply, FieldsAreFilledInTagOrderUpToACutOrABadIndex) {
    using A = std::vector<Assignment>;
    const struct Case {
        std::string text;
        A expected;
        std::optional<std::string> failed = std::nullopt;
    } cases[] = {
        {.text = "ADR:005,MDO:1,JTM:020,STM:030,02,BADR:00100,00200",
         .expected = {Text("Edit1", "005"), Index("ComboBox4", 1), Text("Edit2", "020"), Text("Edit3", "030"),
                      Index("SENDXIEYI", 2), Text("ADBESARD", "00100"), Text("PUBESARD", "00200")}},
        // Line settings are found inside the set words.
        {.text = "MR485B:0,1,0,MR485Z:4,2,1;R485A:5,0,1",
         .expected = {Index("ZMR485BT", 4), Index("ZMR485JN", 2), Index("ZRS485STOP", 1), Index("AMR485BT", 5),
                      Index("AMR485JN", 0), Index("ARS485STOP", 1), Index("BMR485BT", 0), Index("BMR485JN", 1),
                      Index("BRS485STOP", 0)}},
        // The slave address is never taken from the base addresses.
        {.text = "BADR:00100,00200,ADR:005",
         .expected = {Text("Edit1", "005"), Text("ADBESARD", "00100"), Text("PUBESARD", "00200")}},
        {.text = "BADR:00100,00200", .expected = {Text("ADBESARD", "00100"), Text("PUBESARD", "00200")}},
        {.text = "BADR:00100,00200,BADR:1", .expected = {Text("ADBESARD", "00100"), Text("PUBESARD", "00200")}},
        {.text = "ADR:009,BADR:12345,54321",
         .expected = {Text("Edit1", "009"), Text("ADBESARD", "12345"), Text("PUBESARD", "54321")}},
        {.text = "xADR:003", .expected = {Text("Edit1", "003")}},
        // Text fields are copied as received.
        {.text = std::string("ADR:a\0z,JTM:-1 ", 15),
         .expected = {Assignment::SetText("Edit1", std::string("a\0z", 3)), Text("Edit2", "-1 ")}},
        // A non-digit index stops the parse, keeping the fields before it.
        {.text = "ADR:005,MDO:x,JTM:020", .expected = {Text("Edit1", "005")}, .failed = "x"},
        {.text = "MDO:x,ADR:005", .expected = {Text("Edit1", "005")}, .failed = "x"},  // tags in their own order
        {.text = "ADR:005,STM:030,A2,JTM:020",
         .expected = {Text("Edit1", "005"), Text("Edit2", "020"), Text("Edit3", "030")}, .failed = "A2"},
        {.text = "STM:030, 2,BADR:00100,00200", .expected = {Text("Edit3", "030")}, .failed = " 2"},
        {.text = "R485Z:1,?,0,R485A:1,1,1", .expected = {Index("ZMR485BT", 1)}, .failed = "?"},
        {.text = "MDO:-", .expected = {}, .failed = "-"},
        // A record cut short by the end of the text is skipped from that field.
        {.text = "MDO:1,ADR:00", .expected = {Index("ComboBox4", 1)}},
        {.text = "STM:030,0", .expected = {Text("Edit3", "030")}},
        {.text = "STM:03", .expected = {}},
        {.text = "BADR:00100,002", .expected = {Text("ADBESARD", "00100")}},
        {.text = "R485B:1,2,", .expected = {Index("BMR485BT", 1), Index("BMR485JN", 2)}},
        {.text = "ADR:", .expected = {}},
        {.text = "", .expected = {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto result = ParseSystemParameters(c.text);
        EXPECT_EQ(result.assignments, c.expected);
        EXPECT_EQ(result.failedText, c.failed);
    }
}

namespace {

// Parses a copy of `text` in a buffer of exactly its size, so a read past the
// end is caught by the address sanitizer.
ParseResult ParseExact(std::string_view text) {
    auto buffer = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), buffer.get());
    return ParseSystemParameters(std::string_view(buffer.get(), text.size()));
}

bool IsSubsequence(const std::vector<Assignment>& part, const std::vector<Assignment>& whole) {
    std::size_t i = 0;
    for (const auto& a : whole)
        if (i < part.size() && part[i] == a) ++i;
    return i == part.size();
}

}  // namespace

TEST(SystemParameterReply, EveryCutOfAFullReplyYieldsPartOfTheFullParse) {
    const std::string full =
        "ADR:005,MDO:1,JTM:020,STM:030,02,BADR:00100,00200,MR485Z:4,2,1,MR485A:0,1,0,MR485B:2,0,1#";
    auto whole = ParseExact(full);
    ASSERT_FALSE(whole.failedText);
    ASSERT_EQ(whole.assignments.size(), 16u);
    for (std::size_t n = 0; n <= full.size(); ++n) {
        SCOPED_TRACE(n);
        auto part = ParseExact(std::string_view(full).substr(0, n));
        EXPECT_FALSE(part.failedText);
        EXPECT_TRUE(IsSubsequence(part.assignments, whole.assignments));
    }
}

TEST(SystemParameterReply, RandomTextsAreReadWithinTheirBounds) {
    const std::string pieces[] = {"ADR:", "BADR:", "MDO:", "JTM:", "STM:", "R485Z:", "MR485A:",
                                  "R485B:", "0",    "12",    ",",    "x",    "-",    std::string(1, '\0')};
    std::mt19937 random(20240127);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        int count = std::uniform_int_distribution(0, 12)(random);
        for (int i = 0; i < count; ++i)
            text += pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random)];
        auto result = ParseExact(text);
        for (const auto& a : result.assignments) {
            ASSERT_NE(a.kind, Assignment::Kind::ReplyMode);
            if (a.kind == Assignment::Kind::Text) {
                ASSERT_LE(a.text.size(), 5u);
                ASSERT_NE(text.find(a.text), std::string::npos);
            }
        }
        if (result.failedText) {
            ASSERT_LE(result.failedText->size(), 2u);
            ASSERT_NE(text.find(*result.failedText), std::string::npos);
        }
    }
}
