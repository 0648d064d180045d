// The record against the converter emulator's own handling of commands:
// what write-all composes is what the converter stores, and what read-all
// fills from the converter's answers is what was written.

#include <gtest/gtest.h>

#include "commission/Commands.h"
#include "commission/Configuration.h"
#include "emulator/Converter.h"
#include "commission/Verify.h"
#include "commission/FieldLimits.h"

namespace {

using namespace commission;

// A record that differs from the defaults in every kind of field.
Configuration UnitSeven() {
    Configuration c = DefaultConfiguration();
    c.values["Edit1"] = std::string("007");
    c.values["ComboBox4"] = 1;
    c.values["ADBESARD"] = std::string("00100");
    c.values["PUBESARD"] = std::string("00200");
    c.values["Edit3"] = std::string("020");
    c.values["SENDXIEYI"] = 2;
    c.values["AMR485BT"] = 4;
    c.values["BRS485STOP"] = 1;
    c.values["PCBSN"] = std::string("12345678");
    c.values["JIANZHI"] = std::string("007");
    c.values["MAD7XS"] = std::string("00010");
    c.values["MAD7XIN"] = 23;
    c.values["MPD12USE"] = 6;
    c.values["ADFART16"] = 1;
    c.values["COMAD3"] = 1;
    c.values["COMDDATA3"] = std::string("0A0B");
    c.values["FCOMBY2"] = std::string("7F");
    return c;
}

Configuration ReadBack(emulator::Converter& converter) {
    Configuration reported;
    for (const auto& step : ReadAllSteps()) {
        auto reply = converter.Handle(step.command);
        EXPECT_TRUE(reply) << step.label;
        std::optional<std::string> failed;
        EXPECT_TRUE(FillFromReply(reported, *step.code, reply->substr(0, 255), &failed)) << step.label;
        EXPECT_FALSE(failed) << step.label;
    }
    return reported;
}

TEST(ConfigurationTest, WriteAllComposesTheButtonsCommandsInWriteOrder) {
    const auto plan = WriteAllSteps(UnitSeven());
    ASSERT_TRUE(plan.failures.empty());
    ASSERT_EQ(plan.steps.size(), 9u + 16u + 12u + 6u + 6u);
    EXPECT_EQ(plan.steps.front().command, "HQLNVE#ADR:007#");
    EXPECT_EQ(plan.steps[2].command, "HQLNVE#BADR:00100,00200#");
    EXPECT_EQ(plan.steps[2].code, std::nullopt);
    EXPECT_EQ(plan.steps[8].command, "PPPPPP#PCBSN:12345678,007#");
    EXPECT_EQ(plan.steps[9 + 6].command, "HQLNVE#ZDAD07:0,001,4,23,00010,014,0#");
    EXPECT_EQ(plan.steps[9 + 16 + 11].command, "HQLNVE#ZDPU12:6,001,4,00,00001,028,0#");
    EXPECT_EQ(plan.steps[9 + 28 + 2].command, "HQLNVE#COMW3:1,040A0B#");
    EXPECT_EQ(plan.steps.back().command, "HQLNVE#COMP06:017F00#");
    for (const auto& step : plan.steps) EXPECT_EQ(step.command.find("RESET"), std::string::npos);
}

TEST(ConfigurationTest, WhatIsWrittenIsReadBackAndVerifiesClean) {
    emulator::Converter converter;
    const Configuration unit = UnitSeven();
    for (const auto& step : WriteAllSteps(unit).steps) {
        auto answer = converter.Handle(step.command);
        ASSERT_TRUE(answer && answer->find("ERR") == std::string::npos) << step.command;
    }
    EXPECT_EQ(converter.State().Field("PCBSN"), "12345678");
    const Configuration reported = ReadBack(converter);
    EXPECT_TRUE(Compare(unit, reported).empty()) << DescribeDifferences(Compare(unit, reported), "window");
    // Everything the converter reports was filled; only the board identity is not reported.
    EXPECT_EQ(reported.values.size(), Fields().size() - 2);
    EXPECT_FALSE(reported.Has("PCBSN"));

    // A fresh converter differs from unit 7 in every reported field that was changed.
    emulator::Converter fresh;
    const auto differences = Compare(unit, ReadBack(fresh));
    EXPECT_EQ(differences.size(), 15u);
    EXPECT_EQ(DescribeDifference(differences[0], "window"), "Slave address: window 007, converter 001");
    bool coefficient = false;
    for (const auto& d : differences)
        coefficient = coefficient || DescribeDifference(d, "profile") ==
                                         "Analog 7 \xC2\xB7 Coefficient: profile 00010, converter 00001";
    EXPECT_TRUE(coefficient);
}

TEST(ConfigurationTest, EveryFieldThatCannotTravelIsNamedAndNothingIsComposed) {
    Configuration c = DefaultConfiguration();
    c.values["Edit1"] = std::string("1x");
    c.values["PUBESARD"] = std::string("");
    c.values["COMDDATA2"] = std::string("010");
    c.values["MAD3USE"] = std::string("0");  // a text where an index belongs
    c.values["MAD3XS"] = std::string("1,5");   // would shift every later field
    c.values["MPD2MADR"] = std::string("0#1");  // would end the frame early
    c.values["CCOMBY1"] = std::string("0,");
    c.values["COMDDATA4"] = std::string("HQLNVE#RESET#0");  // even, but a command of its own
    const auto plan = WriteAllSteps(c);
    EXPECT_TRUE(plan.steps.empty());
    EXPECT_EQ(DescribeFailures(plan.failures),
              "Nothing was sent. These fields cannot be sent:\n"
              "Slave address: '1x' is not a valid integer value\n"
              "Pulse channel base address: '' is not a valid integer value\n"
              "Analog 3 \xC2\xB7 Command Code: an item index is expected\n"
              "Analog 3 \xC2\xB7 Coefficient: \"1,5\" holds \",\", which would split the field in two; nothing was sent\n"
              "Totalizer 2 \xC2\xB7 Address: \"0#1\" holds \"#\", which would end the command early; nothing was sent\n"
              "Command 2 \xC2\xB7 Command: Input data must be plural\n"
              "Command 4 \xC2\xB7 Command: \"HQLNVE#RESET#0\" holds \"H\", which is not a hexadecimal digit (0-9, A-F); "
              "nothing was sent\n"
              "Command 3 \xC2\xB7 Byte1: \"0,\" holds \",\", which would split the field in two; nothing was sent");
}

TEST(ConfigurationTest, ValuesTheRepliesCannotCarryBackAreRefusedOnceEach) {
    const struct {
        const char* control;
        Value value;
        const char* message;
    } cases[] = {
        {"Edit1", std::string("1234"), "'1234' is not a number from 0 to 999 (the 3 digits the converter's reply carries back)"},
        {"Edit1", std::string("-7"), "'-7' is not a number from 0 to 999 (the 3 digits the converter's reply carries back)"},
        {"PUBESARD", std::string("987654"), "'987654' is not a number from 0 to 99999 (the 5 digits the converter's reply carries back)"},
        {"PCBSN", std::string("123456789"), "'123456789' is not a number from 0 to 99999999 (the 8 digits the converter's reply carries back)"},
        {"MAD7XS", std::string("000010"), "'000010' travels as 6 characters, more than the 5 characters the converter's reply carries back"},
        {"COMDDATA1", std::string(200, 'A'), nullptr},
        {"ZMR485BT", -1, "item -1 travels as 2 characters, more than the 1 digit the converter's reply carries back"},
        {"ACOMBY1", std::string("123"), "'123' travels as 3 characters, more than the 2 characters the converter's reply carries back"},
        // An item -1 ("no item") in a two-character field travels as "0-1".
        {"MAD4XIN", -1, "item -1 travels as 3 characters, more than the 2 digits the converter's reply carries back"},
        {"SENDXIEYI", -1, "item -1 travels as 3 characters, more than the 2 digits the converter's reply carries back"},
        {"MPD2USE", -1, "item -1 travels as 2 characters, more than the 1 digit the converter's reply carries back"},
        // Texts sent as typed must fill their place in the reply record.
        {"MAD1XS", std::string("10"), "\"10\" has 2 digits, the converter carries 5 (write \"00010\")"},
        {"ADSADR1", std::string("20"), "\"20\" has 2 digits, the converter carries 3 (write \"020\")"},
        {"MPD3MADR", std::string("1"), "\"1\" has 1 digit, the converter carries 3 (write \"001\")"},
        {"MAD2DADR", std::string(""), "\"\" has 0 characters, the converter carries 1 (write 1 character)"},
        {"MAD1XS", std::string("1.5"), "\"1.5\" has 3 characters, the converter carries 5 (write 5 characters)"},
        {"ACOMBY1", std::string("1"), "\"1\" has 1 character, the converter carries 2 (write \"01\")"},
        {"CCOMBY3", std::string("A"), "\"A\" has 1 character, the converter carries 2 (write \"0A\")"},
        {"Edit1", std::string(40000, '7'),
         "'7777777777777777777777777777777777777777\u2026' (40,000 characters) is not a valid integer value"},
        {"MAD1XS", std::string(40000, 'x'),
         "'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\u2026' (40,000 characters) travels as 40000 characters, "
         "more than the 5 characters the converter's reply carries back"},
    };
    for (const auto& c : cases) {
        Configuration record = DefaultConfiguration();
        record.values[c.control] = c.value;
        const auto plan = WriteAllSteps(record);
        ASSERT_EQ(plan.failures.size(), 1u) << c.control;
        EXPECT_TRUE(plan.steps.empty());
        if (c.message) {
            EXPECT_EQ(plan.failures[0].message, c.message);
        }
    }
    Configuration longest = DefaultConfiguration();
    longest.values["COMDDATA1"] = std::string(198, 'A');
    longest.values["COMDDATA2"] = std::string("0103");  // command data has no fixed width
    EXPECT_TRUE(WriteAllSteps(longest).failures.empty());
}

TEST(ConfigurationTest, VerifyComparesValuesAsTheyTravel) {
    Configuration window = DefaultConfiguration();
    window.values["Edit1"] = std::string("77");
    window.values["PUBESARD"] = std::string("9");
    Configuration converter = window;
    converter.values["Edit1"] = std::string("077");
    converter.values["PUBESARD"] = std::string("00009");
    EXPECT_TRUE(Compare(window, converter).empty());
    converter.values["AMR485BT"] = 3;
    window.values["AMR485BT"] = 4;
    const auto items = [](const std::string&, int index) -> std::optional<std::string> {
        return std::vector<std::string>{"1200", "2400", "4800", "9600", "19200"}.at(static_cast<std::size_t>(index));
    };
    EXPECT_EQ(DescribeDifferences(Compare(window, converter), "profile", items),
              "OARS485 interface \xC2\xB7 Baud: profile 19200, converter 9600");
    converter.values.erase("MAD3XS");
    EXPECT_EQ(NotChecked(converter), std::vector<std::string>{"MAD3XS"});
}

TEST(ConfigurationTest, FramesWithAWrongCrcAreWarnedOfNotRefused) {
    Configuration c = DefaultConfiguration();
    EXPECT_TRUE(FrameWarnings(c).empty());  // the default frame is right
    c.values["COMDDATA2"] = std::string("0103000000014409");  // count changed, CRC kept
    c.values["COMDDATA5"] = std::string("");                  // not in use
    EXPECT_EQ(FrameWarnings(c), std::vector<std::string>{"Command 2 \xC2\xB7 Command: CRC is 0x0944, the frame needs 0x0A84"});
    EXPECT_TRUE(WriteAllSteps(c).failures.empty());
}

TEST(ConfigurationTest, ReadAllQueriesEveryRecordOnce) {
    std::string labels;
    for (const auto& step : ReadAllSteps()) labels += step.label + " ";
    EXPECT_EQ(labels,
              "QX1 QX2 QX3 QX4 QX5 COMR01 COMR02 COMR03 COMR04 COMR05 COMR06 "
              "COMP01 COMP02 COMP03 COMP04 COMP05 COMP06 ");
    EXPECT_EQ(ReadAllSteps()[5].command, "PPPPPP#COMR01#");
}

}  // namespace
