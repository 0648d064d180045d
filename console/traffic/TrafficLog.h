#pragma once
// The traffic log: every command sent, every block received (those the reply
// table drops too) and what happened to the port, each with its time. A ring
// bounded in entries and in bytes; what falls off the front is counted.
// Plain C++: the log window is a thin view over it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace console {

struct TrafficEntry {
    enum class Kind {
        Sent,      // a command handed to the port
        NotSent,   // a command the port did not take (closed, or gone)
        Received,  // a block the window took in
        Dropped,   // a block the reply table dropped
        Port,      // the port opened, closed, lost, reconnected (text in `bytes`)
    };
    std::chrono::system_clock::time_point time;
    Kind kind = Kind::Port;
    std::string bytes;
};

struct TrafficLogLimits {
    std::size_t maxEntries = 100'000;
    std::size_t maxBytes = 64u << 20;  // the entries' bytes plus a fixed cost per entry
};

class TrafficLog {
public:
    explicit TrafficLog(TrafficLogLimits limits = {});

    void Append(TrafficEntry entry);
    void Clear();

    // Entries are numbered from 0 in the order they came, for the whole life
    // of the log; the ring holds the numbers [FirstNumber(), EndNumber()).
    std::uint64_t FirstNumber() const { return dropped_ + cleared_; }
    std::uint64_t EndNumber() const { return FirstNumber() + entries_.size(); }
    const TrafficEntry& ByNumber(std::uint64_t number) const { return entries_[number - FirstNumber()]; }
    std::size_t Size() const { return entries_.size(); }
    // Entries that fell off the front to keep the bounds (not those cleared).
    std::uint64_t Dropped() const { return dropped_; }
    std::size_t Bytes() const { return bytes_; }

    static std::size_t CostOf(const TrafficEntry& entry) { return sizeof(TrafficEntry) + entry.bytes.size(); }

private:
    TrafficLogLimits limits_;
    std::deque<TrafficEntry> entries_;
    std::size_t bytes_ = 0;
    std::uint64_t dropped_ = 0;
    std::uint64_t cleared_ = 0;
};

// ---- Formatting (UTF-8 text) ----

// The bytes as Latin-1 text; control bytes (00-1F, 7F-9F) and '<' itself
// shown as <0D>, so every byte can be read back from the text.
std::string BytesAsText(std::string_view bytes);
// "50 50 23 0D  PP#." : the bytes in hex, then the text with a dot for each
// control byte.
std::string BytesAsHex(std::string_view bytes);

enum class TrafficForm { Text, Hex };

// "23:01:02.345"; with the date for a saved log: "2026-12-08 23:01:02.345" (local time).
std::string FormatTime(std::chrono::system_clock::time_point time, bool withDate);
// "sent", "not sent", "received", "dropped", "port"
const char* KindName(TrafficEntry::Kind kind);
// The bytes of a block or command in the chosen form; the text of a port entry as it is.
std::string FormatContent(const TrafficEntry& entry, TrafficForm form);
// One line of a saved log: date and time, kind, length, content.
// "2026-12-08 23:01:02.345  received    40  TQ410-K V3.0<0D>"
std::string FormatLine(const TrafficEntry& entry, TrafficForm form);

// Writes the entries [first, end) of the log, one line each, to `path`
// through a temporary file and a rename: the file is either the old one or
// the whole new one. Throws std::runtime_error with the reason.
void SaveTrafficLog(const TrafficLog& log, std::uint64_t first, std::uint64_t end, TrafficForm form,
                    const std::string& path);

}  // namespace console
