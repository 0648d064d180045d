#include "protocol/ModbusRtu.h"

#include <algorithm>
#include <cstdio>

namespace protocol::modbus {
namespace {

constexpr std::string_view Separator = " \xC2\xB7 ";  // " · "

enum class Shape {
    Read,                 // address, quantity
    WriteCoil,            // address, 0xFF00 or 0x0000
    WriteRegister,        // address, value
    WriteMultipleCoils,   // address, quantity, byte count, packed states
    WriteMultipleRegisters,  // address, quantity, byte count, values
};

struct FunctionInfo {
    unsigned code;
    std::string_view name;
    std::string_view item;  // what the address counts, singular
    Shape shape;
    unsigned maxCount;      // the largest quantity a request may ask for
};

constexpr FunctionInfo Functions[] = {
    {.code = 1, .name = "Read coils", .item = "coil", .shape = Shape::Read, .maxCount = 2000},
    {.code = 2, .name = "Read discrete inputs", .item = "discrete input", .shape = Shape::Read, .maxCount = 2000},
    {.code = 3, .name = "Read holding registers", .item = "register", .shape = Shape::Read, .maxCount = 125},
    {.code = 4, .name = "Read input registers", .item = "register", .shape = Shape::Read, .maxCount = 125},
    {.code = 5, .name = "Write single coil", .item = "coil", .shape = Shape::WriteCoil, .maxCount = 1},
    {.code = 6, .name = "Write single register", .item = "register", .shape = Shape::WriteRegister, .maxCount = 1},
    {.code = 15, .name = "Write multiple coils", .item = "coil", .shape = Shape::WriteMultipleCoils, .maxCount = 1968},
    {.code = 16, .name = "Write multiple registers", .item = "register", .shape = Shape::WriteMultipleRegisters,
     .maxCount = 123},
};

constexpr unsigned CoilOn = 0xFF00;
constexpr std::size_t HeaderSize = 7;  // slave, function, address, quantity, byte count

const FunctionInfo* FindFunction(unsigned code) {
    for (const auto& info : Functions)
        if (info.code == code) return &info;
    return nullptr;
}

bool WritesMany(const FunctionInfo& info) {
    return info.shape == Shape::WriteMultipleCoils || info.shape == Shape::WriteMultipleRegisters;
}

std::string Hex16(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFFu);
    return text;
}

std::string Hex8(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

std::string Counted(unsigned count, std::string_view item) {
    return std::to_string(count) + " " + std::string(item) + (count == 1 ? "" : "s");
}

unsigned Word(const Bytes& bytes, std::size_t at) { return unsigned(bytes[at]) << 8 | bytes[at + 1]; }

void PutWord(Bytes& bytes, unsigned value) {
    bytes.push_back(std::uint8_t(value >> 8));
    bytes.push_back(std::uint8_t(value));
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The request's length without its CRC, as far as the bytes tell it.
std::optional<std::size_t> BodySize(const FunctionInfo& info, const Bytes& bytes) {
    if (!WritesMany(info)) return 6;
    if (bytes.size() < HeaderSize) return std::nullopt;
    return HeaderSize + bytes[HeaderSize - 1];
}

// Problems of a count of items at an address, for requests and builds alike.
std::optional<std::string> CountProblem(const FunctionInfo& info, unsigned address, unsigned count) {
    if (count < 1 || count > info.maxCount)
        return "quantity " + std::to_string(count) + " is outside 1 to " + std::to_string(info.maxCount);
    if (address + count > 0x10000u)
        return std::to_string(count) + " " + std::string(info.item) + "s from " + std::to_string(address) +
               " run past 65535";
    return std::nullopt;
}

// Fills check.request from a frame of the request's length; adds problems.
void DecodeFields(const FunctionInfo& info, FrameCheck& check) {
    const Bytes& b = check.bytes;
    Request request{.slave = b[0], .function = info.code, .address = Word(b, 2), .count = 1, .values = {}};
    switch (info.shape) {
        case Shape::Read:
            request.count = Word(b, 4);
            if (auto problem = CountProblem(info, request.address, request.count)) check.problems.push_back(*problem);
            break;
        case Shape::WriteCoil:
            if (Word(b, 4) == CoilOn || Word(b, 4) == 0)
                request.values = {Word(b, 4) == CoilOn ? 1u : 0u};
            else
                check.problems.push_back("value " + Hex16(Word(b, 4)) + " is neither ON (0xFF00) nor OFF (0x0000)");
            break;
        case Shape::WriteRegister:
            request.values = {Word(b, 4)};
            break;
        case Shape::WriteMultipleCoils:
        case Shape::WriteMultipleRegisters: {
            request.count = Word(b, 4);
            const bool coils = info.shape == Shape::WriteMultipleCoils;
            const std::size_t byteCount = b[HeaderSize - 1];
            const std::size_t needed = coils ? (request.count + 7) / 8 : 2 * std::size_t(request.count);
            if (auto problem = CountProblem(info, request.address, request.count))
                check.problems.push_back(*problem);
            if (byteCount != needed)
                check.problems.push_back("byte count " + std::to_string(byteCount) + " does not match " +
                                         Counted(request.count, info.item) + " (" + std::to_string(needed) +
                                         " bytes)");
            const std::size_t have = coils ? byteCount * 8 : byteCount / 2;
            for (std::size_t i = 0; i < std::min<std::size_t>(request.count, have); ++i)
                request.values.push_back(coils ? (b[HeaderSize + i / 8] >> (i % 8)) & 1u
                                               : Word(b, HeaderSize + 2 * i));
            break;
        }
    }
    check.request = std::move(request);
}

}  // namespace

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? std::uint16_t((crc >> 1) ^ 0xA001) : std::uint16_t(crc >> 1);
    }
    return crc;
}

HexBytes ParseHex(std::string_view text) {
    HexBytes result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (DigitValue(text[i]) < 0) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            const std::string shown = c >= 0x20 && c < 0x7F ? "'" + std::string(1, text[i]) + "'" : "byte " + Hex8(c);
            result.error = "not hexadecimal: " + shown + " at character " + std::to_string(i + 1);
            return result;
        }
    }
    if (text.size() % 2 != 0) {
        result.error = "not a whole number of bytes (" + std::to_string(text.size()) + " digits)";
        return result;
    }
    for (std::size_t i = 0; i < text.size(); i += 2)
        result.bytes.push_back(std::uint8_t(DigitValue(text[i]) << 4 | DigitValue(text[i + 1])));
    return result;
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(2 * bytes.size());
    for (std::uint8_t byte : bytes) {
        text += Digits[byte >> 4];
        text += Digits[byte & 0xF];
    }
    return text;
}

std::optional<std::string_view> FunctionName(unsigned function) {
    if (const auto* info = FindFunction(function)) return info->name;
    return std::nullopt;
}

std::vector<unsigned> StandardFunctions() {
    std::vector<unsigned> codes;
    for (const auto& info : Functions) codes.push_back(info.code);
    return codes;
}

FrameCheck CheckFrame(std::string_view hexText) {
    FrameCheck check;
    HexBytes hex = ParseHex(hexText);
    if (!hex.error.empty()) {
        check.error = std::move(hex.error);
        return check;
    }
    if (hex.bytes.size() < 2) {
        check.error = hex.bytes.empty() ? "no frame: nothing typed"
                                        : "too short: a frame starts with a slave address and a function code";
        return check;
    }
    check.bytes = std::move(hex.bytes);
    const Bytes& b = check.bytes;
    const std::size_t n = b.size();

    if (b[0] == 0)
        check.problems.push_back("slave 0 is the broadcast address, which no instrument answers");
    else if (b[0] > 247)
        check.problems.push_back("slave " + std::to_string(b[0]) + " is a reserved address");

    const FunctionInfo* info = FindFunction(b[1]);
    const std::optional<std::size_t> body = info ? BodySize(*info, b) : std::nullopt;
    if (body && (n == *body || n == *body + 2)) {
        check.crcOffset = *body;
        DecodeFields(*info, check);
    } else {
        if (!info)
            check.problems.push_back("function " + Hex8(b[1]) + " is not a standard request");
        else if (body)
            check.problems.push_back("the request is " + std::to_string(*body + 2) + " bytes long, this frame has " +
                                     std::to_string(n));
        else
            check.problems.push_back("the request is at least " + std::to_string(HeaderSize + 2) +
                                     " bytes long, this frame has " + std::to_string(n));
        // A request cut short of its fields has no CRC yet, and one byte past
        // them has half a CRC; otherwise, as in any RTU frame, the last two
        // bytes are the CRC.
        const bool cutShort = info ? n < body.value_or(HeaderSize) : n < 4;
        const bool halfCrc = body && n == *body + 1;
        check.cutShort = info && cutShort;
        check.crcOffset = cutShort ? n : halfCrc ? *body : n - 2;
    }

    check.crcNeeded = Crc16(std::span(b).first(check.crcOffset));
    if (check.crcOffset == n) {
        check.crc = CrcState::Missing;
    } else if (check.crcOffset + 1 == n) {
        check.crc = CrcState::Wrong;
        check.crcFound = b[check.crcOffset];
    } else {
        check.crcFound = std::uint16_t(b[check.crcOffset] | b[check.crcOffset + 1] << 8);
        check.crc = check.crcFound == check.crcNeeded ? CrcState::Right : CrcState::Wrong;
    }
    return check;
}

std::string DescribeCrc(const FrameCheck& check) {
    if (!check.error.empty()) return {};
    switch (check.crc) {
        case CrcState::Right: return "CRC ok";
        case CrcState::Wrong:
            if (check.crcOffset + 1 == check.bytes.size())
                return "CRC is one byte short, the frame needs " + Hex16(check.crcNeeded);
            return "CRC is " + Hex16(check.crcFound) + ", the frame needs " + Hex16(check.crcNeeded);
        case CrcState::Missing:
            if (check.cutShort) return "no CRC";
            return "no CRC, the frame needs " + Hex16(check.crcNeeded) + " at its end";
    }
    return {};
}

std::string Describe(const FrameCheck& check) {
    if (!check.error.empty()) return check.error;
    std::vector<std::string> parts{"Slave " + std::to_string(check.bytes[0])};
    if (const FunctionInfo* info = FindFunction(check.bytes[1])) {
        parts.push_back(std::string(info->name) + " (" + std::to_string(info->code) + ")");
        if (const auto& request = check.request) {
            switch (info->shape) {
                case Shape::Read:
                case Shape::WriteMultipleCoils:
                case Shape::WriteMultipleRegisters:
                    parts.push_back("from " + std::to_string(request->address));
                    parts.push_back(Counted(request->count, info->item));
                    break;
                case Shape::WriteCoil:
                    parts.push_back(std::string(info->item) + " " + std::to_string(request->address));
                    if (!request->values.empty()) parts.push_back(request->values[0] ? "ON" : "OFF");
                    break;
                case Shape::WriteRegister:
                    parts.push_back(std::string(info->item) + " " + std::to_string(request->address));
                    parts.push_back("value " + std::to_string(request->values[0]));
                    break;
            }
        }
    }
    parts.insert(parts.end(), check.problems.begin(), check.problems.end());
    parts.push_back(DescribeCrc(check));
    std::string text;
    for (const auto& part : parts) text += (text.empty() ? "" : std::string(Separator)) + part;
    return text;
}

std::optional<std::string> CompleteCrc(std::string_view hexText) {
    const FrameCheck check = CheckFrame(hexText);
    if (!check.error.empty() || check.cutShort) return std::nullopt;
    std::string crc = ToHex(Bytes{std::uint8_t(check.crcNeeded), std::uint8_t(check.crcNeeded >> 8)});
    const bool lower = std::any_of(hexText.begin(), hexText.end(), [](char c) { return c >= 'a' && c <= 'f'; }) &&
                       std::none_of(hexText.begin(), hexText.end(), [](char c) { return c >= 'A' && c <= 'F'; });
    if (lower)
        for (char& c : crc)
            if (c >= 'A' && c <= 'F') c = char(c - 'A' + 'a');
    return std::string(hexText.substr(0, 2 * check.crcOffset)) + crc;
}

BuiltFrame BuildFrame(const Request& request) {
    BuiltFrame built;
    const FunctionInfo* info = FindFunction(request.function);
    if (!info) {
        built.error = "function " + std::to_string(request.function) +
                      " is not one of the standard requests 1, 2, 3, 4, 5, 6, 15, 16";
        return built;
    }
    if (request.slave > 247) {
        built.error = "slave " + std::to_string(request.slave) + " is outside 0 to 247";
        return built;
    }
    if (request.address > 0xFFFF) {
        built.error = "address " + std::to_string(request.address) + " is outside 0 to 65535";
        return built;
    }
    Bytes frame{std::uint8_t(request.slave), std::uint8_t(info->code)};
    PutWord(frame, request.address);
    const std::size_t valueCount = info->shape == Shape::Read ? 0 : WritesMany(*info) ? request.values.size() : 1;
    if (info->shape != Shape::Read && request.values.size() != valueCount) {
        built.error = std::string(info->name) + " takes one value";
        return built;
    }
    const unsigned maxValue = info->shape == Shape::WriteCoil || info->shape == Shape::WriteMultipleCoils ? 1 : 0xFFFF;
    for (unsigned value : request.values)
        if (value > maxValue) {
            built.error = "value " + std::to_string(value) + " is outside 0 to " + std::to_string(maxValue);
            return built;
        }
    switch (info->shape) {
        case Shape::Read:
        case Shape::WriteMultipleCoils:
        case Shape::WriteMultipleRegisters: {
            const unsigned count = info->shape == Shape::Read ? request.count : unsigned(request.values.size());
            if (auto problem = CountProblem(*info, request.address, count)) {
                built.error = *problem;
                return built;
            }
            PutWord(frame, count);
            if (info->shape == Shape::WriteMultipleCoils) {
                Bytes packed((count + 7) / 8, 0);
                for (std::size_t i = 0; i < count; ++i)
                    packed[i / 8] = std::uint8_t(packed[i / 8] | request.values[i] << (i % 8));
                frame.push_back(std::uint8_t(packed.size()));
                frame.insert(frame.end(), packed.begin(), packed.end());
            } else if (info->shape == Shape::WriteMultipleRegisters) {
                frame.push_back(std::uint8_t(2 * count));
                for (unsigned value : request.values) PutWord(frame, value);
            }
            break;
        }
        case Shape::WriteCoil: PutWord(frame, request.values[0] ? CoilOn : 0); break;
        case Shape::WriteRegister: PutWord(frame, request.values[0]); break;
    }
    const std::uint16_t crc = Crc16(frame);
    frame.push_back(std::uint8_t(crc));
    frame.push_back(std::uint8_t(crc >> 8));
    built.hex = ToHex(frame);
    return built;
}

std::optional<unsigned> ParseNumber(std::string_view text, unsigned maximum) {
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 8) return std::nullopt;
    unsigned long value = 0;
    for (char c : text) {
        const int digit = DigitValue(c);
        if (digit < 0 || unsigned(digit) >= base) return std::nullopt;
        value = value * base + unsigned(digit);
    }
    if (value > maximum) return std::nullopt;
    return unsigned(value);
}

ParsedValues ParseValues(unsigned function, std::string_view text) {
    ParsedValues parsed;
    const FunctionInfo* info = FindFunction(function);
    std::vector<std::string_view> words;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t end = text.find_first_of(", \t", i);
        const std::size_t stop = end == std::string_view::npos ? text.size() : end;
        if (stop > i) words.push_back(text.substr(i, stop - i));
        i = stop + 1;
    }
    if (!info) {
        parsed.error = "function " + std::to_string(function) + " is not a standard request";
        return parsed;
    }
    const bool coils = info->shape == Shape::WriteCoil || info->shape == Shape::WriteMultipleCoils;
    if (info->shape == Shape::Read) {
        if (!words.empty()) parsed.error = std::string(info->name) + " takes no values";
        return parsed;
    }
    if (words.empty()) {
        parsed.error = std::string(info->name) + " needs " + (WritesMany(*info) ? "values" : "a value");
        return parsed;
    }
    if (!WritesMany(*info) && words.size() > 1) {
        parsed.error = std::string(info->name) + " takes one value";
        return parsed;
    }
    for (std::string_view word : words) {
        std::optional<unsigned> value;
        if (info->shape == Shape::WriteCoil && (word == "ON" || word == "on")) value = 1;
        else if (info->shape == Shape::WriteCoil && (word == "OFF" || word == "off")) value = 0;
        else value = ParseNumber(word, coils ? 1 : 0xFFFF);
        if (!value) {
            parsed.error = "'" + std::string(word) + "' is not " +
                           (coils ? std::string(info->shape == Shape::WriteCoil ? "ON, OFF, " : "") + "1 or 0"
                                  : "a number from 0 to 65535");
            parsed.values.clear();
            return parsed;
        }
        parsed.values.push_back(*value);
    }
    return parsed;
}

std::string ValuesText(const Request& request) {
    const FunctionInfo* info = FindFunction(request.function);
    if (info && info->shape == Shape::WriteCoil && request.values.size() == 1) return request.values[0] ? "ON" : "OFF";
    std::string text;
    for (unsigned value : request.values) text += (text.empty() ? "" : ",") + std::to_string(value);
    return text;
}

}  // namespace protocol::modbus
