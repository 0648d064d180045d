// Profiles: the format round trip, every kind of bad file with its message,
// and saving that never leaves a half-written file.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "commission/Profile.h"

namespace {

using namespace commission;
namespace fs = std::filesystem;

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    if (at == std::string::npos) throw std::logic_error("no " + from);
    return text.replace(at, from.size(), to);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ProfileTest, TextHoldsTheParametersInOrderAndReadsBackTheSame) {
    Configuration c = DefaultConfiguration();
    c.values["MAD7XS"] = std::string("00010");
    c.values["COMDDATA1"] = std::string("\xE9");  // Latin-1 e acute
    const std::string text = ProfileText(c);
    EXPECT_TRUE(text.starts_with("{\n  \"format\": \"tq410k-profile\",\n  \"version\": 1,\n  \"ADR\": {\n    \"address\": \"001\"\n  },\n"));
    EXPECT_NE(text.find("\"ZDAD07\": {\n    \"commandCode\": 0,\n    \"address\": \"001\",\n    \"length\": \"4\",\n"
                        "    \"dataType\": 0,\n    \"coefficient\": \"00010\",\n    \"dataAddress\": \"014\",\n"
                        "    \"dataFormat\": 0\n  }"),
              std::string::npos);
    EXPECT_NE(text.find("\"command\": \"\xC3\xA9\""), std::string::npos);  // UTF-8 in the file
    EXPECT_LT(text.find("\"MR485B\""), text.find("\"PCBSN\""));
    EXPECT_LT(text.find("\"ZDPU12\""), text.find("\"COMW1\""));
    EXPECT_LT(text.find("\"COMW6\""), text.find("\"COMP01\""));
    EXPECT_EQ(ParseProfile(text), c);
    EXPECT_EQ(ProfileText(ParseProfile(text)), text);
}

TEST(ProfileTest, EveryFaultIsNamedWithItsKey) {
    const std::string good = ProfileText(DefaultConfiguration());
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"hello", "not JSON: parse error at line 1, column 1: syntax error while parsing value - invalid literal; "
                  "last read: 'h'"},
        {good.substr(0, good.size() / 2), "not JSON: parse error"},
        {"[1]", "not a profile: the document is an array, not an object"},
        {"1e99999", "not JSON: number overflow"},  // too large for any number type
        {Replace(good, "tq410k-profile", "other"), "format: is \"other\", expected \"tq410k-profile\""},
        {Replace(good, "\"version\": 1", "\"version\": 2"), "version: 2 is not supported (this program reads version 1)"},
        {Replace(good, "\"JTM\"", "\"JTX\""), "JTX: unknown key"},
        {Replace(good, "\"pulse\"", "\"pulses\""), "BADR.pulses: unknown key"},
        {Replace(good, "\"ADR\": {\n    \"address\": \"001\"\n  },\n", ""), "ADR: is missing"},
        {Replace(good, ",\n    \"pulse\": \"00000\"", ""), "BADR.pulse: is missing"},
        {Replace(good, "\"monitoring\": 0", "\"monitoring\": \"0\""), "MDO.monitoring: is a string, expected an item index"},
        {Replace(good, "\"address\": \"001\"", "\"address\": 1"), "ADR.address: is a whole number, expected a text"},
        {Replace(good, "\"frameType\": 0", "\"frameType\": 4"), "STM.frameType: item index 4 is outside 0 to 3"},
        {Replace(good, "\"monitoring\": 0", "\"monitoring\": -1"), "MDO.monitoring: item index -1 is outside 0 to 1"},
        {Replace(good, "\"monitoring\": 0", "\"monitoring\": 0.5"), "MDO.monitoring: is a number with a fraction, expected an item index"},
        {Replace(good, "\"interval\": \"010\"", "\"interval\": \"\xE2\x82\xAC\""),
         "JTM.interval: holds characters the line cannot carry (only Latin-1 travels)"},
        // The parser would keep the last of two values without a word.
        {Replace(good, "\"ADR\": {", "\"ADR\": {\"address\": \"002\"}, \"ADR\": {"), "ADR: is given twice"},
        {Replace(good, "\"coefficient\": \"00001\",", "\"coefficient\": \"00001\", \"coefficient\": \"00002\","),
         "ZDAD01.coefficient: is given twice"},
        {Replace(good, "\"version\": 1", "\"version\": 1, \"version\": 1"), "version: is given twice"},
        // Values shorter than their place in the reply record.
        {Replace(good, "\"coefficient\": \"00001\"", "\"coefficient\": \"10\""),
         "ZDAD01.coefficient: \"10\" has 2 digits, the converter carries 5 (write \"00010\")"},
        {Replace(good, "\"dataAddress\": \"000\"", "\"dataAddress\": \"20\""),
         "ZDAD01.dataAddress: \"20\" has 2 digits, the converter carries 3 (write \"020\")"},
        {Replace(good, "\"byte1\": \"01\"", "\"byte1\": \"1\""),
         "COMP01.byte1: \"1\" has 1 character, the converter carries 2 (write \"01\")"},
        // Long values are cut in messages.
        {Replace(good, "tq410k-profile", std::string(40000, 'q')),
         "format: is \"" + std::string(39, 'q') + "\u2026 (40,002 characters), expected \"tq410k-profile\""},
        {Replace(good, "\"JTM\"", "\"" + std::string(50000, 'J') + "\""),
         std::string(40, 'J') + "\u2026 (50,000 characters): unknown key"},
    };
    for (const auto& c : cases) {
        try {
            ParseProfile(c.text);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const EProfileError& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, c.message.size()), c.message);
        }
    }
}

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A folder of its own; create_directory refuses one that exists.
        std::random_device random;
        dir = fs::temp_directory_path() / ("tq410k-profile." + std::to_string(random()));
        ASSERT_TRUE(fs::create_directory(dir));
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(ProfileFileTest, SavingReplacesTheFileWholeOrNotAtAll) {
    const std::string path = (dir / "unit7.json").string();
    Configuration c = DefaultConfiguration();
    SaveProfile(path, c);
    const std::string first = ReadFile(path);
    EXPECT_EQ(first, ProfileText(c));
    EXPECT_EQ(LoadProfile(path), c);

    // A record a profile cannot hold is refused, and the good file stays.
    c.values["ZMR485BT"] = -1;
    try {
        SaveProfile(path, c);
        ADD_FAILURE() << "saved";
    } catch (const EProfileError& e) {
        EXPECT_EQ(std::string(e.what()), path + ": not saved:\nIRS485 interface \xC2\xB7 Baud: no item selected");
    }
    EXPECT_EQ(ReadFile(path), first);

    // A short run of digits is saved padded, so that the file loads again;
    // a short value of other characters is refused.
    Configuration shortValues = DefaultConfiguration();
    shortValues.values["MAD1XS"] = std::string("10");
    shortValues.values["ACOMBY1"] = std::string("b");
    SaveProfile(path, shortValues);
    const auto loaded = LoadProfile(path);
    EXPECT_EQ(loaded.Text("MAD1XS"), "00010");
    EXPECT_EQ(loaded.Text("ACOMBY1"), "0b");
    shortValues.values["MPD2XS"] = std::string("1.5");
    try {
        SaveProfile(path, shortValues);
        ADD_FAILURE() << "saved";
    } catch (const EProfileError& e) {
        EXPECT_EQ(std::string(e.what()), path + ": not saved:\nTotalizer 2 \xC2\xB7 Coefficient: \"1.5\" has 3 characters, "
                                               "the converter carries 5 (write 5 characters)");
    }
    SaveProfile(path, c = DefaultConfiguration());

#ifndef _WIN32
    // A save that fails part-way (the file-size limit) leaves the earlier file
    // whole and no temporary file beside it.
    {
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit before{};
        ::getrlimit(RLIMIT_FSIZE, &before);
        rlimit small = before;
        small.rlim_cur = 1000;
        ::setrlimit(RLIMIT_FSIZE, &small);
        EXPECT_THROW(SaveProfile(path, DefaultConfiguration()), EProfileError);
        ::setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, handler);
        EXPECT_EQ(ReadFile(path), first);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    }
#endif

    // A folder that is not there: nothing is written anywhere.
    EXPECT_THROW(SaveProfile((dir / "none" / "x.json").string(), DefaultConfiguration()), EProfileError);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(ProfileFileTest, LoadNamesTheFile) {
    const std::string path = (dir / "bad.json").string();
    std::ofstream(path) << "{}";
    try {
        LoadProfile(path);
        ADD_FAILURE() << "loaded";
    } catch (const EProfileError& e) {
        EXPECT_EQ(std::string(e.what()), path + ": format: is missing");
    }
    EXPECT_THROW(LoadProfile((dir / "missing.json").string()), EProfileError);
}

#ifndef _WIN32
TEST_F(ProfileFileTest, OnlyARegularFileOfAtMostOneMebibyteIsRead) {
    const std::string fifo = (dir / "fifo").string(), big = (dir / "big.json").string(),
                      wide = (dir / "wide.json").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::resize_file((std::ofstream(big), big), MaxProfileBytes + 1);
    std::string text = ProfileText(DefaultConfiguration());
    std::ofstream(wide) << text.replace(text.find("\"address\": \"001\""), 16, "\"address\": \"1234\"");
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {fifo, fifo + ": is not a regular file (a device, FIFO or socket), not a profile"},
        {"/dev/zero", "/dev/zero: is not a regular file (a device, FIFO or socket), not a profile"},
        {dir.string(), dir.string() + ": is a folder, not a profile"},
        {big, big + ": is 1048577 bytes, more than a profile's 1048576"},
        {wide, wide + ": ADR.address: '1234' is not a number from 0 to 999 (the 3 digits the converter's reply carries back)"},
    };
    for (const auto& c : cases) {
        try {
            LoadProfile(c.path);
            ADD_FAILURE() << c.path << " loaded";
        } catch (const EProfileError& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}
#endif

}  // namespace
