#include "protocol/ChannelProtocol.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <cstring>
#include <set>

using namespace protocol;

namespace {

const ChannelTable& Analog = AnalogChannels();
const ChannelTable& Totalizer = TotalizerChannels();

// The assignments that a record with these fields (the first ones of seven) gives to `channel`.
std::vector<Assignment> Record(const ChannelTable& table, int channel,
                               const std::vector<std::string>& fields) {
    std::vector<Assignment> out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto& column = table.columns[i];
        const std::string name = ControlName(column, channel);
        out.push_back(column.IsComboBox() ? Assignment::SetItemIndex(name, std::stoi(fields[i]))
                                          : Assignment::SetText(name, fields[i]));
    }
    return out;
}

std::vector<Assignment> Join(std::initializer_list<std::vector<Assignment>> parts) {
    std::vector<Assignment> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

const std::vector<Assignment> ReplyModeZero = {Assignment::SetReplyMode(ReplyCode::None)};

}  // namespace

TEST(ChannelTables, DataTypeListsAgreeUpTo17AndDifferFrom18On) {
    const auto& analog = Analog.columns[3].items;
    const auto& totalizer = Totalizer.columns[3].items;
    ASSERT_EQ(analog.size(), 25u);
    ASSERT_EQ(totalizer.size(), 25u);
    for (std::size_t i = 0; i < 25; ++i) {
        SCOPED_TRACE(i);
        // Every item starts with its own index and a "-".
        EXPECT_EQ(analog[i].rfind(std::to_string(i) + "-", 0), 0u);
        EXPECT_EQ(totalizer[i].rfind(std::to_string(i) + "-", 0), 0u);
        if (i <= 17)
            EXPECT_EQ(analog[i], totalizer[i]);
        else
            EXPECT_NE(analog[i], totalizer[i]);
    }
    // Full-width parentheses in items 0 to 2, and closing item 16 only.
    EXPECT_EQ(analog[0], "0-Float\uFF084321\uFF09");
    EXPECT_EQ(analog[2], "2-Float\uFF081234\uFF09");
    EXPECT_EQ(analog[16], "16-Double(low high order\uFF09");
    EXPECT_EQ(analog[15], "15-Double(high low order)");
    EXPECT_EQ(analog[24], "24-Scientific notation (3 decimal places)");
    EXPECT_EQ(totalizer[24], "24-Bit Shifting");
}

TEST(ChannelReply, AnalogExampleChangesRowThreeOnly) {
    auto result = ParseChannelReply(Analog, "ZDAD03:2,005,2,11,00010,004,1");
    EXPECT_FALSE(result.failedText);
    EXPECT_EQ(result.assignments,
              Join({Record(Analog, 3, {"2", "005", "2", "11", "00010", "004", "1"}), ReplyModeZero,
                    ReplyModeZero}));
}

TEST(ChannelReply, TotalizerExampleChangesRowThreeOnly) {
    auto result = ParseChannelReply(Totalizer, "ZDPD03:2,005,4,11,00010,040,1");
    EXPECT_FALSE(result.failedText);
    EXPECT_EQ(result.assignments,
              Join({Record(Totalizer, 3, {"2", "005", "4", "11", "00010", "040", "1"}), ReplyModeZero}));
}

TEST(ChannelReply, AnalogReturnsReplyModeAfterTheFourthChannelInItsPlace) {
    auto result = ParseChannelReply(
        Analog, "ZDAD06:1,002,4,03,00100,010,0,ZDAD02:3,009,1,24,00002,001,1,ZDAD04:0,001,4,00,00001,008,0");
    EXPECT_FALSE(result.failedText);
    EXPECT_EQ(result.assignments,
              Join({Record(Analog, 2, {"3", "009", "1", "24", "00002", "001", "1"}),
                    Record(Analog, 4, {"0", "001", "4", "00", "00001", "008", "0"}), ReplyModeZero,
                    Record(Analog, 6, {"1", "002", "4", "03", "00100", "010", "0"}), ReplyModeZero}));
}

TEST(ChannelReply, SeparatorsAreNotExamined) {
    auto commas = ParseChannelReply(Analog, "ZDAD05:1,002,4,03,00100,010,0");
    auto semicolons = ParseChannelReply(Analog, "ZDAD05:1;002;4;03;00100;010;0");
    EXPECT_EQ(semicolons.assignments, commas.assignments);
    EXPECT_EQ(semicolons.assignments.size(), 9u);
    // Nor is anything after the record's last field.
    EXPECT_EQ(ParseChannelReply(Totalizer, "xxZDPD05:1|002|4|03|00100|010|0").assignments,
              Join({Record(Totalizer, 5, {"1", "002", "4", "03", "00100", "010", "0"}), ReplyModeZero}));
}

TEST(ChannelReply, NearMissTagsChangeNothingButReplyModeStillReturns) {
    for (std::string_view text : {"ZDAD1:1,002,4,03,00100,010,0", "zdad01:1,002,4,03,00100,010,0",
                                  "ZDAD01 1,002,4,03,00100,010,0", "ZDAD17:1,002,4,03,00100,010,0",
                                  "ZDPD01:1,002,4,03,00100,010,0", ""}) {
        SCOPED_TRACE(std::string(text));
        EXPECT_EQ(ParseChannelReply(Analog, text).assignments, Join({ReplyModeZero, ReplyModeZero}));
    }
    for (std::string_view text : {"ZDPU01:1,002,4,03,00100,010,0", "ZDAD01:1,002,4,03,00100,010,0",
                                  "zdpd01:1,002,4,03,00100,010,0", "ZDPD13:1,002,4,03,00100,010,0"}) {
        SCOPED_TRACE(std::string(text));
        EXPECT_EQ(ParseChannelReply(Totalizer, text).assignments, ReplyModeZero);
    }
}

TEST(ChannelReply, OnlyTheFirstOccurrenceOfATagCounts) {
    auto result = ParseChannelReply(Totalizer, "ZDPD02:1,007,4,05,00001,016,0 ZDPD02:2,008,3,06,00002,017,1");
    EXPECT_EQ(result.assignments,
              Join({Record(Totalizer, 2, {"1", "007", "4", "05", "00001", "016", "0"}), ReplyModeZero}));
}

TEST(ChannelReply, ConversionErrorStopsTheParseWithEarlierFieldsKept) {
    const std::string row1 = "ZDAD01:1,002,4,03,00100,010,0";
    const std::string row7 = "ZDAD07:1,002,4,03,00100,010,0";

    // In channel 2: before the return after channel 4, so ReplyMode stays 202.
    auto early = ParseChannelReply(Analog, row7 + row1 + "ZDAD02:3,005,2,2x,00010,004,1");
    EXPECT_EQ(early.failedText, "2x");
    auto kept = Record(Analog, 2, {"3", "005", "2"});
    EXPECT_EQ(early.assignments,
              Join({Record(Analog, 1, {"1", "002", "4", "03", "00100", "010", "0"}), kept}));

    // In channel 6: after it, so ReplyMode is already 0.
    auto late = ParseChannelReply(Analog, row7 + row1 + "ZDAD06:3,005,2,2x,00010,004,1");
    EXPECT_EQ(late.failedText, "2x");
    auto kept6 = Record(Analog, 6, {"3", "005", "2"});
    EXPECT_EQ(late.assignments,
              Join({Record(Analog, 1, {"1", "002", "4", "03", "00100", "010", "0"}), ReplyModeZero, kept6}));

    // The totalizer parser returns ReplyMode only at its end: an error anywhere keeps 203.
    auto totalizer = ParseChannelReply(Totalizer, "ZDPD11:x,005,2,11,00010,004,1");
    EXPECT_EQ(totalizer.failedText, "x");
    EXPECT_TRUE(totalizer.assignments.empty());
    // A blank or sign is no digit either; the last field fails just the same.
    EXPECT_EQ(ParseChannelReply(Totalizer, "ZDPD01:1,005,2, 1,00010,004,1").failedText, " 1");
    auto lastField = ParseChannelReply(Analog, "ZDAD16:1,005,2,11,00010,004,-");
    EXPECT_EQ(lastField.failedText, "-");
    EXPECT_EQ(lastField.assignments.size(), 1u + 6u);
}

TEST(ChannelReply, RecordCutShortKeepsItsWholeFieldsAndTheParseGoesOn) {
    struct Case {
        const char* tail;  // the last record, cut short by the end of the text
        std::size_t fieldsTaken;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"ZDAD01:", 0},
             {"ZDAD01:1", 1},
             {"ZDAD01:1,00", 1},
             {"ZDAD01:1,002", 2},
             {"ZDAD01:1,002,4,0", 3},
             {"ZDAD01:1,002,4,03,0010", 4},
             {"ZDAD01:1,002,4,03,00100,010,", 6},
         }) {
        SCOPED_TRACE(c.tail);
        // Channel 9's record stands before channel 1's and is still read.
        auto result = ParseChannelReply(Analog, std::string("ZDAD09:1,002,4,03,00100,010,1") + c.tail);
        EXPECT_FALSE(result.failedText);
        auto row1 = Record(Analog, 1, {"1", "002", "4", "03", "00100", "010", "0"});
        row1.resize(c.fieldsTaken);
        EXPECT_EQ(result.assignments,
                  Join({row1, ReplyModeZero, Record(Analog, 9, {"1", "002", "4", "03", "00100", "010", "1"}),
                        ReplyModeZero}));
    }
}

TEST(ChannelReply, NeverReadsPastTheText) {
    // The text ends inside channel 5's data type; what lies beyond it in memory
    // would make a whole record, and must not be taken.
    const std::string memory = "ZDPD05:4,123,8,21,00009,030,1";
    std::string_view text(memory.data(), 16);
    auto result = ParseChannelReply(Totalizer, text);
    auto expected = Record(Totalizer, 5, {"4", "123", "8"});
    EXPECT_EQ(result.assignments, Join({expected, ReplyModeZero}));

    // A text in a heap block of its exact size, so a sanitizer build catches any overrun.
    for (std::size_t length = 0; length <= memory.size(); ++length) {
        auto block = std::make_unique<char[]>(length ? length : 1);
        std::memcpy(block.get(), memory.data(), length);
        auto parsed = ParseChannelReply(Totalizer, std::string_view(block.get(), length));
        EXPECT_FALSE(parsed.failedText);
    }
}
