#include "commission/LineScan.h"

#include <algorithm>

#include "commission/Echo.h"
#include "protocol/ControlNames.h"
#include "protocol/SystemParameters.h"

namespace commission {

namespace {

using Kind = LineScan::Action::Kind;
using serial::TParity;
using serial::TStopBits;

// The port group's baud rates, the likeliest first.
constexpr std::uint32_t Bauds[] = {9600, 19200, 4800, 2400, 1200};
struct LineForm {
    TParity parity;
    TStopBits stopBits;
};
constexpr LineForm Forms[] = {
    {.parity = TParity::None, .stopBits = TStopBits::_1}, {.parity = TParity::Even, .stopBits = TStopBits::_1},
    {.parity = TParity::Odd, .stopBits = TStopBits::_1},  {.parity = TParity::None, .stopBits = TStopBits::_2},
    {.parity = TParity::Even, .stopBits = TStopBits::_2}, {.parity = TParity::Odd, .stopBits = TStopBits::_2},
};

// Characters an answer may take on the line, beyond the command: the
// communication query's answer is a short identification, the parameter
// query's a record of every parameter.
constexpr std::size_t QueryAnswerLength = 32;
constexpr std::size_t ConfirmAnswerLength = 128;

const std::string& QueryCommand() {
    static const std::string command = "PPPPPP#VAR#";
    return command;
}
const std::string& ConfirmCommand() {
    static const std::string command = protocol::ParameterQueryCommand();
    return command;
}

// How long `characters` take on the line: start bit, 8 data bits, parity, stop bits.
std::chrono::microseconds LineTime(const LineSetting& s, std::size_t characters) {
    const std::uint64_t bits = 1 + 8 + (s.parity == TParity::None ? 0 : 1) + (s.stopBits == TStopBits::_1 ? 1 : 2);
    return std::chrono::microseconds(characters * bits * 1'000'000 / std::max<std::uint32_t>(s.baud, 1));
}

// "9600, 19200 baud; no, even parity; 1, 2 stop bits": what a list of settings covers.
std::string Coverage(const std::vector<LineSetting>& settings) {
    std::vector<std::string> bauds, parities, stops;
    auto add = [](std::vector<std::string>& list, std::string word) {
        if (std::find(list.begin(), list.end(), word) == list.end()) list.push_back(std::move(word));
    };
    for (const auto& s : settings) {
        add(bauds, std::to_string(s.baud));
        add(parities, ParityWord(s.parity));
        add(stops, s.stopBits == TStopBits::_1 ? "1" : "2");
    }
    auto join = [](const std::vector<std::string>& list) {
        std::string text;
        for (const auto& w : list) text += (text.empty() ? "" : ", ") + w;
        return text;
    };
    return join(bauds) + " baud; " + join(parities) + " parity; " + join(stops) +
           (stops.size() == 1 && stops[0] == "1" ? " stop bit" : " stop bits");
}

}  // namespace

std::string DescribeSetting(const LineSetting& s) {
    return DescribeLine({.port = {}, .baud = s.baud, .parity = s.parity, .stopBits = s.stopBits});
}

std::vector<LineSetting> ScanOrder(const ScanOptions& o) {
    std::vector<LineSetting> order;
    for (const auto& form : Forms) {
        if (o.parity && *o.parity != form.parity) continue;
        if (o.stopBits && *o.stopBits != form.stopBits) continue;
        for (auto baud : Bauds)
            if (!o.baud || *o.baud == baud)
                order.push_back({.baud = baud, .parity = form.parity, .stopBits = form.stopBits});
    }
    return order;
}

LineScan::LineScan(ScanOptions options) : options_(options), settings_(ScanOrder(options)) {}

const std::string& LineScan::CurrentCommand() const {
    return stage_ == Stage::Query ? QueryCommand() : ConfirmCommand();
}

LineScan::Action LineScan::Start() {
    if (state_ != State::Ready) return {};
    state_ = State::Running;
    if (settings_.empty()) {
        state_ = State::Finished;
        return {Kind::Finish};
    }
    return {Kind::Open};
}

LineScan::Action LineScan::Opened(bool opened, std::string why) {
    if (state_ != State::Running || deadline_) return {};
    if (!opened) {
        state_ = State::PortFailed;
        fault_ = "it does not open at " + DescribeSetting(CurrentSetting()) + (why.empty() ? "" : ": " + why);
        return {Kind::Finish};
    }
    stage_ = Stage::Query;
    return {Kind::Send};
}

LineScan::Action LineScan::Sent(bool handedToPort, TimePoint now) {
    if (state_ != State::Running || deadline_) return {};
    if (!handedToPort) {
        state_ = State::PortFailed;
        fault_ = "it does not take data at " + DescribeSetting(CurrentSetting());
        return {Kind::Finish};
    }
    if (stage_ == Stage::Query) ++tried_;
    const auto expected = stage_ == Stage::Query ? QueryAnswerLength : ConfirmAnswerLength;
    deadline_ = now + options_.tryTimeout + LineTime(CurrentSetting(), CurrentCommand().size() + expected);
    return {};
}

bool LineScan::Answered() const { return !AfterEcho(answer_, CurrentCommand()).empty(); }

std::optional<std::string> LineScan::Address() const {
    const auto parse = protocol::ParseSystemParameters(AfterEcho(answer_, CurrentCommand()));
    for (const auto& a : parse.assignments)
        if (a.kind == protocol::Assignment::Kind::Text && a.control == protocol::control::SlaveAddress) return a.text;
    return std::nullopt;
}

LineScan::Action LineScan::BlockReceived(std::string_view block, TimePoint lastByte) {
    if (state_ != State::Running || !deadline_) return {};
    AppendAnswer(answer_, block);
    // Over once the line is quiet after what is wanted; more that comes
    // puts the end back, so the next command never goes over an answer.
    const bool wanted = stage_ == Stage::Query ? Answered() : Address().has_value();
    if (wanted || quietAt_) quietAt_ = lastByte + QuietInterval;
    if (!wanted) lastByte_ = lastByte;
    return {};
}

LineScan::Action LineScan::Tick(TimePoint now) {
    if (state_ != State::Running || !deadline_) return {};
    const auto end = WakeAt();
    if (end && now >= *end) return EndStep();
    return {};
}

std::optional<TimePoint> LineScan::WakeAt() const {
    if (state_ != State::Running || !deadline_) return std::nullopt;
    if (quietAt_) return std::min(*quietAt_, *deadline_ + options_.tryTimeout);
    // Bytes that are not yet an answer (noise of a wrong setting) still keep
    // the line busy until it has been quiet a while, within a bound.
    if (lastByte_) return std::min(std::max(*deadline_, *lastByte_ + QuietInterval), *deadline_ + options_.tryTimeout);
    return *deadline_;
}

LineScan::Action LineScan::EndStep() {
    const bool query = stage_ == Stage::Query;
    const bool answered = query && Answered();
    const auto address = query ? std::nullopt : Address();
    answer_.clear();
    deadline_.reset();
    quietAt_.reset();
    lastByte_.reset();
    if (answered) {
        stage_ = Stage::Confirm;
        return {Kind::Send};
    }
    if (!query) {
        if (address) {
            found_.push_back({.setting = CurrentSetting(), .address = *address});
            if (!options_.all) {
                state_ = State::Finished;
                return {Kind::Finish};
            }
        } else {
            strangers_.push_back(CurrentSetting());
        }
    }
    return NextSetting();
}

LineScan::Action LineScan::NextSetting() {
    stage_ = Stage::Query;
    // A device answers at either stop-bit setting (a receiver reads the
    // first stop bit only): once it answered, its baud rate and parity are done.
    auto same = [](const LineSetting& a, const LineSetting& b) { return a.baud == b.baud && a.parity == b.parity; };
    auto known = [&](const LineSetting& s) {
        return std::any_of(found_.begin(), found_.end(), [&](const Finding& f) { return same(f.setting, s); }) ||
               std::any_of(strangers_.begin(), strangers_.end(), [&](const LineSetting& t) { return same(t, s); });
    };
    while (++current_ < settings_.size())
        if (!known(settings_[current_])) return {Kind::Open};
    current_ = settings_.size() - 1;
    state_ = State::Finished;
    return {Kind::Finish};
}

LineScan::Action LineScan::PortLost() {
    if (!Running()) return {};
    state_ = State::PortFailed;
    fault_ = "it went away at " + DescribeSetting(CurrentSetting());
    return {Kind::Finish};
}

LineScan::Action LineScan::Cancel() {
    if (!Running()) return {};
    state_ = State::Cancelled;
    return {Kind::Finish};
}

std::string LineScan::Progress() const {
    if (settings_.empty()) return "Searching";
    return std::string(stage_ == Stage::Query ? "Trying " : "Something answers at ") +
           (stage_ == Stage::Query ? std::to_string(current_ + 1) + " of " + std::to_string(settings_.size()) + " \xC2\xB7 "
                                   : "") +
           DescribeSetting(CurrentSetting()) + (stage_ == Stage::Query ? "" : " \xC2\xB7 asking for its parameters");
}

std::string LineScan::Report(const std::string& port) const {
    std::string text;
    for (const auto& f : found_)
        text += "TQ410-K at " + DescribeSetting(f.setting) + "; slave address " + f.address + "\n";
    if (!strangers_.empty()) {
        text += "Something answers on " + port + ", but not as a TQ410-K, at ";
        for (std::size_t i = 0; i < strangers_.size(); ++i)
            text += (i ? "; " : "") + DescribeSetting(strangers_[i]);
        text += " (it answers \"" + QueryCommand() + "\", but its answer to \"" + ConfirmCommand() +
                "\" carries no slave address \"ADR:\")\n";
    }
    const std::string tried = std::to_string(tried_) + " of " + std::to_string(settings_.size()) + " settings";
    switch (state_) {
        case State::Ready:
        case State::Running: text += "Searching " + port + ": " + tried + " tried\n"; break;
        case State::Cancelled: text += "Search of " + port + " cancelled after " + tried + "\n"; break;
        case State::PortFailed: text += "Cannot search " + port + ": " + fault_ + "\n"; break;
        case State::Finished:
            if (found_.empty() && strangers_.empty())
                text += "Nothing answers on " + port + ": tried " + std::to_string(tried_) +
                        (tried_ == 1 ? " setting (" : " settings (") +
                        Coverage(settings_) + "), each with \"" + QueryCommand() +
                        "\". Check the cable, the RS485 A and B wires and the converter's power.\n";
            break;
    }
    return text;
}

}  // namespace commission
