#include "emulator/Converter.h"

#include <algorithm>
#include <vector>

#include "protocol/ChannelTable.h"
#include "protocol/Protocol.h"

namespace emulator {
namespace {

// A channel's factory settings: the defaults of the console's channel table.
ChannelSettings FactorySettings(const protocol::ChannelTable& table, int channel) {
    ChannelSettings c;
    for (std::size_t i = 0; i < c.size(); ++i) {
        const auto& column = table.columns[i];
        switch (column.encoding) {
            case protocol::FieldEncoding::ItemIndex: c[i] = protocol::ItemIndexField(column.defaultIndex); break;
            case protocol::FieldEncoding::TwoDigitItemIndex:
                c[i] = protocol::TwoDigitItemIndexField(column.defaultIndex);
                break;
            case protocol::FieldEncoding::Text: c[i] = protocol::DefaultText(column, channel); break;
        }
    }
    return c;
}

template <std::size_t N>
void SetFactorySettings(std::array<ChannelSettings, N>& channels, const protocol::ChannelTable& table) {
    for (std::size_t i = 0; i < N; ++i) channels[i] = FactorySettings(table, static_cast<int>(i) + 1);
}

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        auto end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

std::string TwoDigits(int n) { return protocol::PaddedNumber(n, 2); }

// "ZDAD", 1..16 -> its number, or nothing.
std::optional<int> ChannelNumber(std::string_view word, std::string_view stem, int count) {
    if (word.size() != stem.size() + 2 || word.substr(0, stem.size()) != stem) return std::nullopt;
    auto n = protocol::TryStrToInt(word.substr(stem.size()));
    if (!n || *n < 1 || *n > count) return std::nullopt;
    return n;
}

std::string ChannelRecord(std::string_view tag, int n, const ChannelSettings& c) {
    std::string record = std::string(tag) + TwoDigits(n) + ":";
    for (std::size_t i = 0; i < c.size(); ++i) record += (i ? "," : "") + c[i];
    return record;
}

bool StoreChannel(ChannelSettings& c, std::string_view fields) {
    auto f = Split(fields, ',');
    if (f.size() != 7) return false;
    std::copy(f.begin(), f.end(), c.begin());
    return true;
}

std::string Records(std::string_view tag, const auto& channels, int first, int last) {
    std::string reply;
    for (int n = first; n <= last; ++n) {
        if (!reply.empty()) reply += ' ';
        reply += ChannelRecord(tag, n, channels[n - 1]);
    }
    return reply;
}

}  // namespace

namespace {

// The answer to the parameter query: each reported parameter's word and its
// fields, in the order of their places ("ADR:001,MDO:0,...").
std::string ParameterRecords(const protocol::CommandTable& table, const ConverterState& s) {
    std::string reply;
    for (const auto* command : protocol::ReportedCommands(table)) {
        const auto stored = s.parameters.find(command->word);
        if (stored == s.parameters.end()) continue;
        reply += (reply.empty() ? "" : ",") + command->word + ":" + stored->second;
    }
    return reply;
}

}  // namespace

ConverterState::ConverterState(const protocol::CommandTable& table) {
    for (const auto& command : table) {
        if (command.fields.empty()) continue;
        std::string stored;
        for (const auto& field : command.fields) {
            if (!stored.empty()) stored += ',';
            stored += protocol::WireValue(field.travel, field.width, field.initial).value_or("");
        }
        parameters[command.word] = stored;
    }
    SetFactorySettings(analog, protocol::AnalogChannels());
    SetFactorySettings(totalizer, protocol::TotalizerChannels());
}

std::string ConverterState::Field(std::string_view control, const protocol::CommandTable& table) const {
    const auto place = protocol::FindFieldOf(table, control);
    const auto stored = place ? parameters.find(place->command->word) : parameters.end();
    if (stored == parameters.end()) return {};
    const auto values = Split(stored->second, ',');
    const auto index = static_cast<std::size_t>(place->field - place->command->fields.data());
    return index < values.size() ? values[index] : std::string();
}

bool Converter::Monitoring() const {
    const auto monitoring = state_.parameters.find("MDO");
    return monitoring != state_.parameters.end() && monitoring->second == "1";
}

std::vector<std::string> Converter::Feed(std::string_view bytes) {
    pending_.append(bytes);
    std::vector<std::string> replies;
    for (;;) {
        const std::string_view text(pending_);
        std::size_t start = 0;
        if (!text.starts_with(protocol::QueryPrefix) && !text.starts_with(protocol::SetPrefix)) {
            scanned_ = 0;
            start = std::min(text.find(protocol::QueryPrefix), text.find(protocol::SetPrefix));
        }
        if (start == std::string::npos) {
            // Keep only a tail that may still become a prefix.
            if (pending_.size() > 6) pending_.erase(0, pending_.size() - 6);
            return replies;
        }
        auto end = pending_.find('#', std::max(start + 7, scanned_));
        if (end == std::string::npos) {
            pending_.erase(0, start);
            scanned_ = pending_.size();
            if (pending_.size() > 4096) {  // a command never that long
                pending_.clear();
                scanned_ = 0;
            }
            return replies;
        }
        if (auto reply = Handle(std::string_view(pending_).substr(start, end + 1 - start)))
            replies.push_back(std::move(*reply));
        pending_.erase(0, end + 1);
        scanned_ = 0;
    }
}

std::optional<std::string> Converter::Handle(std::string_view command) {
    if (command.size() < 8 || command.back() != '#') return std::nullopt;
    auto prefix = command.substr(0, 7);
    auto body = command.substr(7, command.size() - 8);
    auto colon = body.find(':');
    auto word = body.substr(0, colon);
    auto fields = colon == std::string_view::npos ? std::string_view{} : body.substr(colon + 1);
    if (prefix == protocol::QueryPrefix) {
        // A parameter that is set with the query prefix (the board identity).
        if (const auto* command = protocol::FindCommand(*table_, word); command && command->prefix == prefix)
            return Set(word, fields);
        if (colon != std::string_view::npos) return std::nullopt;
        return Query(word);
    }
    if (prefix == protocol::SetPrefix) return Set(word, fields);
    return std::nullopt;
}

std::optional<std::string> Converter::Query(std::string_view word) {
    const auto& s = state_;
    if (word == "VAR") return "TQ410-K V3.0(20240127) ADR:" + s.Field("Edit1", *table_);
    if (word == "QX1") return ParameterRecords(*table_, s);
    if (word == "QX2") return Records("ZDAD", s.analog, 1, 8);
    if (word == "QX3") return Records("ZDAD", s.analog, 9, 16);
    if (word == "QX4") return Records("ZDPD", s.totalizer, 1, 6);
    if (word == "QX5") return Records("ZDPD", s.totalizer, 7, 12);
    if (auto n = ChannelNumber(word, "COMR", 6)) {
        const auto& c = s.commands[*n - 1];
        return "COMR" + std::to_string(*n) + ":" + c.enable + "," +
               TwoDigits(static_cast<int>(c.data.size() / 2)) + "," + c.data;
    }
    if (auto n = ChannelNumber(word, "COMP", 6))
        return "COMP0" + std::to_string(*n) + ":" + s.commands[*n - 1].rule;
    return std::nullopt;
}

namespace {

bool Digits(const std::string& text, std::size_t width) {
    return text.size() == width && protocol::TryStrToInt(text) && text[0] != '-' && text[0] != '+';
}

// A value the converter stores in a field: digits in the field's width, or
// an item of its list.
bool Storable(const protocol::CommandField& field, const std::string& value) {
    switch (field.travel) {
        case protocol::Travel::Number:
        case protocol::Travel::PaddedIndex: return Digits(value, field.width);
        case protocol::Travel::ItemIndex:
            return field.items && value.size() == 1 && value[0] >= '0' &&
                   value[0] < '0' + static_cast<int>(field.items->size());
        default: return !value.empty();
    }
}

// A parameter command: whether it is stored, or nothing when the word is none of them.
std::optional<bool> SetParameter(const protocol::CommandTable& table, ConverterState& s, std::string_view word,
                                 std::string_view fields) {
    const auto* command = protocol::FindCommand(table, word);
    if (!command || command->fields.empty()) return std::nullopt;
    const auto f = Split(fields, ',');
    if (f.size() != command->fields.size()) return false;
    for (std::size_t i = 0; i < f.size(); ++i)
        if (!Storable(command->fields[i], f[i])) return false;
    s.parameters[command->word] = std::string(fields);
    return true;
}

// "COMWn": enable "," count data, where the count is the data's length in
// characters, written with two or three digits and followed at once by the data.
bool SetCustomCommand(CustomCommand& command, std::string_view fields) {
    const auto comma = fields.find(',');
    if (comma == std::string_view::npos) return false;
    const auto rest = fields.substr(comma + 1);
    for (std::size_t width : {2u, 3u}) {
        if (rest.size() < width) break;
        auto count = protocol::TryStrToInt(rest.substr(0, width));
        if (count && *count >= 0 && static_cast<std::size_t>(*count) == rest.size() - width && *count % 2 == 0) {
            command.enable = std::string(fields.substr(0, comma));
            command.data = std::string(rest.substr(width));
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<Acknowledgment> AcknowledgmentNamed(std::string_view name) {
    const struct {
        std::string_view name;
        Acknowledgment ack;
    } names[] = {{"tagged", Acknowledgment::Tagged}, {"plain", Acknowledgment::Plain}, {"crlf", Acknowledgment::CrLf},
                 {"err", Acknowledgment::AlwaysErr}, {"none", Acknowledgment::NoAnswer}};
    for (const auto& n : names)
        if (n.name == name) return n.ack;
    return std::nullopt;
}

std::optional<std::string> Converter::Set(std::string_view word, std::string_view fields) {
    if (ack_ == Acknowledgment::AlwaysErr) return std::string("ERR");
    auto& s = state_;
    const std::string all = std::string(word) + ":" + std::string(fields);
    if (word == "RESET") {
        s = ConverterState{*table_};
        return Acknowledge(true, word, "RESET OK");
    }
    if (auto stored = SetParameter(*table_, s, word, fields)) return Acknowledge(*stored, word, all + " OK");
    if (auto n = ChannelNumber(word, "ZDAD", 16))
        return Acknowledge(StoreChannel(s.analog[*n - 1], fields), word, all + " OK");
    if (auto n = ChannelNumber(word, "ZDPU", 12))
        return Acknowledge(StoreChannel(s.totalizer[*n - 1], fields), word, all + " OK");
    if (word.size() == 5 && word.substr(0, 4) == "COMW" && word[4] >= '1' && word[4] <= '6')
        return Acknowledge(SetCustomCommand(s.commands[word[4] - '1'], fields), word, std::string(word) + " OK");
    if (auto n = ChannelNumber(word, "COMP", 6)) {
        const bool taken = fields.size() == 6;
        if (taken) s.commands[*n - 1].rule = std::string(fields);
        // A parsing rule is answered with its record, which the console parses.
        if (taken && ack_ != Acknowledgment::NoAnswer) return all;
        return Acknowledge(taken, word, all);
    }
    return Acknowledge(false, word, {});
}

std::optional<std::string> Converter::Acknowledge(bool taken, std::string_view word, std::string tagged) const {
    switch (ack_) {
        case Acknowledgment::Tagged: return taken ? std::move(tagged) : std::string(word) + " ERR";
        case Acknowledgment::Plain: return std::string(taken ? "OK" : "ERR");
        case Acknowledgment::CrLf: return std::string(taken ? "OK\r\n" : "ERR\r\n");
        case Acknowledgment::AlwaysErr: return std::string("ERR");
        case Acknowledgment::NoAnswer: break;
    }
    return std::nullopt;
}

}  // namespace emulator
