#include "protocol/SystemParameters.h"

#include <array>

namespace protocol {

std::string ParameterQueryCommand() { return ComposeCommand(QueryPrefix, "QX1"); }

std::string ResetCommand() { return ComposeCommand(SetPrefix, "RESET"); }

std::string SlaveAddressCommand(std::string_view address) {
    return ComposeCommand(SetPrefix, "ADR", {PaddedNumber(StrToInt(address), 3)});
}

std::string MonitoringCommand(int monitoringIndex) {
    return ComposeCommand(SetPrefix, "MDO", {ItemIndexField(monitoringIndex)});
}

std::string BaseAddressesCommand(std::string_view analogBase, std::string_view pulseBase) {
    std::string analog = PaddedNumber(StrToInt(analogBase), 5);
    std::string pulse = PaddedNumber(StrToInt(pulseBase), 5);
    return ComposeCommand(SetPrefix, "BADR", {analog, pulse});
}

std::string ReadIntervalCommand(std::string_view interval) {
    return ComposeCommand(SetPrefix, "JTM", {PaddedNumber(StrToInt(interval), 3)});
}

std::string SendIntervalCommand(std::string_view interval, int frameTypeIndex) {
    std::string seconds = PaddedNumber(StrToInt(interval), 3);
    return ComposeCommand(SetPrefix, "STM", {seconds, PaddedNumber(frameTypeIndex, 2)});
}

std::string LineSettingsCommand(std::string_view word, int baudIndex, int parityIndex, int stopBitsIndex) {
    return ComposeCommand(
        SetPrefix, word,
        {ItemIndexField(baudIndex), ItemIndexField(parityIndex), ItemIndexField(stopBitsIndex)});
}

std::string BoardIdentityCommand(std::string_view serialNumber, std::string_view inspector) {
    std::string serial = PaddedNumber(StrToInt(serialNumber), 8);
    std::string checker = PaddedNumber(StrToInt(inspector), 3);
    return ComposeCommand(QueryPrefix, "PCBSN", {serial, checker});
}

std::optional<std::size_t> FindSlaveAddressTag(std::string_view text) {
    constexpr std::string_view tag = "ADR:";
    for (std::size_t from = 0;;) {
        std::size_t p = text.find(tag, from);
        if (p == std::string_view::npos) return std::nullopt;
        if (p == 0 || text[p - 1] != 'B') return p;
        from = p + 1;
    }
}

namespace {

struct Field {
    enum class Use { Text, ItemIndex } use;
    std::size_t offset;
    std::size_t width;
    const char* control;
};

struct Record {
    std::string_view tag;
    std::array<Field, 3> fields;
    std::size_t fieldCount;
};

constexpr auto AsText = Field::Use::Text;
constexpr auto AsIndex = Field::Use::ItemIndex;

// The tags in the order they are searched, each with its fields at their
// offsets from the tag's first character.
constexpr std::array<Record, 8> Records{{
    {"ADR:", {{{AsText, 4, 3, "Edit1"}}}, 1},
    {"MDO:", {{{AsIndex, 4, 1, "ComboBox4"}}}, 1},
    {"JTM:", {{{AsText, 4, 3, "Edit2"}}}, 1},
    {"STM:", {{{AsText, 4, 3, "Edit3"}, {AsIndex, 8, 2, "SENDXIEYI"}}}, 2},
    {"BADR:", {{{AsText, 5, 5, "ADBESARD"}, {AsText, 11, 5, "PUBESARD"}}}, 2},
    {"R485Z:",
     {{{AsIndex, 6, 1, "ZMR485BT"}, {AsIndex, 8, 1, "ZMR485JN"}, {AsIndex, 10, 1, "ZRS485STOP"}}},
     3},
    {"R485A:",
     {{{AsIndex, 6, 1, "AMR485BT"}, {AsIndex, 8, 1, "AMR485JN"}, {AsIndex, 10, 1, "ARS485STOP"}}},
     3},
    {"R485B:",
     {{{AsIndex, 6, 1, "BMR485BT"}, {AsIndex, 8, 1, "BMR485JN"}, {AsIndex, 10, 1, "BRS485STOP"}}},
     3},
}};

}  // namespace

ParseResult ParseSystemParameters(std::string_view text) {
    ParseResult result;
    for (const Record& record : Records) {
        auto position = record.tag == "ADR:" ? FindSlaveAddressTag(text) : FindTag(text, record.tag);
        if (!position) continue;
        RecordReader reader(text, *position, result);
        for (std::size_t i = 0; i < record.fieldCount; ++i) {
            const Field& f = record.fields[i];
            bool taken = f.use == AsText ? reader.Text(f.offset, f.width, f.control)
                                         : reader.ItemIndex(f.offset, f.width, f.control);
            if (!taken) break;
        }
        if (reader.failed()) break;
    }
    return result;
}

}  // namespace protocol
