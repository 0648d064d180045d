#include "cli/FrameCommand.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

Outcome Frame(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int code = cli::RunFrameCommand(args, out, err);
    return {code, out.str(), err.str()};
}

}  // namespace

TEST(FrameCommand, BuildsFramesFromFields) {
    const struct {
        std::vector<std::string> args;
        const char* frame;
    } cases[] = {
        {{"--slave", "1", "--function", "3", "--start", "0", "--count", "4"}, "0103000000044409\n"},
        {{"--slave=17", "--function=3", "--start=0x6B", "--count=3"}, "1103006B00037687\n"},
        {{"--slave", "17", "--function", "5", "--start", "172", "--value", "ON"}, "110500ACFF004E8B\n"},
        {{"--slave", "1", "--function", "6", "--start", "1", "--value", "3"}, "010600010003980B\n"},
        {{"--slave", "17", "--function", "15", "--start", "19", "--values", "1,0,1,1,0,0,1,1,1,0"},
         "110F0013000A02CD01BF0B\n"},
        {{"--slave", "17", "--function", "16", "--start", "1", "--count", "2", "--values", "10,258"},
         "11100001000204000A0102C6F0\n"},
    };
    for (const auto& c : cases) {
        const Outcome run = Frame(c.args);
        EXPECT_EQ(run.code, 0) << c.frame << run.err;
        EXPECT_EQ(run.out, c.frame);
        EXPECT_EQ(run.err, "");
    }
}

TEST(FrameCommand, CheckSaysWhatTheFrameMeansAndExitsByItsCrc) {
    Outcome right = Frame({"--check", "010300000001840A"});
    EXPECT_EQ(right.code, 0);
    EXPECT_EQ(right.out, "Slave 1 · Read holding registers (3) · from 0 · 1 register · CRC ok\n");

    Outcome wrong = Frame({"--check", "0103000000014409"});
    EXPECT_EQ(wrong.code, 1);
    EXPECT_EQ(wrong.out,
              "Slave 1 · Read holding registers (3) · from 0 · 1 register · CRC is 0x0944, the frame needs 0x0A84\n"
              "Right frame: 010300000001840A\n");

    Outcome missing = Frame({"--check", "010300000001"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.out.find("Right frame: 010300000001840A\n"), std::string::npos);

    Outcome cutShort = Frame({"--check", "01030000"});  // no CRC can make it whole
    EXPECT_EQ(cutShort.code, 1);
    EXPECT_EQ(cutShort.out, "Slave 1 · Read holding registers (3) · the request is 8 bytes long, this frame has 4 · "
                            "no CRC\n");

    for (const char* bad : {"01030G000001840A", "0103000000014", "01", ""}) {
        Outcome run = Frame({"--check", bad});
        EXPECT_EQ(run.code, 2) << bad;
        EXPECT_EQ(run.out, "") << bad;
        EXPECT_NE(run.err, "") << bad;
    }
}

TEST(FrameCommand, WrongArgumentsExitWithTwo) {
    const std::vector<std::string> cases[] = {
        {},
        {"--check"},
        {"--bogus", "1"},
        {"--slave", "1"},
        {"--slave", "1", "--function", "3"},
        {"--slave", "x", "--function", "3", "--count", "1"},
        {"--slave", "1", "--function", "3", "--count", "126"},
        {"--slave", "1", "--function", "9", "--count", "1"},
        {"--slave", "1", "--function", "16", "--count", "3", "--values", "1,2"},
        {"--slave", "1", "--slave", "2", "--function", "3", "--count", "1"},
        {"--check", "0103000000044409", "--slave", "1"},
    };
    for (const auto& args : cases) {
        const Outcome run = Frame(args);
        EXPECT_EQ(run.code, 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err, "");
    }
    EXPECT_EQ(Frame({"--help"}).code, 0);
}
