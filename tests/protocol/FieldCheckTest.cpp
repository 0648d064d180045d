#include "protocol/FieldCheck.h"

#include <gtest/gtest.h>

#include <functional>

using namespace protocol;

namespace {

// The message of the refusal, or "" when the check lets the text through.
std::string Refusal(const std::function<void()>& check) {
    try {
        check();
    } catch (const EFieldRefused& e) {
        return e.what();
    }
    return {};
}

}  // namespace

TEST(FieldCheck, RawFieldsRefuseWhatWouldBreakTheFrame) {
    const struct {
        const char* control;
        std::string bytes;
        std::string refusal;
    } cases[] = {
        {"MAD3XS", "00001", ""},
        {"MAD3XS", "1.5", ""},
        {"MAD3XS", "", ""},
        {"MPD1MADR", " 7:\xE9\x7F", ""},  // anything else still travels as typed
        {"MAD3XS", "1,5",
         "Analog 3 \xC2\xB7 Coefficient: \"1,5\" holds \",\", which would split the field in two; "
         "nothing was sent"},
        {"ACOMBY2", "0#", "Command 1 \xC2\xB7 Byte2: \"0#\" holds \"#\", which would end the command early; nothing was sent"},
        {"PUSADR12", "\xE9#,", "Totalizer 12 \xC2\xB7 Data Address: \"\xC3\xA9#,\" holds \"#\", which would end the command early; nothing was sent"},
        {"Unnamed", ",", "Unnamed: \",\" holds \",\", which would split the field in two; nothing was sent"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Refusal([&] { CheckRawField(c.control, c.bytes); }), c.refusal) << c.bytes;
}

TEST(FieldCheck, CommandDataIsWholeBytesOfHexadecimalDigits) {
    const struct {
        std::string bytes;
        std::string refusal;
    } cases[] = {
        {"", ""},
        {"0103000000044409", ""},
        {"abcdefABCDEF0189", ""},
        {"010", "Input data must be plural"},
        {"HQLNVE#RESET#", "Input data must be plural"},  // odd: the old message comes first
        {"HQLNVE#RESET#0", "Command 2 \xC2\xB7 Command: \"HQLNVE#RESET#0\" holds \"H\", which is not a hexadecimal "
                           "digit (0-9, A-F); nothing was sent"},
        {"01,3", "Command 2 \xC2\xB7 Command: \"01,3\" holds \",\", which is not a hexadecimal digit (0-9, A-F); "
                 "nothing was sent"},
        {"01 3", "Command 2 \xC2\xB7 Command: \"01 3\" holds \" \", which is not a hexadecimal digit (0-9, A-F); "
                 "nothing was sent"},
        {"0x03", "Command 2 \xC2\xB7 Command: \"0x03\" holds \"x\", which is not a hexadecimal digit (0-9, A-F); "
                 "nothing was sent"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Refusal([&] { CheckCommandData("COMDDATA2", c.bytes); }), c.refusal) << c.bytes;
    try {
        CheckCommandData("COMDDATA2", "0G");
        ADD_FAILURE();
    } catch (const EFieldRefused& e) {
        EXPECT_EQ(e.ControlName(), "COMDDATA2");
    }
}

TEST(FieldCheck, OnlyLatin1TextTravelsOneBytePerCharacter) {
    const struct {
        std::string utf8;
        std::string bytes;    // when it travels
        std::string refusal;  // when it does not
    } cases[] = {
        {"", "", ""},
        {"001", "001", ""},
        {"caf\xC3\xA9\xC3\xBF\x7F", "caf\xE9\xFF\x7F", ""},
        {std::string("a\0b", 3), std::string("a\0b", 3), ""},
        {"1\xE2\x82\xAC" "5", "",
         "Slave address: \"1\xE2\x82\xAC" "5\" holds \"\xE2\x82\xAC\", which cannot travel on the serial line "
         "(one byte per character, Latin-1 only); nothing was sent"},
        {"\xF0\x9F\x98\x80", "",
         "Slave address: \"\xF0\x9F\x98\x80\" holds \"\xF0\x9F\x98\x80\", which cannot travel on the serial line "
         "(one byte per character, Latin-1 only); nothing was sent"},
        {"\xC4\x80", "", "Slave address: \"\xC4\x80\" holds \"\xC4\x80\", which cannot travel on the serial line "
                         "(one byte per character, Latin-1 only); nothing was sent"},
        {"\xE9", "", "Slave address: the text is not UTF-8; nothing was sent"},          // a bare Latin-1 byte
        {"\xC3", "", "Slave address: the text is not UTF-8; nothing was sent"},          // cut short
        {"\xC1\x81", "", "Slave address: the text is not UTF-8; nothing was sent"},      // overlong "A"
        {"\xED\xA0\x80", "", "Slave address: the text is not UTF-8; nothing was sent"},  // a surrogate
    };
    for (const auto& c : cases) {
        std::string bytes;
        EXPECT_EQ(Refusal([&] { bytes = FieldBytesFromUtf8("Edit1", c.utf8); }), c.refusal) << c.utf8;
        EXPECT_EQ(bytes, c.bytes);
    }
}
