// Captures of the emulator's fault switches, replayed by a second emulator:
// read, verify and write end against the replay as against the original,
// and a capture of the replay holds what the first capture held.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "commission/Capture.h"
#include "commission/Profile.h"
#include "tests/util/EmulatorProcess.h"
#include "tests/util/FaultCases.h"
#include "tests/util/ProgramRun.h"

namespace {

using consoletest::Emulator;

struct ReplayCase {
    const char* name;
    std::vector<std::string> switches;  // the original emulator's
    int timeoutMs;
    bool withSets;  // also capture, and then write, the set commands
    int captureExit;
    long answered;    // exchanges answered in the capture
    long withPieces;  // exchanges with any piece
};

void PrintTo(const ReplayCase& c, std::ostream* out) { *out << c.name; }

const ReplayCase cases[] = {
    {.name = "plain", .switches = {}, .timeoutMs = 3000, .withSets = true, .captureExit = 0, .answered = 65, .withPieces = 65},
    {.name = "split", .switches = {"--split"}, .timeoutMs = 3000, .withSets = false, .captureExit = 0, .answered = 17, .withPieces = 17},
    {.name = "delay", .switches = {"--delay", "150"}, .timeoutMs = 1000, .withSets = false, .captureExit = 0, .answered = 17, .withPieces = 17},
    {.name = "garbage", .switches = {"--garbage"}, .timeoutMs = 300, .withSets = false, .captureExit = 2, .answered = 0, .withPieces = 2},
    {.name = "silent", .switches = {"--silent"}, .timeoutMs = 300, .withSets = false, .captureExit = 2, .answered = 0, .withPieces = 0},
};

// The port's path stands for itself in the messages; two emulators have two.
std::string WithoutPort(std::string text, const std::string& port) {
    for (auto at = text.find(port); at != std::string::npos; at = text.find(port, at)) text.replace(at, port.size(), "PORT");
    return text;
}

long Count(const commission::Capture& capture, bool (*has)(const commission::CaptureExchange&)) {
    return static_cast<long>(std::count_if(capture.exchanges.begin(), capture.exchanges.end(), has));
}

class CaptureReplayTest : public ::testing::TestWithParam<ReplayCase> {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tq410k-capture.XXXXXX";
        ASSERT_TRUE(::mkdtemp(pattern));
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    consoletest::Outcome Cli(std::vector<std::string> args) {
        args.insert(args.begin(), TQ410K_CLI);
        return consoletest::ProgramRun(std::move(args), dir, "cli").Wait();
    }
    consoletest::Outcome Capture(const std::string& port, const std::string& file) {
        const auto& c = GetParam();
        std::vector<std::string> args{"capture", "--port", port, "--timeout", std::to_string(c.timeoutMs), "-o", file};
        if (c.withSets) args.push_back("--with-sets");
        return Cli(args);
    }

    std::filesystem::path dir;
};

TEST_P(CaptureReplayTest, ReplaysToTheSameResult) {
    const auto& c = GetParam();
    commission::Configuration unit = commission::DefaultConfiguration();
    unit.values["Edit1"] = std::string("007");
    unit.values["MPD3XS"] = std::string("00100");
    const std::string profile = (dir / "unit.json").string();
    commission::SaveProfile(profile, unit);
    std::vector<std::string> options{"--state", profile};
    options.insert(options.end(), c.switches.begin(), c.switches.end());
    Emulator original(options);

    const std::string file = (dir / "original.capture").string();
    const auto captured = Capture(original.port(), file);
    EXPECT_EQ(captured.status, c.captureExit) << captured.err;
    const auto held = commission::LoadCapture(file);
    EXPECT_EQ(Count(held, [](const auto& e) { return e.result == "answered"; }), c.answered);
    EXPECT_EQ(Count(held, [](const auto& e) { return !e.pieces.empty(); }), c.withPieces);

    const std::string wire = (dir / "wire.log").string();
    Emulator replay({"--replay", file, "--wire-log", wire});
    const std::string timeout = std::to_string(c.timeoutMs);
    const auto before = Cli({"verify", "--port", original.port(), "--timeout", timeout, profile});
    const auto after = Cli({"verify", "--port", replay.port(), "--timeout", timeout, profile});
    EXPECT_EQ(after.status, before.status);
    EXPECT_EQ(WithoutPort(after.out, replay.port()), WithoutPort(before.out, original.port()));
    EXPECT_EQ(WithoutPort(after.err, replay.port()), WithoutPort(before.err, original.port()));

    // The replay answers with the captured pieces, none before its time.
    const std::string again = (dir / "replay.capture").string();
    EXPECT_EQ(Capture(replay.port(), again).status, c.captureExit);
    const auto heldAgain = commission::LoadCapture(again);
    ASSERT_EQ(heldAgain.exchanges.size(), held.exchanges.size());
    for (std::size_t i = 0; i < held.exchanges.size(); ++i) {
        const auto &first = held.exchanges[i], &second = heldAgain.exchanges[i];
        EXPECT_EQ(second.result, first.result) << first.label;
        ASSERT_EQ(second.pieces.size(), first.pieces.size()) << first.label;
        for (std::size_t p = 0; p < first.pieces.size(); ++p) {
            EXPECT_EQ(second.pieces[p].bytes, first.pieces[p].bytes) << first.label;
            EXPECT_GE(second.pieces[p].afterMs, first.pieces[p].afterMs - 20) << first.label;
        }
    }
    EXPECT_EQ(consoletest::Overlaps(wire), "");

    if (c.withSets) {
        // Every set is acknowledged as captured; the serial number's was never captured.
        const auto write = Cli({"write", "--port", replay.port(), profile});
        EXPECT_EQ(write.status, 2);
        EXPECT_NE(write.err.find("no answer: PCBSN."), std::string::npos) << write.err;
    }
}

INSTANTIATE_TEST_SUITE_P(FaultSwitches, CaptureReplayTest, ::testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
