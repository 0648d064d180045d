#include "protocol/SystemParameters.h"

#include <vector>

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
    std::size_t offset;  // from the tag's first character
    std::size_t width;
    const char* control;
};

struct Record {
    std::string_view tag;
    std::vector<Field> fields;
};

constexpr auto AsText = Field::Use::Text;
constexpr auto AsIndex = Field::Use::ItemIndex;

// One RS485 line's record: baud, parity and stop bits.
Record LineRecord(std::string_view tag, const char* baud, const char* parity, const char* stopBits) {
    return {.tag = tag,
            .fields = {{.use = AsIndex, .offset = 6, .width = 1, .control = baud},
                       {.use = AsIndex, .offset = 8, .width = 1, .control = parity},
                       {.use = AsIndex, .offset = 10, .width = 1, .control = stopBits}}};
}

// The tags in the order they are searched, each with its fields.
const std::vector<Record>& Records() {
    static const std::vector<Record> records = {
        {.tag = "ADR:", .fields = {{.use = AsText, .offset = 4, .width = 3, .control = "Edit1"}}},
        {.tag = "MDO:", .fields = {{.use = AsIndex, .offset = 4, .width = 1, .control = "ComboBox4"}}},
        {.tag = "JTM:", .fields = {{.use = AsText, .offset = 4, .width = 3, .control = "Edit2"}}},
        {.tag = "STM:",
         .fields = {{.use = AsText, .offset = 4, .width = 3, .control = "Edit3"},
                    {.use = AsIndex, .offset = 8, .width = 2, .control = "SENDXIEYI"}}},
        {.tag = "BADR:",
         .fields = {{.use = AsText, .offset = 5, .width = 5, .control = "ADBESARD"},
                    {.use = AsText, .offset = 11, .width = 5, .control = "PUBESARD"}}},
        LineRecord("R485Z:", "ZMR485BT", "ZMR485JN", "ZRS485STOP"),
        LineRecord("R485A:", "AMR485BT", "AMR485JN", "ARS485STOP"),
        LineRecord("R485B:", "BMR485BT", "BMR485JN", "BRS485STOP"),
    };
    return records;
}

}  // namespace

ParseResult ParseSystemParameters(std::string_view text) {
    ParseResult result;
    for (const Record& record : Records()) {
        auto position = record.tag == "ADR:" ? FindSlaveAddressTag(text) : FindTag(text, record.tag);
        if (!position) continue;
        RecordReader reader(text, *position, result);
        for (const Field& f : record.fields) {
            const bool taken = f.use == AsText ? reader.Text(f.offset, f.width, f.control)
                                         : reader.ItemIndex(f.offset, f.width, f.control);
            if (!taken) break;
        }
        if (reader.failed()) break;
    }
    return result;
}

}  // namespace protocol
