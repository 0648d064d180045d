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

ConverterState::ConverterState() {
    SetFactorySettings(analog, protocol::AnalogChannels());
    SetFactorySettings(totalizer, protocol::TotalizerChannels());
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
        if (word == "PCBSN") return Set(word, fields);
        if (colon != std::string_view::npos) return std::nullopt;
        return Query(word);
    }
    if (prefix == protocol::SetPrefix) return Set(word, fields);
    return std::nullopt;
}

std::optional<std::string> Converter::Query(std::string_view word) {
    const auto& s = state_;
    if (word == "VAR") return "TQ410-K V3.0(20240127) ADR:" + s.slaveAddress;
    if (word == "QX1")
        return "ADR:" + s.slaveAddress + ",MDO:" + s.monitoring + ",JTM:" + s.readInterval +
               ",STM:" + s.sendInterval + "," + s.frameType + ",BADR:" + s.analogBase + "," +
               s.pulseBase + ",MR485Z:" + s.rs485[0] + ",MR485A:" + s.rs485[1] +
               ",MR485B:" + s.rs485[2];
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

// The converter's own parameters and the three RS485 lines: whether it
// stores them, or nothing when the word is none of them.
std::optional<bool> SetParameter(ConverterState& s, std::string_view word, std::string_view fields) {
    const auto f = Split(fields, ',');
    if (word == "ADR" && f.size() == 1 && Digits(f[0], 3)) { s.slaveAddress = f[0]; return true; }
    if (word == "MDO" && f.size() == 1 && (f[0] == "0" || f[0] == "1")) { s.monitoring = f[0]; return true; }
    if (word == "JTM" && f.size() == 1 && Digits(f[0], 3)) { s.readInterval = f[0]; return true; }
    if (word == "STM" && f.size() == 2 && Digits(f[0], 3) && Digits(f[1], 2)) {
        s.sendInterval = f[0];
        s.frameType = f[1];
        return true;
    }
    if (word == "BADR" && f.size() == 2 && Digits(f[0], 5) && Digits(f[1], 5)) {
        s.analogBase = f[0];
        s.pulseBase = f[1];
        return true;
    }
    for (int i = 0; i < 3; ++i) {
        if (word != std::string("MR485") + "ZAB"[i]) continue;
        bool valid = f.size() == 3 && f[0].size() == 1 && f[0][0] >= '0' && f[0][0] <= '4' &&
                     f[1].size() == 1 && f[1][0] >= '0' && f[1][0] <= '2' && f[2].size() == 1 &&
                     f[2][0] >= '0' && f[2][0] <= '1';
        if (!valid) return false;
        s.rs485[i] = std::string(fields);
        return true;
    }
    if (word == "PCBSN" && f.size() == 2 && Digits(f[0], 8) && Digits(f[1], 3)) {
        s.serialNumber = f[0];
        s.inspector = f[1];
        return true;
    }
    return std::nullopt;
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
        s = ConverterState{};
        return Acknowledge(true, word, "RESET OK");
    }
    if (auto stored = SetParameter(s, word, fields)) return Acknowledge(*stored, word, all + " OK");
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
