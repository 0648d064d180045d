// A batch by tq410k-cli commission, one emulator per unit: identities on the
// units, records, the batch log, a crash and a resume.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "commission/BatchLog.h"
#include "commission/Profile.h"
#include "commission/Sha256.h"
#include "commission/UnitIdentity.h"
#include "tests/util/EmulatorProcess.h"
#include "tests/util/ProgramRun.h"

namespace {

using commission::Configuration;
using consoletest::Emulator;
using consoletest::Outcome;
using consoletest::ProgramRun;
namespace fs = std::filesystem;

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class BatchCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tq410k-batch-cli.XXXXXX";
        ASSERT_TRUE(::mkdtemp(pattern));
        dir = pattern;
        fs::create_directory(records());
        Configuration c = commission::DefaultConfiguration();
        c.values["MAD3XS"] = std::string("00010");
        c.values["ZRS485STOP"] = 1;
        commission::SaveProfile(profile(), c);
        template_ = c;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string profile() const { return (dir / "line3.json").string(); }
    std::string records() const { return (dir / "records").string(); }
    std::string log() const { return (dir / "batch.csv").string(); }
    std::string state(int unit) const { return (dir / ("unit" + std::to_string(unit) + ".json")).string(); }

    std::unique_ptr<Emulator> Unit(int unit, std::vector<std::string> options = {}) {
        options.insert(options.end(), {"--save-state", state(unit)});
        return std::make_unique<Emulator>(options);
    }
    std::vector<std::string> Commission(const Emulator& e, std::vector<std::string> identity) {
        std::vector<std::string> args = {TQ410K_CLI, "commission", "--port", e.port(), profile(),
                                         "--inspector", "7", "--record", records(), "--batch-log", log()};
        args.insert(args.end(), identity.begin(), identity.end());
        return args;
    }
    Outcome Run(const std::vector<std::string>& args) { return ProgramRun(args, dir, "run").Wait(); }
    Configuration Stored(int unit) { return commission::LoadProfile(state(unit)); }

    fs::path dir;
    Configuration template_;
};

TEST_F(BatchCliTest, ThreeUnitsOnThreeLinksThenACrashAndAResume) {
    std::vector<std::unique_ptr<Emulator>> units;
    for (int i = 0; i < 3; ++i) units.push_back(Unit(i));
    // An earlier unit of the batch, which failed: its number stays taken.
    commission::BatchLog(log()).Append({"00000099", "", "001", "", "", "FAIL", "earlier", ""});
    {
        std::vector<std::unique_ptr<ProgramRun>> runs;
        for (int i = 0; i < 3; ++i)
            runs.push_back(std::make_unique<ProgramRun>(
                Commission(*units[i], {"--serial", std::to_string(100 + i), "--address", std::to_string(10 + i)}),
                dir, "unit" + std::to_string(i)));
        for (int i = 0; i < 3; ++i) {
            const auto o = runs[i]->Wait();
            const std::string serial = "00000" + std::to_string(100 + i);
            EXPECT_EQ(o.status, 0) << o.err;
            EXPECT_EQ(o.out, "PASS " + serial + "\nRecord: " + records() + "/" + serial + ".json\n");
            EXPECT_EQ(Stored(i), commission::WithIdentity(template_, {serial, "007", 10 + i}));
            const auto json = nlohmann::json::parse(std::ifstream(records() + "/" + serial + ".json"));
            EXPECT_EQ(json["result"], "PASS");
            EXPECT_EQ(json["unit"]["address"], 10 + i);
            std::ifstream file(profile(), std::ios::binary);
            EXPECT_EQ(json["profile"]["sha256"], commission::Sha256Hex(std::string(std::istreambuf_iterator<char>(file), {})));
            EXPECT_TRUE(fs::exists(records() + "/" + serial + ".html"));
        }
    }
    // A serial number the log holds is refused before anything is sent.
    auto again = Run(Commission(*units[0], {"--serial", "101"}));
    EXPECT_EQ(again.status, 2);
    EXPECT_NE(again.err.find("serial number 00000101 is already in " + log() + ", line "), std::string::npos) << again.err;
    EXPECT_NE(again.err.find(", PASS; nothing was sent. Give --retry"), std::string::npos) << again.err;
    EXPECT_EQ(Stored(0).Text("PCBSN"), "00000100");

    // The next unit is killed while it is being written.
    auto slow = Unit(3, {"--delay", "100"});
    ProgramRun crashed(Commission(*slow, {"--first-serial", "99"}), dir, "crashed");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    crashed.Kill();
    // The resumed batch starts with the next number that was never given out;
    // beside it, --retry commissions the crashed unit again under its own number.
    auto fresh = Unit(4);
    ProgramRun resumed(Commission(*fresh, {"--first-serial", "99"}), dir, "resumed");
    auto other = Unit(5);
    ProgramRun retried(Commission(*other, {"--serial", "103", "--retry"}), dir, "retried");
    const auto resume = resumed.Wait();
    EXPECT_EQ(resume.status, 0) << resume.err;
    EXPECT_EQ(Stored(4).Text("PCBSN"), "00000104");
    const auto retry = retried.Wait();
    EXPECT_EQ(retry.status, 0) << retry.err;
    EXPECT_EQ(Stored(5).Text("PCBSN"), "00000103");

    const commission::BatchLog batch(log());
    std::map<std::string, std::string> last;  // serial -> last result
    for (const auto& e : batch.Entries()) last[e.serial] = e.result;
    EXPECT_EQ(last, (std::map<std::string, std::string>{{"00000099", "FAIL"},
                                                        {"00000100", "PASS"},
                                                        {"00000101", "PASS"},
                                                        {"00000102", "PASS"},
                                                        {"00000103", "PASS"},
                                                        {"00000104", "PASS"}}));

    // Both runs of unit 103 logged their start before sending; the crashed one ended there.
    EXPECT_EQ(std::count_if(batch.Entries().begin(), batch.Entries().end(),
                            [](const auto& e) { return e.serial == "00000103" && e.result == "STARTED"; }),
              2);
}

TEST_F(BatchCliTest, FourStationsSharingOneLogNeverGiveOutASerialNumberTwice) {
    constexpr int Stations = 4, Rounds = 3;
    std::vector<std::unique_ptr<Emulator>> units;
    for (int i = 0; i < Stations; ++i) units.push_back(Unit(i));
    std::map<std::string, int> passed;  // serial -> runs that printed PASS for it
    for (int round = 0; round < Rounds; ++round) {
        std::vector<std::unique_ptr<ProgramRun>> runs;
        for (int i = 0; i < Stations; ++i)
            runs.push_back(std::make_unique<ProgramRun>(Commission(*units[i], {"--first-serial", "1000"}), dir,
                                                        "station" + std::to_string(i)));
        for (int i = 0; i < Stations; ++i) {
            const auto o = runs[i]->Wait();
            ASSERT_EQ(o.status, 0) << o.err;
            ASSERT_TRUE(o.out.starts_with("PASS ")) << o.out;
            const std::string serial = o.out.substr(5, 8);
            ++passed[serial];
            EXPECT_EQ(Stored(i).Text("PCBSN"), serial);  // the converter holds what was reported
        }
    }
    ASSERT_EQ(passed.size(), static_cast<std::size_t>(Stations * Rounds));
    EXPECT_EQ(passed.begin()->first, "00001000");
    EXPECT_EQ(passed.rbegin()->first, "00001011");
    std::map<std::string, std::vector<std::string>> lines;  // serial -> its results in the log
    const commission::BatchLog batch(log());
    for (const auto& e : batch.Entries()) lines[e.serial].push_back(e.result);
    for (const auto& [serial, count] : passed) {
        EXPECT_EQ(count, 1) << serial;
        EXPECT_EQ(lines[serial], (std::vector<std::string>{"STARTED", "PASS"})) << serial;
        EXPECT_TRUE(fs::exists(records() + "/" + serial + ".json")) << serial;
    }
    EXPECT_EQ(lines.size(), passed.size());
    EXPECT_EQ(std::distance(fs::directory_iterator(records()), fs::directory_iterator()), 2 * Stations * Rounds);
}

TEST_F(BatchCliTest, OfTwoStationsGivenOneSerialNumberExactlyOneProceeds) {
    std::vector<std::unique_ptr<Emulator>> units;
    std::vector<std::string> wires;
    for (int i = 0; i < 2; ++i) {
        wires.push_back((dir / ("wire" + std::to_string(i) + ".log")).string());
        units.push_back(Unit(i, {"--wire-log", wires.back()}));
    }
    std::vector<std::unique_ptr<ProgramRun>> runs;
    for (int i = 0; i < 2; ++i)
        runs.push_back(std::make_unique<ProgramRun>(Commission(*units[i], {"--serial", "5000"}), dir,
                                                    "station" + std::to_string(i)));
    std::vector<Outcome> outcomes;
    for (auto& run : runs) outcomes.push_back(run->Wait());
    const int winner = outcomes[0].status == 0 ? 0 : 1, loser = 1 - winner;
    EXPECT_EQ(outcomes[winner].status, 0) << outcomes[winner].err;
    EXPECT_EQ(outcomes[loser].status, 2);
    // The holder's line is the winner's STARTED line, or its PASS line when it was that quick.
    EXPECT_TRUE(outcomes[loser].err.starts_with("tq410k-cli commission: serial number 00005000 is already in " +
                                                log() + ", line "))
        << outcomes[loser].err;
    EXPECT_NE(outcomes[loser].err.find("; nothing was sent."), std::string::npos) << outcomes[loser].err;
    EXPECT_EQ(Stored(winner).Text("PCBSN"), "00005000");
    units.clear();  // the emulators end and close their wire logs
    EXPECT_EQ(ReadWhole(wires[loser]), "");  // not one command reached the other converter
    EXPECT_NE(ReadWhole(wires[winner]), "");
    const auto entries = commission::BatchLog(log()).Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].result, "STARTED");
    EXPECT_EQ(entries[1].result, "PASS");
}

TEST_F(BatchCliTest, BadInputSendsNothingAndALostPortFailsTheUnit) {
    auto unit = Unit(0);
    const std::string notAFolder = profile();
    const struct {
        std::vector<std::string> identity;
        std::string err;
    } refused[] = {
        {.identity = {"--serial", "123456789"}, .err = "serial number \"123456789\" is not a number of at most 8 digits"},
        {.identity = {"--serial", "5", "--address", "248"}, .err = "address \"248\" is not a number from 1 to 247"},
        {.identity = {"--serial", "5", "--record", notAFolder}, .err = notAFolder + ": not a folder"},
        {.identity = {"--first-serial", "5", "--retry"}, .err = "--retry needs --serial"},
    };
    for (const auto& c : refused) {
        const auto o = Run(Commission(*unit, c.identity));
        EXPECT_EQ(o.status, 2) << c.err;
        EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
    }
    EXPECT_EQ(Stored(0), commission::DefaultConfiguration());
    EXPECT_FALSE(fs::exists(log()));

    // The converter goes away after five commands.
    auto lost = Unit(1, {"--hangup-after", "5"});
    const auto o = Run(Commission(*lost, {"--serial", "7"}));
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("FAIL 00000007: Not written: stopped at step"), std::string::npos) << o.err;
    const auto entry = commission::BatchLog(log()).Find("00000007");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->result, "FAIL");
    EXPECT_NE(entry->differences.find("Not written: stopped at step"), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(std::ifstream(records() + "/00000007.json"))["result"], "FAIL");

    // A converter that does not answer: the give-up message in the output and in the record.
    auto silent = Unit(2, {"--silent"});
    const auto quiet = Run(Commission(*silent, {"--serial", "8"}));
    EXPECT_EQ(quiet.status, 2);
    EXPECT_NE(quiet.err.find("No answer from " + silent->port() + " at 9600 baud"), std::string::npos) << quiet.err;
    const auto record = nlohmann::json::parse(std::ifstream(records() + "/00000008.json"));
    EXPECT_NE(record["sequences"]["write"].get<std::string>().find("Check the cable"), std::string::npos);
}

}  // namespace
