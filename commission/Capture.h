#pragma once
// Captures: what one converter answered to each command, in the pieces the
// port delivered and with their times, so that a converter met in the field
// can be examined and played back (tq410k-emulator --replay). A JSON file:
//   { "format": "tq410k-capture", "version": 1,
//     "when": "2026-12-09T14:03:11Z",
//     "line": { "port": "/dev/ttyUSB0", "baud": 9600, "parity": "none", "stopBits": 1, "timeoutMs": 3000 },
//     "exchanges": [
//       { "label": "QX1", "command": "PPPPPP#QX1#", "result": "answered",
//         "pieces": [ { "afterMs": 12, "bytes": "ADR:001,..." } ] }, ... ] }
// Bytes travel as texts whose characters are the bytes (U+0000 to U+00FF);
// the file escapes every character outside ASCII and every control byte
// ("\r", "\u0000", "\u00e9"), so it is plain ASCII and every byte reads back
// as it came.

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace commission {

inline constexpr std::string_view CaptureFormat = "tq410k-capture";
inline constexpr int CaptureVersion = 1;

// What came back for one command, as the sequence judged it.
inline constexpr std::array<std::string_view, 6> CaptureResults = {
    "answered",    // a whole answer
    "no answer",   // nothing whole before the time-out (what came, if anything, is in the pieces)
    "unreadable",  // its tag came, but a field does not convert
    "refused",     // the converter refused the setting
    "port lost",   // the port went away while the command waited
    "not sent",    // the sequence ended before it
};

// One block as the port delivered it; `afterMs`: from the command's going
// out to the block's last byte.
struct CapturePiece {
    long long afterMs = 0;
    std::string bytes;
    bool operator==(const CapturePiece&) const = default;
};

struct CaptureExchange {
    std::string label;    // "QX1", "ADR"
    std::string command;  // the bytes sent
    std::string result;   // one of CaptureResults
    std::vector<CapturePiece> pieces;
    bool cut = false;  // more came than a capture keeps (MaxCaptureAnswer)
    bool operator==(const CaptureExchange&) const = default;
};

struct CaptureLine {
    std::string port;
    long long baud = 9600;
    std::string parity = "none";  // none, odd, even
    long long stopBits = 1;
    long long timeoutMs = 3000;  // how long each command waited
    bool operator==(const CaptureLine&) const = default;
};

struct Capture {
    std::string when;  // UTC, "2026-12-09T14:03:11Z"
    CaptureLine line;
    std::vector<CaptureExchange> exchanges;  // in the order they were sent; no command twice
    bool operator==(const Capture&) const = default;
};

// What a capture keeps of one command's answer; the rest is left out and
// the exchange marked "cut". A real answer is a few hundred bytes.
inline constexpr std::size_t MaxCaptureAnswer = 16 * 1024;
inline constexpr std::size_t MaxCapturePieces = 256;
// The largest capture file read.
inline constexpr std::size_t MaxCaptureBytes = 16 * 1024 * 1024;
// The latest a piece may come after its command.
inline constexpr long long MaxCaptureAfterMs = 3'600'000;

// A capture that cannot be read; the message names the file (when there is
// one), the key and the fault.
class ECaptureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The capture as a file: stable key order, two-space indent, final newline.
std::string CaptureText(const Capture& capture);
// Checks the whole document; throws ECaptureError "<key>: <fault>"
// ("exchanges[2].pieces[0].afterMs: -5 is not a whole number from 0 to 3600000").
Capture ParseCapture(std::string_view text);
// Reads a regular file of at most MaxCaptureBytes and parses it; throws
// ECaptureError "<path>: ...".
Capture LoadCapture(const std::string& path);
// Writes the file atomically; throws EFileError naming it.
void SaveCapture(const std::string& path, const Capture& capture);

}  // namespace commission
