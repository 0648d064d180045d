#pragma once
// The converter's side of the protocol: its parameters with their factory
// defaults, the set commands that store them, and the query replies in the
// record layouts the console reads.

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/CommandTable.h"

namespace emulator {

// The seven fields of a channel as they travel: command code, address,
// length, data type, coefficient, data address, data format.
using ChannelSettings = std::array<std::string, 7>;

struct CustomCommand {
    std::string enable = "0";
    std::string data = "0103000000044409";
    std::string rule = "010300";
    bool operator==(const CustomCommand&) const = default;
};

struct ConverterState {
    // The converter's own parameters by word ("ADR", "STM"): the fields as
    // they travel, joined by "," ("010,00").
    std::map<std::string, std::string, std::less<>> parameters;
    std::array<ChannelSettings, 16> analog;
    std::array<ChannelSettings, 12> totalizer;
    std::array<CustomCommand, 6> commands;

    // The factory settings of the parameter commands given.
    ConverterState() : ConverterState(protocol::ParameterCommands()) {}
    explicit ConverterState(const protocol::CommandTable& table);
    // The stored value of the parameter field that the control holds ("JIANZHI": "007"), or "".
    std::string Field(std::string_view control, const protocol::CommandTable& table = protocol::ParameterCommands()) const;
    bool operator==(const ConverterState&) const = default;
};

// How the converter answers a set command. The protocol fixes no
// acknowledgment, and converters differ: the emulator plays several.
enum class Acknowledgment {
    Tagged,     // "ADR:001 OK", "ADR ERR"
    Plain,      // "OK", "ERR"
    CrLf,       // "OK\r\n", "ERR\r\n"
    AlwaysErr,  // "ERR" to every set, which stores nothing
    NoAnswer,   // stored without a word
};

// The acknowledgment a switch names ("tagged", "plain", "crlf", "err", "none").
std::optional<Acknowledgment> AcknowledgmentNamed(std::string_view name);

class Converter {
public:
    Converter() : Converter(protocol::ParameterCommands()) {}
    // Plays the parameter commands of `table` (which outlives the converter).
    explicit Converter(const protocol::CommandTable& table) : table_(&table), state_(table) {}

    // Takes bytes as they arrive on the line; returns the replies to every
    // command completed by them, in order. Bytes outside a command are ignored.
    std::vector<std::string> Feed(std::string_view bytes);
    // The reply to one whole command ("PPPPPP#QX1#"); nothing for an unknown one.
    std::optional<std::string> Handle(std::string_view command);

    // Tagged until told otherwise; a profile loads in the tagged form.
    void SetAcknowledgment(Acknowledgment ack) { ack_ = ack; }

    const ConverterState& State() const { return state_; }
    bool Monitoring() const;

private:
    std::optional<std::string> Query(std::string_view word);
    std::optional<std::string> Set(std::string_view word, std::string_view fields);
    // `tagged`: the acknowledgment in the emulator's own form.
    std::optional<std::string> Acknowledge(bool taken, std::string_view word, std::string tagged) const;

    const protocol::CommandTable* table_;
    Acknowledgment ack_ = Acknowledgment::Tagged;
    ConverterState state_;
    std::string pending_;
    // pending_ starts with a prefix and holds no "#" after it before this offset:
    // bytes fed one at a time are each looked at once.
    std::size_t scanned_ = 0;
};

}  // namespace emulator
