// Captures: every byte reads back as it came, and a bad file is refused
// naming the file, the key and the fault.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "commission/Capture.h"

namespace {

using namespace commission;
namespace fs = std::filesystem;

TEST(CaptureTest, EveryByteReadsBackAsItCameFromAnAsciiFile) {
    std::string everyByte;
    for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b);
    const Capture capture{
        .when = "2026-12-09T14:00:00Z",
        .line = {.port = "/dev/ttyUSB0", .baud = 19200, .parity = "even", .stopBits = 2, .timeoutMs = 500},
        .exchanges = {{.label = "QX1",
                       .command = "PPPPPP#QX1#",
                       .result = "answered",
                       .pieces = {{.afterMs = 3, .bytes = everyByte}, {.afterMs = 253, .bytes = "OK\r\n"}},
                       .cut = true},
                      {.label = "QX2", .command = "PPPPPP#QX2#\xE9", .result = "no answer", .pieces = {}}}};
    const std::string text = CaptureText(capture);
    EXPECT_EQ(ParseCapture(text), capture);
    for (const char c : text)
        ASSERT_TRUE(c == '\n' || (c >= 0x20 && c <= 0x7F)) << "byte " << static_cast<int>(static_cast<unsigned char>(c));
    EXPECT_NE(text.find(R"("bytes": "OK\r\n")"), std::string::npos);
    EXPECT_NE(text.find(R"("command": "PPPPPP#QX2#\u00e9")"), std::string::npos);
}

std::string Document(const std::string& exchanges, const std::string& version = "1", const std::string& baud = "9600") {
    return R"({"format": "tq410k-capture", "version": )" + version +
           R"(, "when": "2026-12-09T14:00:00Z", "line": {"port": "/dev/ttyUSB0", "baud": )" + baud +
           R"(, "parity": "none", "stopBits": 1, "timeoutMs": 3000}, "exchanges": [)" + exchanges + "]}";
}

std::string Exchange(const std::string& command, const std::string& pieces, const std::string& result = "answered") {
    return R"({"label": "X", "command": ")" + command + R"(", "result": ")" + result + R"(", "pieces": [)" + pieces + "]}";
}

TEST(CaptureTest, EveryFaultIsNamedWithItsKey) {
    const std::string good = Exchange("PPPPPP#QX1#", R"({"afterMs": 20, "bytes": "ADR:001"})");
    const struct {
        const char* name;
        std::string text;
        std::string message;
    } cases[] = {
        {.name = "not JSON", .text = "{", .message = "not JSON: "},
        {.name = "a profile",
         .text = R"({"format": "tq410k-profile", "version": 1})",
         .message = R"(format: is "tq410k-profile", expected "tq410k-capture")"},
        {.name = "version", .text = Document(good, "2"), .message = "version: 2 is not supported (this program reads version 1)"},
        {.name = "unknown key",
         .text = Document(R"({"label": "X", "command": "C", "result": "answered", "pieces": [], "colour": 1})"),
         .message = "exchanges[0].colour: unknown key"},
        {.name = "missing key",
         .text = Document(R"({"label": "X", "result": "answered", "pieces": []})"),
         .message = "exchanges[0].command: is missing"},
        {.name = "negative time",
         .text = Document(Exchange("C", R"({"afterMs": -5, "bytes": "A"})")),
         .message = "exchanges[0].pieces[0].afterMs: -5 is not a whole number from 0 to 3600000"},
        {.name = "time going back",
         .text = Document(Exchange("C", R"({"afterMs": 20, "bytes": "A"}, {"afterMs": 10, "bytes": "B"})")),
         .message = "exchanges[0].pieces[1].afterMs: 10 is earlier than the piece before (20)"},
        {.name = "no byte",
         .text = Document(Exchange("C", R"({"afterMs": 0, "bytes": "\u0100"})")),
         .message = "exchanges[0].pieces[0].bytes: holds a character beyond U+00FF, which is no byte"},
        {.name = "empty piece",
         .text = Document(Exchange("C", R"({"afterMs": 0, "bytes": ""})")),
         .message = "exchanges[0].pieces[0].bytes: is empty"},
        {.name = "result", .text = Document(Exchange("C", "", "ok")), .message = R"(exchanges[0].result: is "ok", expected one of)"},
        {.name = "answer to nothing sent",
         .text = Document(Exchange("C", R"({"afterMs": 0, "bytes": "A"})", "not sent")),
         .message = "exchanges[0].pieces: a command that was not sent has no answer"},
        {.name = "command twice",
         .text = Document(good + "," + good),
         .message = "exchanges[1].command: the same command as exchanges[0]"},
        {.name = "key twice",
         .text = Document(Exchange("C", R"({"afterMs": 0, "afterMs": 9, "bytes": "A"})")),
         .message = "afterMs: the key appears twice in one object"},
        {.name = "baud", .text = Document(good, "1", R"("9600")"), .message = R"(line.baud: "9600" is not a whole number)"},
    };
    ASSERT_NO_THROW(ParseCapture(Document(good)));
    for (const auto& c : cases) {
        try {
            ParseCapture(c.text);
            ADD_FAILURE() << c.name << ": read";
        } catch (const ECaptureError& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, c.message.size()), c.message) << c.name;
        }
    }
}

TEST(CaptureTest, LoadNamesTheFile) {
    const fs::path dir = fs::temp_directory_path() / ("tq410k-capture-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    const std::string bad = (dir / "bad.capture").string();
    std::ofstream(bad) << Document(Exchange("C", R"({"afterMs": -1, "bytes": "A"})"));
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {bad, bad + ": exchanges[0].pieces[0].afterMs: -1 is not a whole number"},
        {dir.string(), dir.string() + ": is a folder, not a capture"},
    };
    for (const auto& c : cases) {
        try {
            LoadCapture(c.path);
            ADD_FAILURE() << c.path << " loaded";
        } catch (const ECaptureError& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, c.message.size()), c.message);
        }
    }
    fs::remove_all(dir);
}

}  // namespace
