// The line scan driven event by event against a scripted RS485 line: the
// converters on it answer only when the scan's baud rate and parity match
// their own (a stop-bit mismatch is tolerated, as receivers do).

#include <gtest/gtest.h>

#include <algorithm>

#include "commission/LineScan.h"

namespace {

using namespace commission;
using namespace std::chrono_literals;
using Kind = LineScan::Action::Kind;
using State = LineScan::State;
using serial::TParity;
using serial::TStopBits;

struct Unit {
    LineSetting setting;
    std::string address = "005";
    bool answersQx1 = true;
};

struct Line {
    std::vector<Unit> units = {};
    bool garbleMismatch = false;  // a converter at other settings answers noise
    bool echo = false;            // a 2-wire adapter hears its own transmission
    int opensBeforeFailure = -1;  // the port stops opening after this many opens
    int cancelAfterTries = -1;
};

struct Played {
    LineScan scan;
    std::vector<std::string> sent;
    bool sentOverAnswer = false;  // a command went out less than the quiet interval after a byte
};

// Plays the scan against the line as a driver would.
Played Play(const Line& line, ScanOptions options = {}) {
    Played p{.scan = LineScan(options), .sent = {}, .sentOverAnswer = false};
    LineScan& s = p.scan;
    TimePoint now{};
    std::optional<TimePoint> lastByte;
    struct Pending {
        TimePoint at;
        std::string text;
    };
    std::vector<Pending> pending;
    int opens = 0;
    auto answer = [&](const std::string& command) {
        const auto& cur = s.CurrentSetting();
        std::string text = line.echo ? command : "";
        for (const auto& u : line.units) {
            const bool match = u.setting.baud == cur.baud && u.setting.parity == cur.parity;
            if (!match) {
                if (line.garbleMismatch) text += "\xF8\x80\x1E";
                continue;
            }
            if (command == "PPPPPP#VAR#") text += "TQ410-K V3.0(20240127) ADR:" + u.address;
            else if (u.answersQx1) text += "ADR:" + u.address + ",MDO:0,JTM:010,STM:010,00,BADR:00000,00000";
        }
        if (!text.empty()) pending.push_back({.at = now + 60ms, .text = text});
    };
    auto act = [&](LineScan::Action a) {
        for (;;) {
            if (a.kind == Kind::Open) {
                a = s.Opened(line.opensBeforeFailure < 0 || opens++ < line.opensBeforeFailure, "No such device");
            } else if (a.kind == Kind::Send) {
                if (lastByte && now < *lastByte + QuietInterval) p.sentOverAnswer = true;
                p.sent.push_back(s.CurrentCommand());
                answer(s.CurrentCommand());
                a = s.Sent(true, now);
                if (line.cancelAfterTries >= 0 && s.Tried() > static_cast<std::size_t>(line.cancelAfterTries))
                    a = s.Cancel();
            } else {
                return;
            }
        }
    };
    act(s.Start());
    while (s.Running()) {
        const auto wake = s.WakeAt();
        if (!pending.empty() && (!wake || pending.front().at < *wake)) {
            now = pending.front().at;
            lastByte = now;
            const auto text = pending.front().text;
            pending.erase(pending.begin());
            act(s.BlockReceived(text, now));
        } else {
            now = *wake;
            act(s.Tick(now));
        }
    }
    return p;
}

TEST(LineScan, OrderIsTheLikeliestFirstAndNarrows) {
    const auto all = ScanOrder({});
    ASSERT_EQ(all.size(), 30u);
    EXPECT_EQ(all[0], (LineSetting{.baud = 9600, .parity = TParity::None, .stopBits = TStopBits::_1}));
    EXPECT_EQ(all[1].baud, 19200u);
    EXPECT_EQ(all[5], (LineSetting{.baud = 9600, .parity = TParity::Even, .stopBits = TStopBits::_1}));
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(std::count(all.begin(), all.end(), all[i]), 1) << i;
    const struct {
        ScanOptions options;
        std::size_t count;
    } rows[] = {
        {.options = {.baud = 19200}, .count = 6},
        {.options = {.parity = TParity::Even}, .count = 10},
        {.options = {.stopBits = TStopBits::_2}, .count = 15},
        {.options = {.baud = 1200, .parity = TParity::Odd, .stopBits = TStopBits::_2}, .count = 1},
        {.options = {.baud = 115200}, .count = 0},
    };
    for (const auto& r : rows) EXPECT_EQ(ScanOrder(r.options).size(), r.count);
}

// Every one of the 30 settings: the converter is found there (a converter at
// 2 stop bits already answers at 1), with its address, after the settings
// before it, and nothing that changes a converter is sent.
TEST(LineScan, FindsTheConverterAtEachSetting) {
    const auto order = ScanOrder({});
    for (const auto& setting : order) {
        const auto p = Play({.units = {{.setting = setting, .address = "017"}}});
        const LineSetting atOneStop{.baud = setting.baud, .parity = setting.parity, .stopBits = TStopBits::_1};
        const auto position = std::find(order.begin(), order.end(), atOneStop) - order.begin();
        SCOPED_TRACE(DescribeSetting(setting));
        EXPECT_EQ(p.scan.state(), State::Finished);
        EXPECT_EQ(p.scan.Found(), (std::vector<Finding>{{.setting = atOneStop, .address = "017"}}));
        EXPECT_EQ(p.scan.Tried(), static_cast<std::size_t>(position + 1));
        EXPECT_FALSE(p.sentOverAnswer);
        for (const auto& c : p.sent) EXPECT_TRUE(c == "PPPPPP#VAR#" || c == "PPPPPP#QX1#") << c;
        // Narrowed to its stop bits, it is found at exactly its setting.
        const auto narrowed = Play({.units = {{.setting = setting}}}, {.stopBits = setting.stopBits});
        ASSERT_EQ(narrowed.scan.Found().size(), 1u);
        EXPECT_EQ(narrowed.scan.Found()[0].setting, setting);
    }
}

TEST(LineScan, Outcomes) {
    const LineSetting at19200E1{.baud = 19200, .parity = TParity::Even, .stopBits = TStopBits::_1};
    const LineSetting at2400O2{.baud = 2400, .parity = TParity::Odd, .stopBits = TStopBits::_2};
    const struct {
        const char* name;
        Line line;
        ScanOptions options = {};
        State state;
        std::size_t found, strangers, tried;
        std::string report;  // a part of it
    } rows[] = {
        {.name = "found",
         .line = {.units = {{.setting = at19200E1}}},
         .state = State::Finished, .found = 1, .strangers = 0, .tried = 7,
         .report = "TQ410-K at 19200 baud, even parity, 1 stop bit; slave address 005\n"},
        {.name = "found through the adapter's echo",
         .line = {.units = {{.setting = at19200E1}}, .echo = true},
         .state = State::Finished, .found = 1, .strangers = 0, .tried = 7,
         .report = "TQ410-K at 19200 baud, even parity, 1 stop bit; slave address 005\n"},
        {.name = "silent port",
         .line = {},
         .state = State::Finished, .found = 0, .strangers = 0, .tried = 30,
         .report = "Nothing answers on P: tried 30 settings (9600, 19200, 4800, 2400, 1200 baud; no, even, odd "
                   "parity; 1, 2 stop bits), each with \"PPPPPP#VAR#\""},
        {.name = "silent port, narrowed",
         .line = {}, .options = {.parity = TParity::Odd, .stopBits = TStopBits::_1},
         .state = State::Finished, .found = 0, .strangers = 0, .tried = 5,
         .report = "tried 5 settings (9600, 19200, 4800, 2400, 1200 baud; odd parity; 1 stop bit)"},
        {.name = "answers VAR but not QX1",
         .line = {.units = {{.setting = at19200E1, .answersQx1 = false}}},
         .state = State::Finished, .found = 0, .strangers = 1, .tried = 29,
         .report = "Something answers on P, but not as a TQ410-K, at 19200 baud, even parity, 1 stop bit"},
        {.name = "noise at the wrong settings, the converter at its own",
         .line = {.units = {{.setting = at2400O2}}, .garbleMismatch = true},
         .state = State::Finished, .found = 1, .strangers = 13, .tried = 14,
         .report = "TQ410-K at 2400 baud, odd parity, 1 stop bit; slave address 005\n"},
        {.name = "two converters on one bus, all",
         .line = {.units = {{.setting = at19200E1, .address = "001"}, {.setting = at2400O2, .address = "002"}}},
         .options = {.all = true},
         .state = State::Finished, .found = 2, .strangers = 0, .tried = 28,
         .report = "TQ410-K at 19200 baud, even parity, 1 stop bit; slave address 001\n"
                   "TQ410-K at 2400 baud, odd parity, 1 stop bit; slave address 002\n"},
        {.name = "two converters on one bus, the first only",
         .line = {.units = {{.setting = at19200E1, .address = "001"}, {.setting = at2400O2, .address = "002"}}},
         .state = State::Finished, .found = 1, .strangers = 0, .tried = 7,
         .report = "slave address 001\n"},
        {.name = "port does not open",
         .line = {.opensBeforeFailure = 3},
         .state = State::PortFailed, .found = 0, .strangers = 0, .tried = 3,
         .report = "Cannot search P: it does not open at 2400 baud, no parity, 1 stop bit: No such device"},
        {.name = "cancelled",
         .line = {.cancelAfterTries = 4},
         .state = State::Cancelled, .found = 0, .strangers = 0, .tried = 5,
         .report = "Search of P cancelled after 5 of 30 settings"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const auto p = Play(r.line, r.options);
        EXPECT_EQ(p.scan.state(), r.state);
        EXPECT_EQ(p.scan.Found().size(), r.found);
        EXPECT_EQ(p.scan.Strangers().size(), r.strangers);
        EXPECT_EQ(p.scan.Tried(), r.tried);
        EXPECT_FALSE(p.sentOverAnswer);
        EXPECT_NE(p.scan.Report("P").find(r.report), std::string::npos) << p.scan.Report("P");
    }
}

// Each try waits the time-out beyond what the command and a short answer
// take on the line: longer at 1200 baud than at 19200.
TEST(LineScan, TryWaitFollowsTheRate) {
    auto waitAt = [](std::uint32_t baud) {
        LineScan s({.baud = baud, .parity = TParity::None, .stopBits = TStopBits::_1});
        EXPECT_EQ(s.Start().kind, Kind::Open);
        EXPECT_EQ(s.Opened(true).kind, Kind::Send);
        s.Sent(true, TimePoint{});
        return *s.WakeAt() - TimePoint{};
    };
    EXPECT_EQ(waitAt(19200), 500ms + std::chrono::microseconds(43 * 10 * 1'000'000 / 19200));
    EXPECT_EQ(waitAt(1200), 500ms + std::chrono::microseconds(43 * 10 * 1'000'000 / 1200));
}

}  // namespace
