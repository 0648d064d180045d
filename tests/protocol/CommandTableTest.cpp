#include "protocol/CommandTable.h"

#include <gtest/gtest.h>

using namespace protocol;

namespace {

// The command `word` composed from values given in field order.
std::optional<std::string> Compose(const std::string& word, const std::vector<ColumnValue>& values) {
    const ConverterCommand* command = FindCommand(AllSetCommands(), word);
    if (!command) throw std::invalid_argument("no command " + word);
    std::size_t next = 0;
    return ComposeSet(*command, [&](const CommandField&) { return values.at(next++); });
}

std::vector<ColumnValue> Initial(const std::string& word) {
    std::vector<ColumnValue> values;
    for (const auto& field : FindCommand(AllSetCommands(), word)->fields) values.push_back(field.initial);
    return values;
}

}  // namespace

TEST(SetCommands, EachFieldTravelsInItsOwnForm) {
    const struct Case {
        std::string word;
        std::vector<ColumnValue> values;
        std::optional<std::string> bytes;
    } cases[] = {
        {.word = "BADR", .values = Initial("BADR"), .bytes = "HQLNVE#BADR:00000,00000#"},
        {.word = "PCBSN", .values = Initial("PCBSN"), .bytes = "PPPPPP#PCBSN:00000000,001#"},
        {.word = "ADR", .values = {"7"}, .bytes = "HQLNVE#ADR:007#"},
        {.word = "ADR", .values = {"1234"}, .bytes = "HQLNVE#ADR:1234#"},  // pasted past the key filter
        {.word = "ADR", .values = {"-1"}, .bytes = "HQLNVE#ADR:-001#"},
        {.word = "BADR", .values = {"100", "+200"}, .bytes = "HQLNVE#BADR:00100,00200#"},
        {.word = "JTM", .values = {"5"}, .bytes = "HQLNVE#JTM:005#"},
        {.word = "STM", .values = {"30", 2}, .bytes = "HQLNVE#STM:030,02#"},
        {.word = "STM", .values = {"10", -1}, .bytes = "HQLNVE#STM:010,-01#"},  // frame type typed over
        {.word = "MDO", .values = {-1}, .bytes = "HQLNVE#MDO:-1#"},
        {.word = "MR485A", .values = {4, 2, 1}, .bytes = "HQLNVE#MR485A:4,2,1#"},
        {.word = "MR485B", .values = {-1, -1, -1}, .bytes = "HQLNVE#MR485B:-1,-1,-1#"},
        {.word = "PCBSN", .values = {"12345", "7"}, .bytes = "PPPPPP#PCBSN:00012345,007#"},
        {.word = "PCBSN", .values = {"123456789", "101"}, .bytes = "PPPPPP#PCBSN:123456789,101#"},
        {.word = "RESET", .values = {}, .bytes = "HQLNVE#RESET#"},
        // Channels: each column in its encoding, texts untouched.
        {.word = "ZDAD01", .values = Initial("ZDAD01"), .bytes = "HQLNVE#ZDAD01:0,001,4,00,00001,000,0#"},
        {.word = "ZDPU12", .values = Initial("ZDPU12"), .bytes = "HQLNVE#ZDPU12:0,001,4,00,00001,028,0#"},
        {.word = "ZDAD10", .values = {-1, "", " 7", -1, "1.5", "abc", -1}, .bytes = "HQLNVE#ZDAD10:-1,, 7,0-1,1.5,abc,-1#"},
        // Custom commands: the count is the number of characters, at least two digits.
        {.word = "COMW2", .values = {1, ""}, .bytes = "HQLNVE#COMW2:1,00#"},
        {.word = "COMW2", .values = {1, "AB"}, .bytes = "HQLNVE#COMW2:1,02AB#"},
        {.word = "COMW2", .values = {1, std::string(124, 'A')}, .bytes = "HQLNVE#COMW2:1,124" + std::string(124, 'A') + "#"},
        {.word = "COMW6", .values = {0, std::string(1000, '0')}, .bytes = "HQLNVE#COMW6:0,1000" + std::string(1000, '0') + "#"},
        // Odd data is no whole number of bytes: nothing is composed.
        {.word = "COMW1", .values = {0, "0"}, .bytes = std::nullopt},
        {.word = "COMW1", .values = {0, std::string(125, '0')}, .bytes = std::nullopt},
        {.word = "COMP04", .values = {"1", "03", ""}, .bytes = "HQLNVE#COMP04:103#"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        EXPECT_EQ(Compose(c.word, c.values), c.bytes);
    }
}

TEST(SetCommands, TextThatIsNoIntegerStopsAtTheFirstBadFieldFromTheLeft) {
    const struct Case {
        std::string word;
        std::vector<ColumnValue> values;
        const char* message;
    } cases[] = {
        {.word = "ADR", .values = {""}, .message = "'' is not a valid integer value"},
        {.word = "JTM", .values = {"1a"}, .message = "'1a' is not a valid integer value"},
        {.word = "STM", .values = {" 10", 0}, .message = "' 10' is not a valid integer value"},
        {.word = "BADR", .values = {"x", "y"}, .message = "'x' is not a valid integer value"},
        {.word = "BADR", .values = {"1", "y"}, .message = "'y' is not a valid integer value"},
        {.word = "PCBSN", .values = {"A1", "xyz"}, .message = "'A1' is not a valid integer value"},
        {.word = "PCBSN", .values = {"1", "00x"}, .message = "'00x' is not a valid integer value"},
        {.word = "ADR", .values = {"99999999999"}, .message = "'99999999999' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        try {
            Compose(c.word, c.values);
            ADD_FAILURE() << "composed";
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(SetCommands, ChannelsAndGroupsOutsideTheTablesAreNone) {
    EXPECT_THROW(ChannelCommand(AnalogChannels(), 17), std::out_of_range);
    EXPECT_THROW(ChannelCommand(TotalizerChannels(), 13), std::out_of_range);
    EXPECT_THROW(ChannelCommand(AnalogChannels(), 0), std::out_of_range);
    EXPECT_THROW(CustomCommandWrite(7), std::out_of_range);
    EXPECT_THROW(ParsingRuleWrite(0), std::out_of_range);
}
