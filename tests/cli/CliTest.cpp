// tq410k-cli as a user runs it: against the emulator, with every exit code.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/util/EmulatorProcess.h"
#include "tests/util/FaultCases.h"
#include "tests/util/ProgramRun.h"
#include "commission/Profile.h"

namespace {

using consoletest::Emulator;
using commission::Configuration;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tq410k-cli.XXXXXX";
        ASSERT_TRUE(::mkdtemp(pattern));
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    Outcome Run(std::vector<std::string> args) {
        args.insert(args.begin(), TQ410K_CLI);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string out = (dir / "stdout").string(), err = (dir / "stderr").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = -1;
        Outcome o;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        o.out = ReadFile(out);
        o.err = ReadFile(err);
        return o;
    }
    std::string Profile(const std::string& name, const Configuration& record) {
        const std::string path = (dir / name).string();
        commission::SaveProfile(path, record);
        return path;
    }

    std::filesystem::path dir;
};

Configuration UnitSeven() {
    Configuration c = commission::DefaultConfiguration();
    c.values["Edit1"] = std::string("007");
    c.values["ZRS485STOP"] = 1;
    c.values["MPD3XS"] = std::string("00100");
    c.values["COMDDATA2"] = std::string("01020304");
    c.values["ECOMBY1"] = std::string("0F");
    return c;
}

TEST_F(CliTest, WriteVerifyAndReadAgainstTheConverter) {
    Emulator emulator;
    const std::string unit7 = Profile("unit7.json", UnitSeven());
    auto write = Run({"write", "--port", emulator.port(), unit7});
    EXPECT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(write.out,
              "Write all: written, 49 of 49 set commands acknowledged; Verify shows what the converter holds.\n"
              "Serial number, Inspector: written, cannot be read back.\n");
    // Command 2's frame is no whole request: written as it is, with a warning.
    EXPECT_EQ(write.err.rfind("warning: Command 2 \xC2\xB7 Command: ", 0), 0u) << write.err;

    auto same = Run({"verify", "--port", emulator.port(), "--baud", "9600", unit7});
    EXPECT_EQ(same.status, 0) << same.err;
    const std::string identity = "Serial number, Inspector: cannot be read back, not verified.\n";
    EXPECT_EQ(same.out, "No differences: the converter holds every setting checked.\n" + identity);

    Configuration other = UnitSeven();
    other.values["MPD3XS"] = std::string("00200");
    other.values["COMDDATA2"] = std::string("0102");
    auto differs = Run({"verify", "--port", emulator.port(), Profile("other.json", other)});
    EXPECT_EQ(differs.status, 1) << differs.err;
    EXPECT_EQ(differs.out,
              "Totalizer 3 \xC2\xB7 Coefficient: profile 00200, converter 00100\n"
              "Command 2 \xC2\xB7 Command: profile 0102, converter 01020304\n" + identity);

    const std::string read = (dir / "read.json").string();
    auto back = Run({"read", "--port", emulator.port(), "-o", read});
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(ReadFile(read), ReadFile(unit7));
    EXPECT_EQ(back.err, "");  // no progress line when stderr is no terminal

    // A read that falls short writes no file.
    Emulator silent({"--silent"});
    const std::string none = (dir / "none.json").string();
    EXPECT_EQ(Run({"read", "--port", silent.port(), "--timeout", "100", "-o", none}).status, 2);
    EXPECT_FALSE(std::filesystem::exists(none));
}

TEST_F(CliTest, EveryFaultSwitchGetsTheWindowsVerdictAndNoCommandGoesOverAnAnswer) {
    const std::string unit7 = Profile("unit7.json", UnitSeven());
    for (const auto& c : consoletest::FaultCases()) {
        const std::string wire = (dir / "wire.log").string();
        std::vector<std::string> options{"--state", unit7, "--wire-log", wire};
        options.insert(options.end(), c.options.begin(), c.options.end());
        Emulator emulator(options);
        const auto o = Run({c.action, "--port", emulator.port(), "--timeout", std::to_string(c.timeoutMs), unit7});
        EXPECT_EQ(o.status, c.exitCode) << c.name << "\n" << o.err;
        const std::string account = c.exitCode == 0 ? o.out : o.err;
        const std::string expected = c.exitCode == 0 ? c.text : "tq410k-cli " + std::string(c.action) + ": " + c.text;
        EXPECT_EQ(account.substr(0, expected.size()), expected) << c.name;
        EXPECT_EQ(consoletest::Overlaps(wire), "") << c.name;
    }
}

// Converters acknowledge set commands in their own words, some behind a
// 2-wire adapter that echoes every command.
TEST_F(CliTest, WriteTakesEveryAcknowledgmentAndNamesARefusalOrSilence) {
    const std::string unit7 = Profile("unit7.json", UnitSeven());
    const std::string written =
        "Write all: written, 49 of 49 set commands acknowledged; Verify shows what the converter holds.\n";
    const struct {
        std::vector<std::string> options;
        int status;
        std::string account;  // in the write's output (0) or error (2)
    } cases[] = {
        // The emulator's own form without an echo: the test above.
        {.options = {"--ack", "plain"}, .status = 0, .account = written},
        {.options = {"--ack", "crlf"}, .status = 0, .account = written},
        {.options = {"--ack", "tagged", "--echo"}, .status = 0, .account = written},
        {.options = {"--ack", "plain", "--echo"}, .status = 0, .account = written},
        {.options = {"--ack", "crlf", "--echo"}, .status = 0, .account = written},
        {.options = {"--ack", "err", "--echo"}, .status = 2,
         .account = "tq410k-cli write: Not written: refused by the converter: ADR, MDO, BADR,"},
        {.options = {"--ack", "none", "--echo"}, .status = 2,
         .account = "tq410k-cli write: Not written: 2 of 49 steps got no answer: ADR, MDO.\nNo answer from "},
    };
    for (const auto& c : cases) {
        std::string name;
        for (const auto& o : c.options) name += o + " ";
        const std::string wire = (dir / "wire.log").string();
        std::vector<std::string> options{"--wire-log", wire};
        options.insert(options.end(), c.options.begin(), c.options.end());
        Emulator emulator(options);
        const auto write = Run({"write", "--port", emulator.port(), "--timeout", "500", unit7});
        EXPECT_EQ(consoletest::Overlaps(wire), "") << name;
        EXPECT_EQ(write.status, c.status) << name << write.err;
        const std::string& account = c.status == 0 ? write.out : write.err;
        EXPECT_NE(account.find(c.account), std::string::npos) << name << account;
        if (c.status != 0) continue;
        const auto verify = Run({"verify", "--port", emulator.port(), unit7});
        EXPECT_EQ(verify.status, 0) << name << verify.err;
        EXPECT_EQ(verify.out.rfind("No differences", 0), 0u) << name << verify.out;
    }
}

TEST_F(CliTest, EveryErrorIsExitTwoWithAMessage) {
    Emulator silent({"--silent"});
    const std::string good = Profile("good.json", UnitSeven());
    const std::string bad = (dir / "bad.json").string();
    std::ofstream(bad) << "{\"format\": \"tq410k-profile\", \"version\": 7}";
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{}, "usage: tq410k-cli COMMAND"},
        {{"fetch"}, "tq410k-cli: unknown command \"fetch\""},
        {{"read", "-o", "x.json"}, "tq410k-cli read: --port PATH is required"},
        {{"write", "--port", silent.port(), "--parity", "mark", good}, "tq410k-cli write: --parity is none, odd or even"},
        {{"verify", "--port", silent.port(), "--baud", "fast", good},
         "tq410k-cli verify: --baud takes a number from 1 to 4000000, not \"fast\""},
        {{"verify", "--port", (dir / "none").string(), good}, "tq410k-cli verify: cannot open " + (dir / "none").string()},
        {{"write", "--port", silent.port(), bad},
         "tq410k-cli write: " + bad + ": version: 7 is not supported (this program reads version 1)"},
        {{"verify", "--port", silent.port(), "--timeout", "50", good},
         "tq410k-cli verify: Not verified: 2 of 17 steps got no answer: QX1, QX2."},
        {{"capture", "--port", silent.port(), "--with-set", "-o", "x.capture"}, "tq410k-cli capture: unknown option --with-set"},
        {{"find", "--port", silent.port(), "--stop", "1.5"}, "tq410k-cli find: --stop is 1 or 2, not \"1.5\""},
        {{"find", "--port", silent.port(), "--timeout", "-5"},
         "tq410k-cli find: --timeout takes a number from 1 to 60000, not \"-5\""},
        {{"capture", "--port", silent.port(), "-o", (dir / "none" / "x.capture").string()},
         "tq410k-cli capture: " + (dir / "none").string() + ": not a folder"},
    };
    for (const auto& c : cases) {
        const auto o = Run(c.args);
        EXPECT_EQ(o.status, 2) << c.err;
        EXPECT_EQ(o.err.substr(0, c.err.size()), c.err);
    }
    const auto help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("verify --port PATH [LINE] FILE"), std::string::npos);
    EXPECT_NE(help.out.find("frame --check HEX"), std::string::npos);
    // --help anywhere after a command: that command's usage.
    for (const char* command : {"read", "write", "verify", "commission", "capture", "frame"}) {
        for (const auto& args : {std::vector<std::string>{command, "--help"}, {command, "--port", "x", "-h"}}) {
            const auto own = Run(args);
            EXPECT_EQ(own.status, 0) << command;
            EXPECT_EQ(own.out.rfind("usage: tq410k-cli " + std::string(command) + " ", 0), 0u) << own.out;
        }
    }
    EXPECT_EQ(Run({"--port", "x", "--help"}).out.rfind("usage: tq410k-cli COMMAND", 0), 0u);
}

TEST_F(CliTest, TheEmulatorNamesWhatItRefusesAndHelpsAnywhere) {
    const std::string capture = (dir / "bad.capture").string();
    std::ofstream(capture) << R"({"format": "tq410k-capture", "version": 2})";
    const std::string file = (dir / "file").string();
    std::ofstream(file) << "not a port";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"--delay", "-1"}, 2, "tq410k-emulator: --delay: \"-1\" is not a number from 0 to 1,000,000\n"},
        {{"--stream-ms", "0"}, 2, "tq410k-emulator: --stream-ms: \"0\" is not a number from 1 to 1,000,000\n"},
        {{"--bogus"}, 2, "tq410k-emulator: unknown option --bogus\n"},
        {{"--ack", "ok"}, 2, "tq410k-emulator: --ack: \"ok\" is not tagged, plain, crlf, err or none\n"},
        {{"--split", "--delay"}, 2, "tq410k-emulator: --delay needs a value\n"},
        {{"--baud", "115200"}, 2, "tq410k-emulator: --baud: \"115200\" is not 1200, 2400, 4800, 9600 or 19200\n"},
        {{"--parity", "mark"}, 2, "tq410k-emulator: --parity: \"mark\" is not none, odd or even\n"},
        {{"--stop", "1.5"}, 2, "tq410k-emulator: --stop: \"1.5\" is not 1 or 2\n"},
        {{"--replay", capture, "--split"}, 2, "tq410k-emulator: --replay cannot be combined with --split\n"},
        {{"--replay", capture}, 2, "tq410k-emulator: " + capture + ": version: 2 is not supported (this program reads version 1)\n"},
        {{"--device", "/dev/null"}, 1, "tq410k-emulator: /dev/null is not a serial port\n"},
        {{"--device", file}, 1, "tq410k-emulator: " + file + " is not a serial port\n"},
        {{"--delay", "5", "--help"}, 0, "usage: tq410k-emulator [options]\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{TQ410K_EMULATOR, "--link", (dir / "port").string()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto o = consoletest::ProgramRun(args, dir, "emulator").Wait();
        EXPECT_EQ(o.status, c.status) << c.err;
        EXPECT_EQ(o.err.substr(0, c.err.size()), c.err);
    }
}

TEST_F(CliTest, FrameChecksAndBuildsThroughTheProgram) {
    const auto built = Run({"frame", "--slave", "1", "--function", "3", "--start", "0", "--count", "4"});
    EXPECT_EQ(built.status, 0);
    EXPECT_EQ(built.out, "0103000000044409\n");
    EXPECT_EQ(Run({"frame", "--check", "010300000001840A"}).status, 0);
    EXPECT_EQ(Run({"frame", "--check", "0103000000014409"}).status, 1);
    EXPECT_EQ(Run({"frame", "--check", "01xx"}).status, 2);
}

}  // namespace

namespace {

// find against the emulator listening at its own line. On a pseudo-terminal
// only the baud rate can be seen, so the scans are narrowed to no parity and
// 1 stop bit; the parity half is the line scan's own test.
TEST_F(CliTest, FindSearchesTheLineSettings) {
    const struct {
        std::vector<std::string> emulator;
        std::vector<std::string> find;
        int status;
        std::string out, err;  // a part of each
    } rows[] = {
        {.emulator = {"--baud", "1200"}, .find = {}, .status = 0,
         .out = "TQ410-K at 1200 baud, no parity, 1 stop bit; slave address 001\n", .err = ""},
        {.emulator = {"--baud", "2400"}, .find = {}, .status = 0,
         .out = "TQ410-K at 2400 baud, no parity, 1 stop bit; slave address 001\n", .err = ""},
        {.emulator = {"--baud", "4800"}, .find = {}, .status = 0,
         .out = "TQ410-K at 4800 baud, no parity, 1 stop bit; slave address 001\n", .err = ""},
        {.emulator = {"--baud", "9600"}, .find = {}, .status = 0,
         .out = "TQ410-K at 9600 baud, no parity, 1 stop bit; slave address 001\n", .err = ""},
        {.emulator = {"--baud", "19200"}, .find = {}, .status = 0,
         .out = "TQ410-K at 19200 baud, no parity, 1 stop bit; slave address 001\n", .err = ""},
        // Noise from the wrong settings; --all goes on past the find.
        {.emulator = {"--baud", "2400", "--garble-mismatch"}, .find = {"--all"}, .status = 0,
         .out = "TQ410-K at 2400 baud, no parity, 1 stop bit; slave address 001\nSomething answers on ", .err = ""},
        {.emulator = {"--baud", "4800", "--garble-mismatch"}, .find = {"--baud", "9600"}, .status = 2, .out = "",
         .err = ", but not as a TQ410-K, at 9600 baud, no parity, 1 stop bit (it answers \"PPPPPP#VAR#\""},
        {.emulator = {"--silent"}, .find = {"--baud", "9600"}, .status = 2, .out = "",
         .err = ": tried 1 setting (9600 baud; no parity; 1 stop bit), each with \"PPPPPP#VAR#\""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.emulator.front() + " " + r.emulator.back());
        Emulator emulator(r.emulator);
        std::vector<std::string> args{"find", "--port", emulator.port(), "--parity", "none", "--stop", "1",
                                      "--timeout", "200"};
        args.insert(args.end(), r.find.begin(), r.find.end());
        const auto o = Run(args);
        EXPECT_EQ(o.status, r.status) << o.err;
        EXPECT_NE(o.out.find(r.out), std::string::npos) << o.out;
        EXPECT_NE(o.err.find(r.err), std::string::npos) << o.err;
    }
    const struct {
        std::vector<std::string> args;
        std::string err;
    } refusals[] = {
        {.args = {"find", "--port", "/nonexistent/port"}, .err = "tq410k-cli find: cannot open /nonexistent/port"},
        {.args = {"find", "--port", "P", "--baud", "115200"},
         .err = "--baud is 1200, 2400, 4800, 9600 or 19200, not \"115200\""},
        {.args = {"find", "--baud", "9600"}, .err = "--port PATH is required"},
    };
    for (const auto& r : refusals) {
        const auto o = Run(r.args);
        EXPECT_EQ(o.status, 2);
        EXPECT_NE(o.err.find(r.err), std::string::npos) << o.err;
    }
}

// Two converters on one RS485 bus at different baud rates (and addresses):
// --all finds both, the first alone without it.
TEST_F(CliTest, FindAllFindsBothConvertersOnOneBus) {
    const auto bus = dir / "bus", first = dir / "first", second = dir / "second";
    consoletest::ProgramRun hub({PTY_BUS, bus.string(), first.string(), second.string()}, dir, "bus");
    for (int i = 0; i < 500 && !std::filesystem::exists(second); ++i) ::usleep(10'000);
    Configuration two = commission::DefaultConfiguration();
    two.values["Edit1"] = std::string("002");
    Emulator at19200({"--device", first.string(), "--baud", "19200"});
    Emulator at2400({"--device", second.string(), "--baud", "2400", "--state", Profile("two.json", two)});
    const std::vector<std::string> find{"find", "--port", bus.string(), "--parity", "none", "--stop", "1",
                                        "--timeout", "200"};
    auto all = find;
    all.push_back("--all");
    const auto both = Run(all);
    EXPECT_EQ(both.status, 0) << both.err;
    EXPECT_EQ(both.out, "TQ410-K at 19200 baud, no parity, 1 stop bit; slave address 001\n"
                        "TQ410-K at 2400 baud, no parity, 1 stop bit; slave address 002\n");
    const auto one = Run(find);
    EXPECT_EQ(one.out, "TQ410-K at 19200 baud, no parity, 1 stop bit; slave address 001\n");
}

}  // namespace
