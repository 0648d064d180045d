// Batches: unit identities, unit lists, the batch log, durable files, the
// verdict of a unit and its record.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>

#include <nlohmann/json.hpp>

#include "commission/AtomicFile.h"
#include "commission/BatchLog.h"
#include "commission/Csv.h"
#include "commission/Sha256.h"
#include "commission/UnitList.h"
#include "commission/UnitRecord.h"

namespace {

using namespace commission;
namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Repeat(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        dir = fs::temp_directory_path() / ("tq410k-batch." + std::to_string(random()));
        ASSERT_TRUE(fs::create_directory(dir));
    }
    void TearDown() override { fs::remove_all(dir); }
    std::size_t FileCount() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }
    fs::path dir;
};

TEST(UnitIdentityTest, ValuesAreCheckedAndWrittenInTheirWidths) {
    const struct {
        std::function<std::string(std::string_view)> check;
        std::string input, expected;  // expected "" : refused
    } cases[] = {
        {.check = CheckSerial, .input = "1234", .expected = "00001234"},
        {.check = CheckSerial, .input = "99999999", .expected = "99999999"},
        {.check = CheckSerial, .input = "123456789", .expected = ""},
        {.check = CheckSerial, .input = "-1234", .expected = ""},
        {.check = CheckSerial, .input = " 1234", .expected = ""},
        {.check = CheckSerial, .input = "", .expected = ""},
        {.check = CheckInspector, .input = "7", .expected = "007"},
        {.check = CheckInspector, .input = "104", .expected = "104"},
        {.check = CheckInspector, .input = "1000", .expected = ""},
        {.check = CheckInspector, .input = "+7", .expected = ""},
        {.check = [](std::string_view t) { return std::to_string(CheckAddress(t)); }, .input = "247", .expected = "247"},
        {.check = [](std::string_view t) { return std::to_string(CheckAddress(t)); }, .input = "0", .expected = ""},
        {.check = [](std::string_view t) { return std::to_string(CheckAddress(t)); }, .input = "248", .expected = ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        if (c.expected.empty())
            EXPECT_THROW(c.check(c.input), IdentityError);
        else
            EXPECT_EQ(c.check(c.input), c.expected);
    }
}

TEST(UnitIdentityTest, TheIdentityReplacesTheTemplateAndSerialsSkipTheUsedOnes) {
    const auto unit = WithIdentity(DefaultConfiguration(), {.serial = "00000042", .inspector = "104", .address = 9});
    EXPECT_EQ(unit.Text("PCBSN"), "00000042");
    EXPECT_EQ(unit.Text("JIANZHI"), "104");
    EXPECT_EQ(unit.Text("Edit1"), "009");
    EXPECT_EQ(WithIdentity(DefaultConfiguration(), {"00000001", "001", std::nullopt}).Text("Edit1"), "001");

    EXPECT_EQ(NextFreeSerial("41", {"00000041", "00000042", "00000044"}), "00000043");
    EXPECT_EQ(NextFreeSerial("99999998", {"99999998"}), "99999999");  // the last one is given out too
    EXPECT_THROW(NextFreeSerial("99999999", {"99999999"}), IdentityError);
}

TEST(UnitListTest, AGoodListInAnyColumnOrder) {
    const auto units = ParseUnitList("\xEF\xBB\xBF" "address,serial,inspector\r\n12,1001,7\r\n,1002,104\r\n\r\n");
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0], (UnitIdentity{"00001001", "007", 12}));
    EXPECT_EQ(units[1], (UnitIdentity{"00001002", "104", std::nullopt}));
}

TEST(UnitListTest, EveryFaultIsRefusedWithItsLineAndColumn) {
    const struct {
        std::string text, message;
    } cases[] = {
        {.text = "serial,inspector,address\n1,1,1\n2,1,1\n1,2,3\n",
         .message = "line 4: column 1 (serial): serial number 00000001 is already on line 2"},
        {.text = "serial,inspector,address\n123456789,1,1\n",
         .message = "line 2: column 1 (serial): serial number \"123456789\" is not a number of at most 8 digits"},
        {.text = "serial,inspector,address\n1,1,248\n",
         .message = "line 2: column 3 (address): address \"248\" is not a number from 1 to 247"},
        {.text = "serial,inspector,address\n1,x,1\n", .message = "line 2: column 2 (inspector): inspector \"x\""},
        {.text = "serial,address\n1,1\n", .message = "line 1: the column inspector is missing"},
        {.text = "serial,inspector,address,note\n", .message = "line 1: column 4 (note): unknown column"},
        {.text = "serial,inspector,address\n1,1\n", .message = "line 2: 2 columns, the header has 3"},
        {.text = "serial,inspector,address\n1,1,1,9\n", .message = "line 2: 4 columns, the header has 3"},
        {.text = "serial,inspector," + std::string(50000, 'x') + "\n",
         .message = "line 1: column 3 (" + std::string(40, 'x') + "\u2026 (50,000 characters)): unknown column"},
        {.text = "serial,inspector,address\n1,1,1\n" + Repeat("\xC3\xA9", 50) + ",1,1\n",  // cut between characters
         .message = "line 3: column 1 (serial): serial number \"" + Repeat("\xC3\xA9", 40) +
                    "\u2026\" (50 characters) is not a number"},
        {.text = "serial,inspector,address\n1,1,1\n2,\xE9,1\n", .message = "line 3: byte 3 is not UTF-8"},
        {.text = "", .message = "line 1: the header serial,inspector,address is missing"},
        {.text = "serial,inspector,address\n", .message = "the list holds no unit"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            ParseUnitList(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const UnitListError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST(CsvTest, FieldsSurviveTheRoundTrip) {
    const std::vector<std::string> fields = {"plain", "a,b", "say \"hi\"", "", "two\nlines"};
    const std::string line = CsvLine(fields);
    EXPECT_EQ(line, "plain,\"a,b\",\"say \"\"hi\"\"\",,two; lines\n");
    const auto back = SplitCsvLine(std::string_view(line).substr(0, line.size() - 1));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, (std::vector<std::string>{"plain", "a,b", "say \"hi\"", "", "two; lines"}));
    EXPECT_FALSE(SplitCsvLine("\"open"));
    EXPECT_FALSE(SplitCsvLine("\"closed\"x"));
}

TEST(Sha256Test, KnownDigests) {
    const struct {
        std::string input, digest;
    } cases[] = {
        {.input = "", .digest = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {.input = "abc", .digest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {.input = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",  // two blocks of padding
         .digest = "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {.input = std::string(1000, 'a'),
         .digest = "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3"},
    };
    for (const auto& c : cases) EXPECT_EQ(Sha256Hex(c.input), c.digest) << c.input.size();
}

using BatchLogTest = TempDir;

TEST_F(BatchLogTest, LinesSurviveARestartAndACutLastLine) {
    const auto path = dir / "log.csv";
    int syncs = 0;
    {
        BatchLog log(path, [&](int fd) {
            ++syncs;
            return SyncToDisk(fd);
        });
        EXPECT_TRUE(log.Entries().empty());
        log.Append({"00000001", "5", "007", "t0", "t1", "PASS", "", "00000001.json"});
        log.Append({"00000002", "", "007", "t2", "t3", "FAIL", "Write all: stopped, x, \"y\"", "00000002.json"});
    }
    EXPECT_EQ(syncs, 2);  // each line flushed to the disk before it counts
    EXPECT_TRUE(ReadFile(path).starts_with(std::string(BatchLogHeader) + "\n00000001,5,007,"));
    // A crash while the third unit's line was going out, inside a quoted field.
    std::ofstream(path, std::ios::app) << "00000003,,007,t,,FAIL,\"Write all: sto";
    BatchLog log(path);
    ASSERT_EQ(log.Entries().size(), 3u);
    EXPECT_EQ(log.Entries()[1].differences, "Write all: stopped, x, \"y\"");
    EXPECT_EQ(log.Serials(), (std::set<std::string>{"00000001", "00000002", "00000003"}));
    EXPECT_EQ(NextFreeSerial("1", log.Serials()), "00000004");
    log.Append({"00000004", "", "007", "t", "t", "PASS", "", "r"});
    EXPECT_EQ(BatchLog(path).Entries().back().serial, "00000004");
    EXPECT_EQ(BatchLog(path).Find("00000002")->result, "FAIL");
    EXPECT_EQ(BatchLog(path).DescribeHolder("00000003"),
              "serial number 00000003 is already in " + path.string() + ", line 4: started t, FAIL");
    EXPECT_EQ(BatchLog(path).Find("00000004")->line, 5u);

    // A line cut within its serial number issues nothing and is no fault.
    std::ofstream(dir / "cut.csv") << BatchLogHeader << "\n00000001,,1,a,b,PASS,,r\n000000";
    EXPECT_EQ(BatchLog(dir / "cut.csv").Serials(), (std::set<std::string>{"00000001"}));
}

TEST_F(BatchLogTest, ALogSavedByASpreadsheetWithAByteOrderMarkIsReadAndAddedTo) {
    const auto path = dir / "log.csv";
    std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBF" << BatchLogHeader << "\r\n00000007,,001,a,b,PASS,,r\r\n";
    BatchLog log(path);
    EXPECT_EQ(log.Serials(), (std::set<std::string>{"00000007"}));
    log.Append({"00000008", "", "001", "c", "", "STARTED", "", ""});
    EXPECT_EQ(BatchLog(path).DescribeHolder("00000008"),
              "serial number 00000008 is already in " + path.string() + ", line 3: started c, not finished");
    // A log that holds nothing but the mark gets its header after it.
    std::ofstream(dir / "mark.csv", std::ios::binary) << "\xEF\xBB\xBF";
    BatchLog(dir / "mark.csv").Append({.serial = "00000001", .result = "PASS"});
    EXPECT_EQ(BatchLog(dir / "mark.csv").Find("00000001")->line, 2u);
}

TEST_F(BatchLogTest, AClaimChoosesUnderTheLockAndARefusalAddsNothing) {
    const auto path = dir / "log.csv";
    auto next = [](const BatchLog& fresh) {
        return BatchLogEntry{.serial = NextFreeSerial("5000", fresh.Serials()), .result = "STARTED"};
    };
    EXPECT_EQ(BatchLog::Claim(path, next).serial, "00005000");
    EXPECT_EQ(BatchLog::Claim(path, next).line, 3u);
    const std::string before = ReadFile(path);
    EXPECT_THROW(BatchLog::Claim(path, [](const BatchLog& fresh) -> BatchLogEntry {
                     throw std::runtime_error(fresh.DescribeHolder("00005000"));
                 }),
                 std::runtime_error);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(BatchLog(path).DescribeHolder("00005000"),
              "serial number 00005000 is already in " + path.string() + ", line 2: not finished");
}

#ifndef _WIN32
// Runs `work` in `count` processes that start together; their exit codes.
std::vector<int> AtOnce(int count, const std::function<int(int)>& work) {
    int gate[2];
    if (::pipe(gate) != 0) return {};
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(gate[1]);
            char c;
            (void)::read(gate[0], &c, 1);  // returns once the parent closes the gate
            int code = 99;
            try {
                code = work(i);
            } catch (...) {
            }
            ::_exit(code);
        }
        children.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    std::vector<int> codes;
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        codes.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    return codes;
}

TEST_F(BatchLogTest, FourProgramsSharingOneLogNeverGetTheSameSerialNumber) {
    const auto path = dir / "log.csv";
    constexpr int Programs = 4, Rounds = 25;
    const auto codes = AtOnce(Programs, [&](int) {
        for (int round = 0; round < Rounds; ++round) {
            const auto started = BatchLog::Claim(path, [](const BatchLog& fresh) {
                return BatchLogEntry{.serial = NextFreeSerial("1000", fresh.Serials()), .result = "STARTED"};
            });
            BatchLog(path).Append({.serial = started.serial, .result = "PASS"});
        }
        return 0;
    });
    EXPECT_EQ(codes, std::vector<int>(Programs, 0));
    const std::string text = ReadFile(path);
    EXPECT_EQ(text.find(BatchLogHeader, 1), std::string::npos);  // one header
    std::map<std::string, int> started;
    const BatchLog log(path);
    for (const auto& e : log.Entries())
        if (e.result == "STARTED") ++started[e.serial];
    ASSERT_EQ(started.size(), static_cast<std::size_t>(Programs * Rounds));
    EXPECT_EQ(started.begin()->first, "00001000");
    EXPECT_EQ(started.rbegin()->first, "00001099");
    for (const auto& [serial, count] : started) EXPECT_EQ(count, 1) << serial;
    EXPECT_EQ(log.Entries().size(), static_cast<std::size_t>(2 * Programs * Rounds));
}

TEST_F(BatchLogTest, OfTwoProgramsClaimingOneSerialNumberExactlyOneGetsIt) {
    for (int trial = 0; trial < 10; ++trial) {
        const auto path = dir / ("log" + std::to_string(trial) + ".csv");
        const auto codes = AtOnce(2, [&](int) {
            try {
                BatchLog::Claim(path, [](const BatchLog& fresh) {
                    if (fresh.Holds("00005000")) throw std::runtime_error(fresh.DescribeHolder("00005000"));
                    return BatchLogEntry{.serial = "00005000", .started = "now", .result = "STARTED"};
                });
                return 0;
            } catch (const std::runtime_error& e) {
                const std::string expected = "serial number 00005000 is already in " + path.string() +
                                             ", line 2: started now, not finished";
                return e.what() == expected ? 2 : 3;
            }
        });
        EXPECT_EQ(std::multiset<int>(codes.begin(), codes.end()), (std::multiset<int>{0, 2})) << trial;
        EXPECT_EQ(BatchLog(path).Entries().size(), 1u);
    }
}
#endif

TEST_F(BatchLogTest, AFileThatIsNoBatchLogIsRefused) {
    std::ofstream(dir / "other.csv") << "serial,inspector,address\n1,1,1\n";
    EXPECT_THROW(BatchLog(dir / "other.csv"), BatchLogError);
    std::ofstream(dir / "bad.csv") << BatchLogHeader << "\n12,,1,a,b,PASS,,r\n";
    EXPECT_THROW(BatchLog(dir / "bad.csv"), BatchLogError);
    std::ofstream(dir / "wide.csv") << BatchLogHeader << "\n00000001,,1,a,b,PASS,,r,extra\n";
    EXPECT_THROW(BatchLog(dir / "wide.csv"), BatchLogError);
    EXPECT_THROW(BatchLog{dir}, BatchLogError);
}

using AtomicFileTest = TempDir;

TEST_F(AtomicFileTest, AFailedWriteLeavesTheEarlierFileWholeAndNoStrayFile) {
    const auto path = dir / "record.json";
    WriteFileAtomically(path, "first");
#ifndef _WIN32
    // A file-size limit makes the write fail part-way.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
    try {
        WriteFileAtomically(path, std::string(100000, 'x'));
        ADD_FAILURE() << "written";
    } catch (const EFileError& e) {
        // The target is named, never the temporary file.
        EXPECT_EQ(std::string(e.what()), path.string() + ": cannot be saved: File too large");
    }
    EXPECT_THROW(BatchLog(dir / "log.csv").Append({.serial = "00000001", .differences = std::string(100000, 'x')}),
                 EFileError);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(ReadFile(path), "first");
    EXPECT_EQ(FileCount(), 2u);  // record.json and the cut log
#endif
    try {
        WriteFileAtomically(dir / "no" / "such.json", "x");
        ADD_FAILURE() << "written";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()), (dir / "no" / "such.json").string() + ": cannot be saved: No such file or directory");
    }
    EXPECT_THROW(CheckFolderWritable(path), EFileError);
    EXPECT_THROW(CheckFolderWritable(dir / "no"), EFileError);
    EXPECT_NO_THROW(CheckFolderWritable(dir));
}

#ifndef _WIN32
TEST_F(AtomicFileTest, OnlyARegularFileIsReplacedAndALinkStaysALink) {
    const auto fifo = dir / "fifo", folder = dir / "folder", socket = dir / "socket";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(folder);
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socket.c_str());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(s);
    fs::create_symlink(folder, dir / "to-folder");
    fs::create_symlink(dir / "gone", dir / "dangling");
    const struct {
        fs::path path;
        std::string reason;
    } refused[] = {
        {.path = "/dev/full", .reason = "it is a device, not a file"},
        {.path = fifo, .reason = "it is a FIFO, not a file"},
        {.path = folder, .reason = "it is a folder, not a file"},
        {.path = socket, .reason = "it is a socket, not a file"},
        {.path = dir / "to-folder", .reason = "it is a link to a folder, not to a file"},
        {.path = dir / "dangling", .reason = "it is a link that leads to no file"},
    };
    for (const auto& c : refused) {
        try {
            WriteFileAtomically(c.path, "x");
            ADD_FAILURE() << c.path << " replaced";
        } catch (const EFileError& e) {
            EXPECT_EQ(std::string(e.what()), c.path.string() + ": cannot be saved: " + c.reason);
        }
    }
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    EXPECT_TRUE(fs::is_fifo(fifo));
    // A link to a file: the file it leads to is replaced, the link stays.
    WriteFileAtomically(dir / "real.json", "old");
    fs::create_symlink("real.json", dir / "link.json");
    WriteFileAtomically(dir / "link.json", "new");
    EXPECT_TRUE(fs::is_symlink(dir / "link.json"));
    EXPECT_EQ(ReadFile(dir / "real.json"), "new");
}
#endif

// A sequence whose every step was answered; verify's answers are `reported`.
SequenceOutcome Whole(const char* summary, const Configuration& reported = {}) {
    std::map<std::string, StepResult> steps;
    for (const auto& field : Fields()) steps[field.parameter] = StepResult::Answered;
    return {.ran = true,
            .state = Sequence::State::Completed,
            .unanswered = {},
            .faults = {},
            .summary = summary,
            .account = summary,
            .steps = steps,
            .answers = reported};
}

TEST(UnitResultTest, OnlyWholeSequencesAndEqualFieldsPass) {
    const auto expected = WithIdentity(DefaultConfiguration(), {"00000007", "001", 3});
    auto differing = expected;
    differing.values["MAD2XS"] = std::string("00005");
    auto partial = expected;
    partial.values.erase("COMDDATA6");
    SequenceOutcome lost = Whole("Not written: stopped at step 9 of 49 (ZDAD01): the port was closed.");
    lost.state = Sequence::State::PortLost;
    SequenceOutcome silent = Whole("Verify: 1 step got no answer: QX2.", expected);
    silent.unanswered = {"QX2"};
    SequenceOutcome unreadable = Whole("Verify: 17 of 17 steps answered.", expected);
    unreadable.faults = {"QX2: the answer holds '0x', not a valid integer value"};
    const struct {
        const char* name;
        SequenceOutcome write;
        std::optional<SequenceOutcome> verify;
        std::string failure;  // "" : PASS
    } cases[] = {
        {"all well", Whole("w"), Whole("v", expected), ""},
        {"port lost", lost, std::nullopt, "Not written: stopped at step 9 of 49 (ZDAD01): the port was closed."},
        {"no answer", Whole("w"), silent, "Verify: 1 step got no answer: QX2."},
        {"unreadable", Whole("w"), unreadable, "Verify: 17 of 17 steps answered. QX2: the answer holds"},
        {"differs", Whole("w"), Whole("v", differing), "1 field differs"},
        {"missing", Whole("w"), Whole("v", partial), "1 fields were not checked"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = JudgeUnit(expected, c.write, c.verify);
        EXPECT_EQ(result.pass, c.failure.empty());
        EXPECT_TRUE(result.failure.starts_with(c.failure)) << result.failure;
        EXPECT_EQ(result.fields.size(), Fields().size());
        for (const auto& f : result.fields)
            if (f.control == "PCBSN" || f.control == "JIANZHI") {
                EXPECT_EQ(f.check, FieldCheck::Check::NotReadable);
            }
    }
}

TEST(UnitRecordTest, JsonAndHtmlHoldTheUnitTheFieldsAndTheMismatches) {
    UnitRecord record;
    record.identity = {"00001234", "007", 12};
    record.started = "2026-12-09T07:00:00Z";
    record.profileFile = "line<3>.json";
    record.crcWarnings = {"Command 2 \xC2\xB7 Command: CRC is wrong"};
    const auto expected = WithIdentity(DefaultConfiguration(), record.identity);
    auto reported = expected;
    reported.values["MAD2XS"] = std::string("00005");
    record.result = JudgeUnit(expected, Whole("w"), Whole("v", reported));

    const auto json = nlohmann::json::parse(RecordJson(record));
    EXPECT_EQ(json["format"], "tq410k-unit-record");
    EXPECT_EQ(json["version"], 2);
    EXPECT_EQ(json["unit"]["serial"], "00001234");
    EXPECT_EQ(json["unit"]["address"], 12);
    EXPECT_EQ(json["result"], "FAIL");
    EXPECT_EQ(json["parameters"].size(), Fields().size());
    bool sawMismatch = false;
    for (const auto& p : json["parameters"]) {
        if (p["field"] == "MAD2XS") {
            sawMismatch = true;
            EXPECT_EQ(p["written"], "00001");
            EXPECT_EQ(p["read"], "00005");
            EXPECT_EQ(p["match"], false);
        }
        if (p["field"] == "PCBSN") {
            EXPECT_EQ(p["status"], "written, not readable");
        }
    }
    EXPECT_TRUE(sawMismatch);
    EXPECT_EQ(json["notChecked"].size(), 2u);
    EXPECT_EQ(json["crcWarnings"].size(), 1u);

    const std::string html = RecordHtml(record);
    EXPECT_NE(html.find("<td class=\"bad\" title=\"acknowledged, differs\">00001 &rarr; 00005</td>"), std::string::npos);
    EXPECT_NE(html.find("line&lt;3&gt;.json"), std::string::npos);
    EXPECT_NE(html.find(">FAIL<"), std::string::npos);
    for (const char* external : {"src=", "href=", "@import", "url("}) EXPECT_EQ(html.find(external), std::string::npos);
}

}  // namespace
