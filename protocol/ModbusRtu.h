#pragma once
// Modbus RTU request frames as an engineer types them for a custom command:
// hexadecimal text, slave address first and the CRC-16 last, low byte first.
// Checking a frame says what it asks for or what is wrong with it; building
// one from its fields gives the text with its CRC.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace protocol::modbus {

using Bytes = std::vector<std::uint8_t>;

// CRC-16/MODBUS: reflected polynomial 0xA001, initial value 0xFFFF. On the
// wire the low byte comes first.
std::uint16_t Crc16(std::span<const std::uint8_t> bytes);

// Hexadecimal text to bytes, two digits a byte, either case, nothing else
// allowed. On failure `error` says why and `bytes` is empty.
struct HexBytes {
    Bytes bytes;
    std::string error;
};
HexBytes ParseHex(std::string_view text);
// Upper-case digits, no separators.
std::string ToHex(std::span<const std::uint8_t> bytes);

// The standard request's name ("Read holding registers"), or nothing for a
// function code this module does not decode.
std::optional<std::string_view> FunctionName(unsigned function);
// The function codes of the standard requests, in ascending order.
std::vector<unsigned> StandardFunctions();

// The fields of one standard request (functions 1, 2, 3, 4, 5, 6, 15, 16).
struct Request {
    unsigned slave = 1;
    unsigned function = 3;
    unsigned address = 0;          // the first (or only) coil or register
    unsigned count = 1;            // quantity for 1 to 4; the number of values for 15 and 16
    std::vector<unsigned> values;  // 5: one 0 (OFF) or 1 (ON); 6: one register value;
                                   // 15: coil states 0 or 1; 16: register values
};

enum class CrcState {
    Right,
    Wrong,    // the last two bytes are not the CRC of what comes before them,
              // or a request ends one byte past its fields
    Missing,  // a standard request that ends where its CRC should begin, or
              // before; a frame of two or three bytes
};

// What a typed frame holds. When `error` is set the text is no frame at all
// (not hexadecimal, not whole bytes, too short) and nothing else is set.
struct FrameCheck {
    std::string error;
    Bytes bytes;
    std::optional<Request> request;     // a standard request of the right length
    std::vector<std::string> problems;  // besides the CRC: unknown function, length, quantity
    CrcState crc = CrcState::Right;
    std::uint16_t crcFound = 0;   // as read from the frame (when two bytes are there)
    std::uint16_t crcNeeded = 0;  // the CRC of the bytes before it
    std::size_t crcOffset = 0;    // where the CRC stands or belongs
    bool cutShort = false;        // a standard request that ends before its fields do

    bool CrcIsRight() const { return error.empty() && crc == CrcState::Right; }
};

FrameCheck CheckFrame(std::string_view hexText);

// "CRC ok", "CRC is 0x0944, the frame needs 0x0A84" or "no CRC, the frame
// needs 0x0944 at its end" ("no CRC" alone for a request cut short); empty for
// text that is no frame.
std::string DescribeCrc(const FrameCheck& check);
// One line for a person: "Slave 1 · Read holding registers (3) · from 0 ·
// 4 registers · CRC ok", the problems found, or why the text is no frame.
std::string Describe(const FrameCheck& check);

// The typed frame with its right CRC appended (when the CRC is Missing) or
// put in place of its last two bytes. Nothing for text that is no frame and
// for a request cut short, which no CRC can make whole. Letters keep the case
// typed.
std::optional<std::string> CompleteCrc(std::string_view hexText);

// The frame of `request` with its CRC, or the reason it cannot be built.
struct BuiltFrame {
    std::string hex;
    std::string error;
};
BuiltFrame BuildFrame(const Request& request);

// Numbers as people type them: decimal, or hexadecimal after "0x".
std::optional<unsigned> ParseNumber(std::string_view text, unsigned maximum);
// The values field of a request in text, separated by commas or blanks: for 5
// "ON", "OFF", 1 or 0; for 6 one number; for 15 states 0 or 1; for 16 numbers.
// Functions 1 to 4 take no values (empty text).
struct ParsedValues {
    std::vector<unsigned> values;
    std::string error;
};
ParsedValues ParseValues(unsigned function, std::string_view text);
// The opposite of ParseValues, for showing a decoded request.
std::string ValuesText(const Request& request);

}  // namespace protocol::modbus
