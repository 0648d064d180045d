#include "emulator/Converter.h"

#include <gtest/gtest.h>

using emulator::Converter;

namespace {
std::string Ask(Converter& c, std::string_view command) {
    auto reply = c.Handle(command);
    return reply ? *reply : "<none>";
}
}  // namespace

TEST(EmulatorConverter, QueryRepliesCarryTheFactoryDefaultsInRecordLayout) {
    Converter c;
    EXPECT_EQ(Ask(c, "PPPPPP#QX1#"),
              "ADR:001,MDO:0,JTM:010,STM:010,00,BADR:00000,00000,MR485Z:3,0,0,MR485A:3,0,0,"
              "MR485B:3,0,0");
    auto qx2 = Ask(c, "PPPPPP#QX2#");
    EXPECT_EQ(qx2.substr(0, 29), "ZDAD01:0,001,4,00,00001,000,0");
    EXPECT_NE(qx2.find("ZDAD04:0,001,4,00,00001,008,0"), std::string::npos);
    EXPECT_EQ(qx2.find("ZDAD09:"), std::string::npos);
    EXPECT_NE(Ask(c, "PPPPPP#QX3#").find("ZDAD16:0,001,4,00,00001,014,0"), std::string::npos);
    EXPECT_EQ(Ask(c, "PPPPPP#QX4#").substr(0, 29), "ZDPD01:0,001,4,00,00001,016,0");
    EXPECT_NE(Ask(c, "PPPPPP#QX5#").find("ZDPD12:0,001,4,00,00001,028,0"), std::string::npos);
    EXPECT_EQ(Ask(c, "PPPPPP#COMR06#"), "COMR6:0,08,0103000000044409");
    EXPECT_EQ(Ask(c, "PPPPPP#COMP01#"), "COMP01:010300");
    // The console keeps only 255 characters of a block: every reply must fit.
    for (auto q : {"PPPPPP#QX1#", "PPPPPP#QX2#", "PPPPPP#QX3#", "PPPPPP#QX4#", "PPPPPP#QX5#"})
        EXPECT_LE(Ask(c, q).size(), 255u) << q;
}

TEST(EmulatorConverter, SetCommandsAreStoredAndReadBack) {
    Converter c;
    EXPECT_EQ(Ask(c, "HQLNVE#ADR:005#"), "ADR:005 OK");
    EXPECT_EQ(Ask(c, "HQLNVE#MDO:1#"), "MDO:1 OK");
    EXPECT_EQ(Ask(c, "HQLNVE#JTM:020#"), "JTM:020 OK");
    EXPECT_EQ(Ask(c, "HQLNVE#STM:030,02#"), "STM:030,02 OK");
    EXPECT_EQ(Ask(c, "HQLNVE#BADR:00100,00200#"), "BADR:00100,00200 OK");
    EXPECT_EQ(Ask(c, "HQLNVE#MR485A:4,2,1#"), "MR485A:4,2,1 OK");
    EXPECT_EQ(Ask(c, "PPPPPP#QX1#"),
              "ADR:005,MDO:1,JTM:020,STM:030,02,BADR:00100,00200,MR485Z:3,0,0,MR485A:4,2,1,"
              "MR485B:3,0,0");
    EXPECT_EQ(Ask(c, "HQLNVE#ZDAD03:2,005,2,11,00010,004,1#"), "ZDAD03:2,005,2,11,00010,004,1 OK");
    EXPECT_NE(Ask(c, "PPPPPP#QX2#").find("ZDAD03:2,005,2,11,00010,004,1"), std::string::npos);
    EXPECT_EQ(Ask(c, "HQLNVE#ZDPU12:1,002,4,24,00002,030,1#"), "ZDPU12:1,002,4,24,00002,030,1 OK");
    EXPECT_NE(Ask(c, "PPPPPP#QX5#").find("ZDPD12:1,002,4,24,00002,030,1"), std::string::npos);
    EXPECT_EQ(Ask(c, "HQLNVE#COMW2:1,080102030A#"), "COMW2 OK");
    EXPECT_EQ(Ask(c, "PPPPPP#COMR02#"), "COMR2:1,04,0102030A");
    EXPECT_EQ(Ask(c, "HQLNVE#COMW1:0,00#"), "COMW1 OK");
    EXPECT_EQ(Ask(c, "PPPPPP#COMR01#"), "COMR1:0,00,");
    EXPECT_EQ(Ask(c, "HQLNVE#COMP03:0A0304#"), "COMP03:0A0304");
    EXPECT_EQ(Ask(c, "PPPPPP#COMP03#"), "COMP03:0A0304");
    EXPECT_EQ(Ask(c, "PPPPPP#PCBSN:12345678,007#"), "PCBSN:12345678,007 OK");
    EXPECT_EQ(c.State().Field("JIANZHI"), "007");
    EXPECT_EQ(Ask(c, "HQLNVE#RESET#"), "RESET OK");
    EXPECT_EQ(Ask(c, "PPPPPP#QX1#").substr(0, 7), "ADR:001");
}

TEST(EmulatorConverter, SetCommandsAreAcknowledgedInTheFormAsked) {
    using A = emulator::Acknowledgment;
    const struct {
        const char* name;
        A ack;
        const char* taken;    // "HQLNVE#ADR:005#"
        const char* refused;  // "HQLNVE#ADR:7#"
        const char* rule;     // a parsing rule's set: its record
        bool stores;
    } cases[] = {
        {.name = "tagged", .ack = A::Tagged, .taken = "ADR:005 OK", .refused = "ADR ERR", .rule = "COMP03:0A0304",
         .stores = true},
        {.name = "plain", .ack = A::Plain, .taken = "OK", .refused = "ERR", .rule = "COMP03:0A0304", .stores = true},
        {.name = "crlf", .ack = A::CrLf, .taken = "OK\r\n", .refused = "ERR\r\n", .rule = "COMP03:0A0304",
         .stores = true},
        {.name = "err", .ack = A::AlwaysErr, .taken = "ERR", .refused = "ERR", .rule = "ERR", .stores = false},
        {.name = "none", .ack = A::NoAnswer, .taken = "<none>", .refused = "<none>", .rule = "<none>", .stores = true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(emulator::AcknowledgmentNamed(c.name), c.ack) << c.name;
        Converter converter;
        converter.SetAcknowledgment(c.ack);
        EXPECT_EQ(Ask(converter, "HQLNVE#ADR:005#"), c.taken) << c.name;
        EXPECT_EQ(Ask(converter, "HQLNVE#ADR:7#"), c.refused) << c.name;
        EXPECT_EQ(Ask(converter, "HQLNVE#COMP03:0A0304#"), c.rule) << c.name;
        EXPECT_EQ(Ask(converter, "PPPPPP#QX1#").substr(0, 7), c.stores ? "ADR:005" : "ADR:001") << c.name;
    }
    EXPECT_FALSE(emulator::AcknowledgmentNamed("OK"));
}

TEST(EmulatorConverter, MalformedSetsAreRefusedAndChangeNothing) {
    Converter c;
    for (auto bad : {"HQLNVE#ADR:7#", "HQLNVE#ADR:-05#", "HQLNVE#MDO:-1#", "HQLNVE#STM:010,-01#",
                     "HQLNVE#MR485Z:5,0,0#", "HQLNVE#MR485B:-1,0,0#", "HQLNVE#ZDAD01:0,001#",
                     "HQLNVE#COMW1:0,161234#", "HQLNVE#COMW1:0,030ab#", "HQLNVE#COMP01:0103#"}) {
        auto reply = Ask(c, bad);
        EXPECT_NE(reply.find("ERR"), std::string::npos) << bad << " -> " << reply;
    }
    EXPECT_EQ(Ask(c, "PPPPPP#QX1#").substr(0, 14), "ADR:001,MDO:0,");
    EXPECT_EQ(Ask(c, "PPPPPP#COMR01#"), "COMR1:0,08,0103000000044409");
    EXPECT_EQ(Ask(c, "PPPPPP#NOPE#"), "<none>");
    EXPECT_EQ(Ask(c, "PPPPPP#QX9#"), "<none>");
    EXPECT_EQ(Ask(c, "PPPPPP#COMR07#"), "<none>");
}

TEST(EmulatorConverter, CommandsAreFramedAcrossArbitraryPieces) {
    Converter c;
    EXPECT_TRUE(c.Feed("noise PPPP").empty());
    EXPECT_TRUE(c.Feed("PP#VA").empty());
    auto replies = c.Feed("R#HQLNVE#ADR:009#PPPPPP#QX1");
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].substr(0, 7), "TQ410-K");
    EXPECT_EQ(replies[1], "ADR:009 OK");
    replies = c.Feed("#");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].substr(0, 7), "ADR:009");
    // Endless noise never grows the buffer without bound.
    for (int i = 0; i < 1000; ++i) EXPECT_TRUE(c.Feed(std::string(1000, 'x')).empty());
    EXPECT_EQ(c.Feed("PPPPPP#VAR#").size(), 1u);
}
