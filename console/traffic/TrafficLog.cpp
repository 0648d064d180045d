#include "console/traffic/TrafficLog.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

#include "commission/AtomicFile.h"

namespace console {

TrafficLog::TrafficLog(TrafficLogLimits limits) : limits_(limits) {}

void TrafficLog::Append(TrafficEntry entry) {
    bytes_ += CostOf(entry);
    entries_.push_back(std::move(entry));
    while (!entries_.empty() && (entries_.size() > limits_.maxEntries || bytes_ > limits_.maxBytes)) {
        bytes_ -= CostOf(entries_.front());
        entries_.pop_front();
        ++dropped_;
    }
}

void TrafficLog::Clear() {
    cleared_ += entries_.size();
    entries_.clear();
    bytes_ = 0;
}

// ---- Formatting ----

namespace {

bool IsControl(unsigned char c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

// One Latin-1 character as UTF-8.
void AppendLatin1(std::string& out, unsigned char c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

constexpr char HexDigits[] = "0123456789ABCDEF";

}  // namespace

std::string BytesAsText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsControl(c) || c == '<') {
            out += '<';
            out += HexDigits[c >> 4];
            out += HexDigits[c & 0xF];
            out += '>';
        } else {
            AppendLatin1(out, c);
        }
    }
    return out;
}

std::string BytesAsHex(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 4 + 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (i) out += ' ';
        out += HexDigits[c >> 4];
        out += HexDigits[c & 0xF];
    }
    out += "  ";
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsControl(c))
            out += '.';
        else
            AppendLatin1(out, c);
    }
    return out;
}

std::string FormatTime(std::chrono::system_clock::time_point time, bool withDate) {
    using namespace std::chrono;
    const auto since = time.time_since_epoch();
    const auto secs = floor<seconds>(since);
    const auto millis = duration_cast<milliseconds>(since - secs).count();
    const std::time_t t = secs.count();
    std::tm local{};
#ifdef _WIN32
    ::localtime_s(&local, &t);
#else
    ::localtime_r(&t, &local);
#endif
    char text[40];
    const std::size_t n = std::strftime(text, sizeof text, withDate ? "%Y-%m-%d %H:%M:%S" : "%H:%M:%S", &local);
    std::snprintf(text + n, sizeof text - n, ".%03d", static_cast<int>(millis));
    return text;
}

const char* KindName(TrafficEntry::Kind kind) {
    switch (kind) {
        case TrafficEntry::Kind::Sent: return "sent";
        case TrafficEntry::Kind::NotSent: return "not sent";
        case TrafficEntry::Kind::Received: return "received";
        case TrafficEntry::Kind::Dropped: return "dropped";
        case TrafficEntry::Kind::Port: return "port";
    }
    return "";
}

std::string FormatContent(const TrafficEntry& entry, TrafficForm form) {
    if (entry.kind == TrafficEntry::Kind::Port) return entry.bytes;
    return form == TrafficForm::Hex ? BytesAsHex(entry.bytes) : BytesAsText(entry.bytes);
}

std::string FormatLine(const TrafficEntry& entry, TrafficForm form) {
    char head[32];
    if (entry.kind == TrafficEntry::Kind::Port)
        std::snprintf(head, sizeof head, "  %-8s       ", KindName(entry.kind));
    else
        std::snprintf(head, sizeof head, "  %-8s %5zu  ", KindName(entry.kind), entry.bytes.size());
    return FormatTime(entry.time, true) + head + FormatContent(entry, form);
}

// ---- Saving ----

void SaveTrafficLog(const TrafficLog& log, std::uint64_t first, std::uint64_t end, TrafficForm form,
                    const std::string& path) {
    first = std::max(first, log.FirstNumber());
    end = std::min(end, log.EndNumber());
    commission::WriteFileAtomically(path, [&](const std::function<void(std::string_view)>& write) {
        std::string chunk;
        for (std::uint64_t n = first; n < end; ++n) {
            chunk += FormatLine(log.ByNumber(n), form);
            chunk += '\n';
            if (chunk.size() >= (1u << 16)) {
                write(chunk);
                chunk.clear();
            }
        }
        write(chunk);
    });
}

}  // namespace console
