// One unit from its identity to its record and log line, driven by a played
// converter on a fixed clock; what each setting's record says; files that
// appear together or not at all.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <nlohmann/json.hpp>

#include "commission/AtomicFile.h"
#include "commission/FileGroup.h"
#include "commission/Profile.h"
#include "commission/Sha256.h"
#include "commission/UnitWorkflow.h"
#include "emulator/Converter.h"

namespace {

using namespace commission;
namespace fs = std::filesystem;
using Verdict = UnitEnd::Verdict;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// How the played converter behaves.
struct Play {
    int answered = -1;    // commands answered before the port is lost; -1: all
    bool silent = false;  // answers nothing
    std::string afterWrite = {};  // a command it takes between write all and verify, as a fault
};

// Runs a sequence against the converter: every answer comes 1 ms after its
// command, and the clock then moves past the quiet interval or the time-out.
void Drive(Sequence& s, emulator::Converter& converter, const Play& play, int& commands) {
    auto t = TimePoint{} + std::chrono::hours(1);
    auto action = s.Start();
    while (s.Running()) {
        if (action.kind == Sequence::Action::Kind::Send) {
            if (play.answered >= 0 && commands >= play.answered) {
                s.Sent(true, t);
                s.PortLost();
                return;
            }
            ++commands;
            s.Sent(true, t);
            const auto reply = play.silent ? std::nullopt : converter.Handle(s.CurrentStep().command);
            if (reply) s.BlockReceived(*reply, t + std::chrono::milliseconds(1));
        }
        t = *s.WakeAt();
        action = s.Tick(t);
    }
}

class UnitWorkflowTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        dir = fs::temp_directory_path() / ("tq410k-unit-" + std::to_string(random()));
        fs::create_directories(dir / "records");
        SaveProfile((dir / "line3.json").string(), DefaultConfiguration());
    }
    void TearDown() override { fs::remove_all(dir); }

    UnitSetup Setup(std::string serial, bool retry = false) {
        return {.profilePath = (dir / "line3.json").string(),
                .recordFolder = dir / "records",
                .batchLog = dir / "batch.csv",
                .retry = retry,
                .choose = [serial](const BatchLog*) { return UnitIdentity{serial, "007", 12}; },
                .timeout = std::chrono::seconds(3),
                .port = "/dev/ttyUSB0",
                .lineSettings = "9600 baud, 8 data bits, no parity, 1 stop bit",
                .link = "/dev/ttyUSB0 at 9600 baud, no parity, 1 stop bit",
                .host = "bench",
                .user = "tester",
                .extraRecords = {}};
    }

    // Write all and verify, up to the unit's end.
    void RunSequences(UnitWorkflow& unit, const Play& play = {}) {
        int commands = 0;
        auto write = unit.Begin("2026-12-09T10:00:00Z");
        Drive(write, converter, play, commands);
        if (auto verify = unit.WriteEnded(write)) {
            if (!play.afterWrite.empty()) converter.Handle(play.afterWrite);
            Drive(*verify, converter, play, commands);
            unit.VerifyEnded(*verify);
        }
    }
    UnitEnd Commission(UnitWorkflow& unit, const Play& play = {}) {
        RunSequences(unit, play);
        return unit.Finish("2026-12-09T10:00:07Z");
    }

    nlohmann::json Parameter(const nlohmann::json& record, const std::string& field) {
        for (const auto& p : record["parameters"])
            if (p["field"] == field) return p;
        ADD_FAILURE() << field;
        return {};
    }

    fs::path dir;
    emulator::Converter converter;
};

TEST_F(UnitWorkflowTest, EachEndIsRecordedAsItHappened) {
    const struct {
        const char* name;
        Play play;
        Verdict verdict;
        std::string headline;
        std::map<std::string, std::string> statuses;  // by control
        std::string detail;                          // a line among the details
    } cases[] = {
        {.name = "pass",
         .play = {},
         .verdict = Verdict::Pass,
         .headline = "PASS 00001234",
         .statuses = {{"Edit1", "acknowledged, matches"}, {"PCBSN", "written, not readable"}},
         .detail = ""},
        {.name = "cut off at step 4",
         .play = {.answered = 3},
         .verdict = Verdict::Fail,
         .headline = "FAIL 00001234: Not written: stopped at step 4 of 49 (JTM)",
         .statuses = {{"Edit1", "acknowledged, not checked"},
                      {"Edit2", "sent, no answer, not checked"},
                      {"Edit3", "not sent, not checked"},
                      {"PCBSN", "not sent"},
                      {"JIANZHI", "not sent"}},
         .detail = "Not sent: STM, MR485Z, MR485A"},
        {.name = "silent",
         .play = {.silent = true},
         .verdict = Verdict::Fail,
         .headline = "FAIL 00001234: Not written: 2 of 49 steps got no answer: ADR, MDO",
         .statuses = {{"Edit1", "sent, no answer, not checked"}, {"PCBSN", "not sent"}},
         .detail = "No answer from /dev/ttyUSB0 at 9600 baud, no parity, 1 stop bit"},
        {.name = "differs",
         .play = {.afterWrite = "HQLNVE#ADR:009#"},
         .verdict = Verdict::Differs,
         .headline = "FAIL 00001234: 1 field differs",
         .statuses = {{"Edit1", "acknowledged, differs"},
                      {"Edit2", "acknowledged, matches"},
                      {"PCBSN", "written, not readable"}},
         .detail = "Slave address: written 012, converter 009"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        converter = {};
        fs::remove(dir / "batch.csv");
        fs::remove_all(dir / "records");
        fs::create_directories(dir / "records");
        UnitWorkflow unit(Setup("1234"));
        const auto end = Commission(unit, c.play);
        EXPECT_EQ(end.verdict, c.verdict);
        EXPECT_TRUE(end.headline.starts_with(c.headline)) << end.headline;
        if (!c.detail.empty()) {
            std::string details;
            for (const auto& line : end.details) details += line + "\n";
            EXPECT_NE(details.find(c.detail), std::string::npos) << details;
        }
        ASSERT_EQ(end.record, dir / "records" / "00001234.json");
        const auto record = nlohmann::json::parse(ReadFile(end.record));
        EXPECT_EQ(record["version"], 2);
        EXPECT_EQ(record["profile"]["sha256"], Sha256Hex(ReadFile(dir / "line3.json")));
        for (const auto& [control, status] : c.statuses) EXPECT_EQ(Parameter(record, control)["status"], status) << control;
        // A setting is "written" only when its command was acknowledged.
        EXPECT_EQ(Parameter(record, "PCBSN")["written"].is_null(), c.statuses.at("PCBSN") != "written, not readable");
        const std::string html = ReadFile(dir / "records" / "00001234.html");
        EXPECT_NE(html.find("00001234 (" + c.statuses.at("PCBSN") + ")"), std::string::npos);
        const std::string log = ReadFile(dir / "batch.csv");
        EXPECT_NE(log.find("00001234,12,007,2026-12-09T10:00:00Z,,STARTED"), std::string::npos) << log;
        EXPECT_NE(log.find(c.verdict == Verdict::Pass ? ",PASS," : ",FAIL,"), std::string::npos) << log;
    }
}

TEST_F(UnitWorkflowTest, TheHtmlNamesDropDownValuesByTheirItems) {
    UnitWorkflow unit(Setup("1234"));
    Commission(unit);
    const std::string html = ReadFile(dir / "records" / "00001234.html");
    for (const char* item : {"0_Disable Monitoring", "0 RTU Query-Response", "9600", "0_Close"})
        EXPECT_NE(html.find(std::string(">") + item + "<"), std::string::npos) << item;
}

TEST_F(UnitWorkflowTest, AUnitIsRefusedBeforeAnythingIsSent) {
    {
        UnitWorkflow first(Setup("1234"));
        Commission(first);
    }
    // The log holds the number, and its record exists: both refuse, unless retried.
    UnitWorkflow again(Setup("1234"));
    try {
        again.Begin("t");
        FAIL() << "a held serial number was taken";
    } catch (const UnitRefused& e) {
        EXPECT_TRUE(e.SerialHeld());
        EXPECT_NE(std::string(e.what()).find("00001234"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("nothing was sent"), std::string::npos);
    }
    fs::remove(dir / "batch.csv");
    UnitWorkflow noLog(Setup("1234"));
    EXPECT_THROW(noLog.Begin("t"), UnitRefused);

    UnitWorkflow retried(Setup("1234", true));
    converter = {};
    EXPECT_EQ(Commission(retried).verdict, Verdict::Pass);

    auto missing = Setup("1");
    missing.profilePath = (dir / "none.json").string();
    EXPECT_THROW(UnitWorkflow{missing}, UnitRefused);
    auto noFolder = Setup("1");
    noFolder.recordFolder = dir / "no-such-folder";
    EXPECT_THROW(UnitWorkflow{noFolder}, UnitRefused);
}

#ifndef _WIN32
// A file-size limit plays a full disk; the records are larger than a log line.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit small = old_;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &old_); }

private:
    rlimit old_{};
};

TEST_F(UnitWorkflowTest, APassIsSaidOnlyOnceItsRecordAndLogLineAreOnDisk) {
    {
        UnitWorkflow unit(Setup("3000"));
        RunSequences(unit);
        FileSizeLimit full(4096);
        const auto end = unit.Finish("t");
        EXPECT_EQ(end.verdict, Verdict::Fail);
        EXPECT_TRUE(end.headline.starts_with("FAIL 00003000: the unit passed, but its record could not be written"))
            << end.headline;
        EXPECT_TRUE(end.record.empty());
    }
    EXPECT_TRUE(fs::is_empty(dir / "records"));  // neither file, nor a temporary one
    EXPECT_NE(ReadFile(dir / "batch.csv").find("00003000,12,007,2026-12-09T10:00:00Z,t,FAIL,"), std::string::npos);

    // A log longer than the limit takes no further line.
    std::ofstream(dir / "batch.csv", std::ios::app) << std::string(300000, '\n');
    converter = {};
    UnitWorkflow unit(Setup("3001"));
    RunSequences(unit);
    FileSizeLimit full(200000);
    const auto end = unit.Finish("t");
    EXPECT_EQ(end.verdict, Verdict::Fail);
    EXPECT_NE(end.headline.find("the result of unit 00003001 (PASS) is not in the batch log"), std::string::npos)
        << end.headline;
    EXPECT_FALSE(end.record.empty());
}
#endif

TEST(FileGroupTest, FilesAppearTogetherOrNotAtAll) {
    std::random_device random;
    const auto dir = fs::temp_directory_path() / ("tq410k-group-" + std::to_string(random()));
    fs::create_directories(dir);
    auto group = [&](std::string text) {
        FileGroup files;
        files.Add(dir / "a.json", text);
        files.Add(dir / "b.html", text);
        return files;
    };
    group("one").Commit(false);
    EXPECT_EQ(ReadFile(dir / "b.html"), "one");
    // Without replacing, an existing file refuses the group; nothing changes.
    EXPECT_THROW(group("two").Commit(false), EFileError);
    EXPECT_EQ(ReadFile(dir / "a.json"), "one");
    // A target that cannot be placed undoes the files already placed.
    fs::remove(dir / "b.html");
    fs::create_directory(dir / "b.html");
    try {
        group("three").Commit(true);
        ADD_FAILURE() << "a folder was replaced";
    } catch (const EFileError& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with((dir / "b.html").string())) << e.what();
    }
    EXPECT_EQ(ReadFile(dir / "a.json"), "one");
    fs::remove(dir / "b.html");
    group("four").Commit(true);
    EXPECT_EQ(ReadFile(dir / "a.json"), "four");
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) ++count;
    EXPECT_EQ(count, 2u);  // no temporary or earlier file left behind
    fs::remove_all(dir);
}

}  // namespace
