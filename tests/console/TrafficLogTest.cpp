// The traffic log's model: forms of the bytes, the ring's bounds, saving.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <filesystem>
#include <fstream>
#include <regex>

#include "console/traffic/TrafficLog.h"
#include "tests/console/WindowsSkips.h"
#include "tests/util/TempFolder.h"

namespace {

using console::TrafficEntry;
using console::TrafficLog;
using Kind = TrafficEntry::Kind;
namespace fs = std::filesystem;

std::string AllBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes;
}

// Reads the text form back: <XX> is a byte, anything else a Latin-1 character in UTF-8.
std::string DecodeText(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '<') {
            bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            EXPECT_EQ(text[i + 3], '>');
            i += 4;
        } else if (c >= 0xC0) {
            bytes += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F));
            i += 2;
        } else {
            bytes += static_cast<char>(c);
            ++i;
        }
    }
    return bytes;
}

TEST(TrafficLogTest, EveryByteCanBeReadBackFromTheTextAndTheHexForm) {
    const std::string all = AllBytes();
    const std::string text = console::BytesAsText(all);
    EXPECT_EQ(DecodeText(text), all);

    const std::string hex = console::BytesAsHex(all);
    const std::size_t gap = hex.find("  ");
    ASSERT_EQ(gap, 256u * 3 - 1);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(std::stoi(hex.substr(i * 3, 2), nullptr, 16), i) << i;
    // Beside the hex: a dot for each control byte (00-1F, 7F-9F), the character otherwise.
    const std::string beside = hex.substr(gap + 2);
    std::string expected;
    for (int i = 0; i < 256; ++i) {
        if (i < 0x20 || (i >= 0x7F && i < 0xA0))
            expected += '.';
        else if (i < 0x80)
            expected += static_cast<char>(i);
        else
            expected += {static_cast<char>(0xC0 | (i >> 6)), static_cast<char>(0x80 | (i & 0x3F))};
    }
    EXPECT_EQ(beside, expected);

    struct Case {
        std::string bytes, text, hex;
    };
    const Case cases[] = {
        {.bytes = "PP#VAR#\r", .text = "PP#VAR#<0D>", .hex = "50 50 23 56 41 52 23 0D  PP#VAR#."},
        {.bytes = std::string("a\0b", 3), .text = "a<00>b", .hex = "61 00 62  a.b"},
        {.bytes = "<0D>", .text = "<3C>0D>", .hex = "3C 30 44 3E  <0D>"},
        {.bytes = "\x85\xE9\xFF", .text = "<85>\xC3\xA9\xC3\xBF", .hex = "85 E9 FF  .\xC3\xA9\xC3\xBF"},
        {.bytes = "", .text = "", .hex = "  "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(console::BytesAsText(c.bytes), c.text);
        EXPECT_EQ(console::BytesAsHex(c.bytes), c.hex);
    }
}

TEST(TrafficLogTest, TheRingKeepsItsBoundsAndCountsWhatItDropped) {
    auto entry = [](int i, std::size_t size = 10) {
        return TrafficEntry{.time = {}, .kind = Kind::Received, .bytes = std::string(size, char('a' + i % 26))};
    };
    TrafficLog byCount({.maxEntries = 3, .maxBytes = 1 << 20});
    for (int i = 0; i < 5; ++i) byCount.Append(entry(i));
    EXPECT_EQ(byCount.Size(), 3u);
    EXPECT_EQ(byCount.Dropped(), 2u);
    EXPECT_EQ(byCount.FirstNumber(), 2u);
    EXPECT_EQ(byCount.EndNumber(), 5u);
    EXPECT_EQ(byCount.ByNumber(2).bytes, entry(2).bytes);
    EXPECT_EQ(byCount.ByNumber(4).bytes, entry(4).bytes);

    const std::size_t cost = TrafficLog::CostOf(entry(0));
    TrafficLog byBytes({.maxEntries = 100, .maxBytes = 4 * cost});
    for (int i = 0; i < 4; ++i) byBytes.Append(entry(i));
    EXPECT_EQ(byBytes.Dropped(), 0u);
    byBytes.Append(entry(4, 25));  // needs room for 15 more bytes: two entries go
    EXPECT_EQ(byBytes.Size(), 3u);
    EXPECT_EQ(byBytes.Dropped(), 2u);
    EXPECT_LE(byBytes.Bytes(), 4 * cost);

    // Clearing is not dropping; numbering goes on.
    byBytes.Clear();
    EXPECT_EQ(byBytes.Size(), 0u);
    EXPECT_EQ(byBytes.Dropped(), 2u);
    EXPECT_EQ(byBytes.Bytes(), 0u);
    byBytes.Append(entry(5));
    EXPECT_EQ(byBytes.FirstNumber(), 5u);
    EXPECT_EQ(byBytes.ByNumber(5).bytes, entry(5).bytes);
}

class SavedLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = testutil::MakeTempFolder("tq410k-log");
    }
    void TearDown() override { fs::remove_all(dir); }
    static std::vector<std::string> ReadLines(const fs::path& path) {
        std::ifstream in(path);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    fs::path dir;
};

TEST_F(SavedLogTest, ASavedLogReadsBackOneEntryPerLineAndReplacesTheOldFileWhole) {
    TrafficLog log;
    const auto now = std::chrono::system_clock::now();
    log.Append({.time = now, .kind = Kind::Port, .bytes = "Opened: /dev/ttyUSB0 9600 8N1, DTR on, RTS on"});
    log.Append({.time = now, .kind = Kind::Sent, .bytes = "PPPPPP#VAR#"});
    log.Append({.time = now, .kind = Kind::Received, .bytes = "TQ410-K V3.0\r\n"});
    log.Append({.time = now, .kind = Kind::Dropped, .bytes = "MON:1"});
    const fs::path path = dir / "traffic.log";
    { std::ofstream(path) << "an older and much longer file\n" << std::string(5000, 'x') << "\n"; }

    console::SaveTrafficLog(log, log.FirstNumber(), log.EndNumber(), console::TrafficForm::Text, path.string());
    const auto lines = ReadLines(path);
    ASSERT_EQ(lines.size(), 4u);
    const std::string stamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})";
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(stamp + "  port           Opened: /dev/ttyUSB0 9600 8N1, DTR on, RTS on")))
        << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(stamp + "  sent        11  PPPPPP#VAR#"))) << lines[1];
    EXPECT_TRUE(std::regex_match(lines[2], std::regex(stamp + "  received    14  TQ410-K V3\\.0<0D><0A>"))) << lines[2];
    EXPECT_TRUE(std::regex_match(lines[3], std::regex(stamp + "  dropped      5  MON:1"))) << lines[3];
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], console::FormatLine(log.ByNumber(i), console::TrafficForm::Text));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "a temporary file was left";

    console::SaveTrafficLog(log, 1, 2, console::TrafficForm::Hex, path.string());
    EXPECT_EQ(ReadLines(path), std::vector<std::string>{console::FormatLine(log.ByNumber(1), console::TrafficForm::Hex)});
}

TEST_F(SavedLogTest, AFailedSaveSaysWhyAndLeavesNothingBehind) {
    TrafficLog log;
    log.Append({.time = {}, .kind = Kind::Sent, .bytes = "x"});
    const fs::path missing = dir / "no-such-folder" / "traffic.log";
    try {
        console::SaveTrafficLog(log, 0, 1, console::TrafficForm::Text, missing.string());
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(fs::is_empty(dir));
}

// A save that fails part-way (the file-size limit) leaves the earlier file whole.
TEST_F(SavedLogTest, ASaveCutShortLeavesTheEarlierFileWhole) {
    SKIP_ON_WINDOWS(consoletest::kFileSizeLimit);
#ifndef _WIN32
    TrafficLog log;
    const fs::path path = dir / "traffic.log";
    { std::ofstream(path) << "the earlier log\n"; }
    for (int i = 0; i < 200; ++i) log.Append({.time = {}, .kind = Kind::Received, .bytes = std::string(100, 'r')});
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(console::SaveTrafficLog(log, log.FirstNumber(), log.EndNumber(), console::TrafficForm::Text,
                                         path.string()),
                 std::runtime_error);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, handler);
    EXPECT_EQ(ReadLines(path), std::vector<std::string>{"the earlier log"});
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "a temporary file was left";
#endif
}

}  // namespace
