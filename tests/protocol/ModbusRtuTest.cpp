#include "protocol/ModbusRtu.h"

#include <gtest/gtest.h>

#include "protocol/CustomCommandCrc.h"

using namespace protocol::modbus;

namespace {

// Requests published in the Modbus application protocol and serial-line
// documents, and common examples of each function, CRCs as published.
struct Published {
    const char* frame;
    const char* meaning;
    Request request;
};

const Published PublishedFrames[] = {
    {"1101001300250E84", "Slave 17 · Read coils (1) · from 19 · 37 coils · CRC ok",
     {.slave = 17, .function = 1, .address = 19, .count = 37, .values = {}}},
    {"110200C40016BAA9", "Slave 17 · Read discrete inputs (2) · from 196 · 22 discrete inputs · CRC ok",
     {.slave = 17, .function = 2, .address = 196, .count = 22, .values = {}}},
    {"1103006B00037687", "Slave 17 · Read holding registers (3) · from 107 · 3 registers · CRC ok",
     {.slave = 17, .function = 3, .address = 107, .count = 3, .values = {}}},
    {"01030000000AC5CD", "Slave 1 · Read holding registers (3) · from 0 · 10 registers · CRC ok",
     {.slave = 1, .function = 3, .address = 0, .count = 10, .values = {}}},
    {"0103000000044409", "Slave 1 · Read holding registers (3) · from 0 · 4 registers · CRC ok",
     {.slave = 1, .function = 3, .address = 0, .count = 4, .values = {}}},
    {"110400080001B298", "Slave 17 · Read input registers (4) · from 8 · 1 register · CRC ok",
     {.slave = 17, .function = 4, .address = 8, .count = 1, .values = {}}},
    {"110500ACFF004E8B", "Slave 17 · Write single coil (5) · coil 172 · ON · CRC ok",
     {.slave = 17, .function = 5, .address = 172, .count = 1, .values = {1}}},
    {"010600010003980B", "Slave 1 · Write single register (6) · register 1 · value 3 · CRC ok",
     {.slave = 1, .function = 6, .address = 1, .count = 1, .values = {3}}},
    {"110F0013000A02CD01BF0B", "Slave 17 · Write multiple coils (15) · from 19 · 10 coils · CRC ok",
     {.slave = 17, .function = 15, .address = 19, .count = 10, .values = {1, 0, 1, 1, 0, 0, 1, 1, 1, 0}}},
    {"11100001000204000A0102C6F0", "Slave 17 · Write multiple registers (16) · from 1 · 2 registers · CRC ok",
     {.slave = 17, .function = 16, .address = 1, .count = 2, .values = {10, 258}}},
};

}  // namespace

TEST(ModbusRtu, CrcIsCrc16Modbus) {
    const std::string check = "123456789";  // the catalogue's check input
    EXPECT_EQ(Crc16(std::span(reinterpret_cast<const std::uint8_t*>(check.data()), check.size())), 0x4B37);
    EXPECT_EQ(Crc16({}), 0xFFFF);
}

TEST(ModbusRtu, PublishedFramesDecodeAndBuildBackByteForByte) {
    for (const auto& p : PublishedFrames) {
        const FrameCheck check = CheckFrame(p.frame);
        EXPECT_TRUE(check.CrcIsRight()) << p.frame;
        EXPECT_TRUE(check.problems.empty()) << p.frame;
        EXPECT_EQ(Describe(check), p.meaning);
        ASSERT_TRUE(check.request) << p.frame;
        EXPECT_EQ(check.request->slave, p.request.slave) << p.frame;
        EXPECT_EQ(check.request->address, p.request.address) << p.frame;
        EXPECT_EQ(check.request->count, p.request.count) << p.frame;
        EXPECT_EQ(check.request->values, p.request.values) << p.frame;
        const BuiltFrame built = BuildFrame(p.request);
        EXPECT_EQ(built.error, "");
        EXPECT_EQ(built.hex, p.frame);
        EXPECT_EQ(CompleteCrc(p.frame), p.frame);
    }
}

TEST(ModbusRtu, SaysWhatIsWrongWithAFrame) {
    const struct {
        const char* frame;
        const char* meaning;
        CrcState crc;
    } cases[] = {
        {"0103000000014409",
         "Slave 1 · Read holding registers (3) · from 0 · 1 register · CRC is 0x0944, the frame needs 0x0A84",
         CrcState::Wrong},
        {"010300000004", "Slave 1 · Read holding registers (3) · from 0 · 4 registers · no CRC, the frame needs "
                         "0x0944 at its end",
         CrcState::Missing},
        {"0141000044F0", "Slave 1 · function 0x41 is not a standard request · CRC is 0xF044, the frame needs 0xCC51",
         CrcState::Wrong},
        {"01030000000444091234",
         "Slave 1 · Read holding registers (3) · the request is 8 bytes long, this frame has 10 · CRC is 0x3412, "
         "the frame needs 0x0000",
         CrcState::Wrong},
        {"01030000000444", "Slave 1 · Read holding registers (3) · the request is 8 bytes long, this frame has 7 · "
                           "CRC is one byte short, the frame needs 0x0944",
         CrcState::Wrong},
        {"010300000000 ", "not hexadecimal: ' ' at character 13", CrcState::Right},
        {"01030000000", "not a whole number of bytes (11 digits)", CrcState::Right},
        {"01", "too short: a frame starts with a slave address and a function code", CrcState::Right},
        {"", "no frame: nothing typed", CrcState::Right},
        {"11100001000204000A0102", "Slave 17 · Write multiple registers (16) · from 1 · 2 registers · no CRC, the "
                                   "frame needs 0xF0C6 at its end",
         CrcState::Missing},
        {"110F0013000A02CD", "Slave 17 · Write multiple coils (15) · the request is 11 bytes long, this frame has 8 · "
                             "no CRC",
         CrcState::Missing},
        {"110F0013000A01CD", "Slave 17 · Write multiple coils (15) · from 19 · 10 coils · byte count 1 does not "
                             "match 10 coils (2 bytes) · no CRC, the frame needs 0x0F1A at its end",
         CrcState::Missing},
        {"1103006B00000000",
         "Slave 17 · Read holding registers (3) · from 107 · 0 registers · quantity 0 is outside 1 to 125 · CRC is "
         "0x0000, the frame needs 0x8636",
         CrcState::Wrong},
        {"000300000004", "Slave 0 · Read holding registers (3) · from 0 · 4 registers · slave 0 is the broadcast "
                         "address, which no instrument answers · no CRC, the frame needs 0xD845 at its end",
         CrcState::Missing},
        {"1105000112340000", "Slave 17 · Write single coil (5) · coil 1 · value 0x1234 is neither ON (0xFF00) nor "
                             "OFF (0x0000) · CRC is 0x0000, the frame needs 0xED93",
         CrcState::Wrong},
    };
    for (const auto& c : cases) {
        const FrameCheck check = CheckFrame(c.frame);
        EXPECT_EQ(Describe(check), c.meaning) << c.frame;
        if (check.error.empty()) {
            EXPECT_EQ(check.crc, c.crc) << c.frame;
        }
        EXPECT_FALSE(check.CrcIsRight()) << c.frame;
    }
}

TEST(ModbusRtu, CompleteCrcAppendsOrReplacesTheLastTwoBytes) {
    const struct {
        const char* typed;
        std::optional<std::string> completed;
    } cases[] = {
        {"0103000000014409", "010300000001840A"},  // wrong CRC replaced
        {"010300000001", "010300000001840A"},      // a request typed without its CRC
        {"0141", "0141" "C010"},                   // too short for any CRC: appended
        {"01030000", std::nullopt},                // a request cut short: no CRC makes it whole
        {"110F0013", std::nullopt},
        {"01030000000444", "0103000000044409"},    // half a CRC typed
        {"010300000001840a", "010300000001840a"},  // lower case kept
        {"010300000001ffff", "010300000001840a"},
        {"0103G0", std::nullopt},
        {"010", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(CompleteCrc(c.typed), c.completed) << c.typed;
    for (const auto& c : cases)
        if (c.completed) {
            EXPECT_TRUE(CheckFrame(*c.completed).CrcIsRight()) << *c.completed;
        }
}

TEST(ModbusRtu, EveryCutOrExtendedPublishedFrameIsReadSafelyAndCompletedRight) {
    // Each published frame cut after every byte, or with bytes after it: the
    // check reads only what is there, and a completion is always a right frame.
    for (const auto& p : PublishedFrames) {
        const std::string frame = p.frame;
        for (std::size_t length = 0; length <= frame.size() + 4; length += 2) {
            const std::string typed =
                length <= frame.size() ? frame.substr(0, length) : frame + std::string(length - frame.size(), 'F');
            EXPECT_EQ(CheckFrame(typed).CrcIsRight(), typed == frame) << typed;
            if (const auto completed = CompleteCrc(typed)) {
                EXPECT_TRUE(CheckFrame(*completed).CrcIsRight()) << typed;
            }
        }
    }
}

TEST(ModbusRtu, BuilderRefusesFieldsNoRequestCanCarry) {
    const struct {
        Request request;
        const char* error;
    } cases[] = {
        {{.slave = 1, .function = 7, .values = {}}, "function 7 is not one of the standard requests 1, 2, 3, 4, 5, 6, 15, 16"},
        {{.slave = 248, .function = 3, .values = {}}, "slave 248 is outside 0 to 247"},
        {{.slave = 1, .function = 3, .count = 126, .values = {}}, "quantity 126 is outside 1 to 125"},
        {{.slave = 1, .function = 1, .address = 65535, .count = 2, .values = {}}, "2 coils from 65535 run past 65535"},
        {{.slave = 1, .function = 3, .address = 65536, .values = {}}, "address 65536 is outside 0 to 65535"},
        {{.slave = 1, .function = 6, .values = {}}, "Write single register takes one value"},
        {{.slave = 1, .function = 5, .values = {2}}, "value 2 is outside 0 to 1"},
        {{.slave = 1, .function = 16, .values = {}}, "quantity 0 is outside 1 to 123"},
    };
    for (const auto& c : cases) {
        const BuiltFrame built = BuildFrame(c.request);
        EXPECT_EQ(built.error, c.error);
        EXPECT_EQ(built.hex, "");
    }
}

TEST(ModbusRtu, ValuesReadAsTypedForEachFunction) {
    const struct {
        unsigned function;
        const char* text;
        std::vector<unsigned> values;
        const char* error;
    } cases[] = {
        {5, "ON", {1}, ""},
        {5, "off", {0}, ""},
        {5, "2", {}, "'2' is not ON, OFF, 1 or 0"},
        {6, "0x00FF", {255}, ""},
        {6, "1 2", {}, "Write single register takes one value"},
        {6, "65536", {}, "'65536' is not a number from 0 to 65535"},
        {15, "1,0, 1", {1, 0, 1}, ""},
        {16, "10, 258", {10, 258}, ""},
        {16, "", {}, "Write multiple registers needs values"},
        {3, "", {}, ""},
        {3, "4", {}, "Read holding registers takes no values"},
    };
    for (const auto& c : cases) {
        const ParsedValues parsed = ParseValues(c.function, c.text);
        EXPECT_EQ(parsed.values, c.values) << c.text;
        EXPECT_EQ(parsed.error, c.error) << c.text;
    }
    EXPECT_EQ(ValuesText({.function = 5, .values = {1}}), "ON");
    EXPECT_EQ(ValuesText({.function = 16, .values = {10, 258}}), "10,258");
}

TEST(ModbusRtu, CustomCommandWarningNamesTheFieldAndTheRightCrc) {
    EXPECT_EQ(protocol::CustomCommandCrcWarning(3, "0103000000014409"),
              "Command 3 · Command: CRC is 0x0944, the frame needs 0x0A84");
    EXPECT_EQ(protocol::CustomCommandCrcWarning(6, "010300000001"),
              "Command 6 · Command: no CRC, the frame needs 0x0A84 at its end");
    EXPECT_EQ(protocol::CustomCommandCrcWarning(2, "01030000"), "Command 2 · Command: the frame is cut short, no CRC");
    for (const char* quiet : {"0103000000044409", "", "0103G", "010"})
        EXPECT_EQ(protocol::CustomCommandCrcWarning(1, quiet), std::nullopt) << quiet;
}

namespace {

// The byte count of the two write-multiple requests: whole bytes of coils
// (a multiple of 8 needs no extra byte), two bytes a register.
TEST(ModbusRtu, WriteMultipleCarriesTheRightByteCount) {
    using protocol::modbus::BuildFrame;
    using protocol::modbus::CheckFrame;
    using protocol::modbus::Request;
    const struct {
        unsigned function;
        unsigned count;
        unsigned byteCount;  // 0: refused
    } cases[] = {
        {15, 1, 1}, {15, 8, 1}, {15, 16, 2}, {15, 1968, 246}, {15, 1969, 0}, {16, 123, 246}, {16, 124, 0},
    };
    for (const auto& c : cases) {
        const Request request{.slave = 1, .function = c.function, .address = 0, .count = c.count,
                              .values = std::vector<unsigned>(c.count, 1)};
        const auto built = BuildFrame(request);
        if (c.byteCount == 0) {
            EXPECT_FALSE(built.error.empty()) << c.function << " x " << c.count;
            continue;
        }
        ASSERT_EQ(built.error, "") << c.function << " x " << c.count;
        EXPECT_EQ(built.hex.size(), 2 * (7 + c.byteCount + 2)) << c.function << " x " << c.count;
        EXPECT_EQ(std::stoul(built.hex.substr(12, 2), nullptr, 16), c.byteCount) << c.function << " x " << c.count;
        const auto check = CheckFrame(built.hex);
        EXPECT_TRUE(check.CrcIsRight() && check.problems.empty() && check.request) << c.function << " x " << c.count;
    }
}

}  // namespace
