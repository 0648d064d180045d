#include "commission/Configuration.h"

#include <cctype>

#include "protocol/Latin1.h"
#include "protocol/ChannelTable.h"
#include "protocol/CustomCommands.h"
#include "protocol/FieldNames.h"
#include "protocol/ReplyCodes.h"
#include "protocol/ReplyPath.h"
#include "protocol/SystemParameters.h"

namespace commission {
namespace {

Field Text(std::string control, std::string parameter, std::string key, std::string value,
           bool readBack = true) {
    return {.control = std::move(control),
            .parameter = std::move(parameter),
            .key = std::move(key),
            .isIndex = false,
            .itemCount = 0,
            .defaultValue = std::move(value),
            .readBack = readBack};
}

Field Index(std::string control, std::string parameter, std::string key, int itemCount, int value) {
    return {.control = std::move(control),
            .parameter = std::move(parameter),
            .key = std::move(key),
            .isIndex = true,
            .itemCount = itemCount,
            .defaultValue = value,
            .readBack = true};
}

// "Data Address" -> "dataAddress".
std::string CamelCase(const std::string& header) {
    std::string key;
    bool upper = false;
    for (char c : header) {
        if (c == ' ') {
            upper = true;
            continue;
        }
        const auto u = static_cast<unsigned char>(c);
        key += static_cast<char>(key.empty() ? std::tolower(u) : upper ? std::toupper(u) : u);
        upper = false;
    }
    return key;
}

void AddChannels(std::vector<Field>& fields, const protocol::ChannelTable& table) {
    for (int n = 1; n <= table.ChannelCount(); ++n) {
        const std::string parameter = table.setWord + protocol::ChannelDigits(n);
        for (const auto& column : table.columns) {
            const std::string control = protocol::ControlName(column, n);
            if (column.IsComboBox())
                fields.push_back(Index(control, parameter, CamelCase(column.header),
                                       static_cast<int>(column.items.size()), column.defaultIndex));
            else
                fields.push_back(Text(control, parameter, CamelCase(column.header),
                                      protocol::DefaultText(column, n)));
        }
    }
}

std::vector<Field> MakeFields() {
    constexpr int Bauds = 5, Parities = 3, StopBits = 2;
    std::vector<Field> f = {
        Text("Edit1", "ADR", "address", "001"),
        Index("ComboBox4", "MDO", "monitoring", 2, 0),
        Text("ADBESARD", "BADR", "analog", "00000"),
        Text("PUBESARD", "BADR", "pulse", "00000"),
        Text("Edit2", "JTM", "interval", "010"),
        Text("Edit3", "STM", "interval", "010"),
        Index("SENDXIEYI", "STM", "frameType", 4, 0),
    };
    for (const char* line : {"Z", "A", "B"}) {
        const std::string word = std::string("MR485") + line;
        f.push_back(Index(line + std::string("MR485BT"), word, "baud", Bauds, 3));
        f.push_back(Index(line + std::string("MR485JN"), word, "parity", Parities, 0));
        f.push_back(Index(line + std::string("RS485STOP"), word, "stopBits", StopBits, 0));
    }
    // The converter reports neither in its parameter record.
    f.push_back(Text("PCBSN", "PCBSN", "serialNumber", "00000000", false));
    f.push_back(Text("JIANZHI", "PCBSN", "inspector", "001", false));
    AddChannels(f, protocol::AnalogChannels());
    AddChannels(f, protocol::TotalizerChannels());
    for (int g = 1; g <= protocol::CustomCommandCount; ++g) {
        const auto& c = protocol::CustomCommandGroups[static_cast<std::size_t>(g - 1)];
        const std::string word = "COMW" + std::to_string(g);
        f.push_back(Index(std::string(c.enable), word, "enable", 2, 0));
        f.push_back(Text(std::string(c.data), word, "command", "0103000000044409"));
    }
    for (int g = 1; g <= protocol::CustomCommandCount; ++g) {
        const auto& c = protocol::CustomCommandGroups[static_cast<std::size_t>(g - 1)];
        const std::string word = "COMP0" + std::to_string(g);
        const char* bytes[] = {"01", "03", "00"};
        for (std::size_t i = 0; i < 3; ++i)
            f.push_back(Text(std::string(c.bytes[i]), word, "byte" + std::to_string(i + 1), bytes[i]));
    }
    return f;
}

}  // namespace

const std::vector<Field>& Fields() {
    static const std::vector<Field> fields = MakeFields();
    return fields;
}

const Field* FindField(std::string_view control) {
    for (const auto& f : Fields())
        if (f.control == control) return &f;
    return nullptr;
}

int Configuration::Index(const std::string& control) const { return std::get<int>(values.at(control)); }

const std::string& Configuration::Text(const std::string& control) const {
    return std::get<std::string>(values.at(control));
}

Configuration DefaultConfiguration() {
    Configuration c;
    for (const auto& f : Fields()) c.values[f.control] = f.defaultValue;
    return c;
}

std::optional<std::string> Apply(Configuration& record, const protocol::ParseResult& parse) {
    using Kind = protocol::Assignment::Kind;
    for (const auto& a : parse.assignments) {
        if (a.kind == Kind::ReplyMode || !FindField(a.control)) continue;
        if (a.kind == Kind::Text)
            record.values[a.control] = a.text;
        else
            record.values[a.control] = a.value;
    }
    return parse.failedText;
}

bool FillFromReply(Configuration& record, int code, std::string_view text,
                   std::optional<std::string>* failedText) {
    auto parse = protocol::ParseReply(code, text);
    if (!parse) return false;
    auto failed = Apply(record, *parse);
    if (failedText) *failedText = std::move(failed);
    return true;
}

std::string Show(const Value& value) {
    if (const int* index = std::get_if<int>(&value)) return std::to_string(*index);
    const auto& text = std::get<std::string>(value);
    return text.empty() ? "(empty)" : protocol::Latin1ToUtf8(text);
}

}  // namespace commission
