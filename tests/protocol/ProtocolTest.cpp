#include "protocol/Protocol.h"

#include <gtest/gtest.h>

#include <climits>

using namespace protocol;

TEST(FieldEncodings, WriteValuesAsTheConverterReadsThem) {
    EXPECT_EQ(ItemIndexField(0), "0");
    EXPECT_EQ(ItemIndexField(3), "3");
    EXPECT_EQ(ItemIndexField(-1), "-1");

    EXPECT_EQ(TwoDigitItemIndexField(0), "00");
    EXPECT_EQ(TwoDigitItemIndexField(9), "09");
    EXPECT_EQ(TwoDigitItemIndexField(10), "10");
    EXPECT_EQ(TwoDigitItemIndexField(24), "24");
    EXPECT_EQ(TwoDigitItemIndexField(-1), "0-1");  // no selection keeps the leading "0"

    EXPECT_EQ(PaddedNumber(7, 3), "007");
    EXPECT_EQ(PaddedNumber(0, 5), "00000");
    EXPECT_EQ(PaddedNumber(1234, 3), "1234");
    EXPECT_EQ(PaddedNumber(-5, 3), "-005");
    EXPECT_EQ(PaddedNumber(-1, 2), "-01");
    EXPECT_EQ(PaddedNumber(INT_MIN, 3), "-2147483648");
    EXPECT_EQ(PaddedNumber(12345678, 8), "12345678");
}

TEST(IntegerConversion, AcceptsSignedDecimalWithin32Bits) {
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt("007"), 7);
    EXPECT_EQ(StrToInt("+12"), 12);
    EXPECT_EQ(StrToInt("-5"), -5);
    EXPECT_EQ(StrToInt("2147483647"), INT_MAX);
    EXPECT_EQ(StrToInt("-2147483648"), INT_MIN);
}

TEST(IntegerConversion, RejectsEverythingElseWithTheTextAsGiven) {
    for (std::string_view bad : std::initializer_list<std::string_view>{"", " ", " 1", "1 ", "-", "+", "1a", "x", "0x1A", "$1A",
                                 "2147483648", "-2147483649", "99999999999999999999", "1.5"}) {
        SCOPED_TRACE(std::string(bad));
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.what(), "'" + std::string(bad) + "' is not a valid integer value");
            EXPECT_EQ(e.Text(), bad);
        }
    }
}

TEST(IntegerConversion, NulByteIsACharacterLikeAnyOther) {
    EXPECT_EQ(TryStrToInt(std::string_view("1\0", 2)), std::nullopt);
    EXPECT_THROW(StrToInt(std::string_view("\0", 1)), EConvertError);
}

TEST(CommandComposition, PrefixWordFieldsAndTerminator) {
    EXPECT_EQ(ComposeCommand(QueryPrefix, "VAR"), "PPPPPP#VAR#");
    EXPECT_EQ(ComposeCommand(SetPrefix, "RESET"), "HQLNVE#RESET#");
    EXPECT_EQ(ComposeCommand(SetPrefix, "RESET").size(), 13u);
    EXPECT_EQ(ComposeCommand(SetPrefix, "MR485Z", {"3", "0", "0"}), "HQLNVE#MR485Z:3,0,0#");
    EXPECT_EQ(ComposeCommand(SetPrefix, "COMP01", {"01", "03", "00"}, ""), "HQLNVE#COMP01:010300#");
    // An empty field still takes its place between separators.
    EXPECT_EQ(ComposeCommand(SetPrefix, "X", {"1", "", "2"}), "HQLNVE#X:1,,2#");
}

TEST(FindTag, FirstExactCaseSensitiveOccurrenceFromTheStart) {
    EXPECT_EQ(FindTag("ADR:005,MDO:1", "ADR:"), 0u);
    EXPECT_EQ(FindTag("ADR:005,MDO:1", "MDO:"), 8u);
    EXPECT_EQ(FindTag("adr:005", "ADR:"), std::nullopt);
    EXPECT_EQ(FindTag("ADR", "ADR:"), std::nullopt);
    EXPECT_EQ(FindTag("", "ADR:"), std::nullopt);
    // A tag inside a longer tag is found there: "ADR:" inside "BADR:".
    EXPECT_EQ(FindTag("BADR:00100,00200,ADR:005", "ADR:"), 1u);
    EXPECT_EQ(FindTag("MR485Z:3,0,0", "R485Z:"), 1u);
    // Bytes past 127 and NUL are ordinary characters.
    EXPECT_EQ(FindTag(std::string_view("\0\xff" "ADR:", 6), "ADR:"), 2u);
}

TEST(FindTag, OneFreePositionMatchesAnyCharacter) {
    EXPECT_EQ(FindTagWithFreePosition("xxCOMR2:1,08,01", "COMR?:", 4), 2u);
    EXPECT_EQ(FindTagWithFreePosition("COMR:1", "COMR?:", 4), std::nullopt);
    EXPECT_EQ(FindTagWithFreePosition("COMP07:aabbcc COMP01:", "COMP0?:", 5), 0u);
    EXPECT_EQ(FindTagWithFreePosition("comr1:", "COMR?:", 4), std::nullopt);
    EXPECT_EQ(FindTagWithFreePosition("COMR", "COMR?:", 4), std::nullopt);
}

TEST(FieldAt, NeverReadsPastTheText) {
    std::string_view text = "ADR:005";
    EXPECT_EQ(FieldAt(text, 0, 4, 3), "005");
    EXPECT_EQ(FieldAt(text, 0, 4, 4), std::nullopt);
    EXPECT_EQ(FieldAt(text, 0, 7, 1), std::nullopt);
    EXPECT_EQ(FieldAt(text, 0, 7, 0), "");
    EXPECT_EQ(FieldAt(text, 5, 4, 1), std::nullopt);
    EXPECT_EQ(FieldAt(text, 100, 0, 1), std::nullopt);
    EXPECT_EQ(FieldAt(text, 0, static_cast<std::size_t>(-1), 2), std::nullopt);
}

TEST(RecordReader, CutShortFieldStopsTheRecordWithoutError) {
    ParseResult result;
    std::string_view text = "T:1,ab";
    RecordReader r(text, 0, result);
    EXPECT_TRUE(r.ItemIndex(2, 1, "Box"));
    EXPECT_FALSE(r.Text(4, 3, "Edit"));  // only "ab" is there
    EXPECT_FALSE(r.Text(4, 1, "Later"));  // nothing after a cut-short field is taken
    EXPECT_TRUE(r.stopped());
    EXPECT_FALSE(r.failed());
    ASSERT_EQ(result.assignments.size(), 1u);
    EXPECT_EQ(result.assignments[0], Assignment::SetItemIndex("Box", 1));
}

TEST(RecordReader, NonDigitStopsWithTheOffendingCharacters) {
    ParseResult result;
    RecordReader r("T:5,2x,9", 0, result);
    EXPECT_TRUE(r.Text(2, 1, "First"));
    EXPECT_FALSE(r.ItemIndex(4, 2, "Box"));
    EXPECT_FALSE(r.Text(7, 1, "Later"));
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(result.failedText, "2x");
    EXPECT_EQ(result.assignments, std::vector{Assignment::SetText("First", "5")});
}
