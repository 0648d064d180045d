#include "console/traffic/TrafficLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <stdexcept>

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
    localtime_r(&t, &local);
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

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw std::runtime_error("Cannot " + what + " " + path + ": " + std::strerror(error));
}

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

void SaveTrafficLog(const TrafficLog& log, std::uint64_t first, std::uint64_t end, TrafficForm form,
                    const std::string& path) {
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) Fail("write", path, errno);
    auto failAndRemove = [&](const char* what) {
        const int error = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        Fail(what, path, error);
    };
    // mkstemp makes the file private; a saved log gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd, 0666 & ~mask) != 0) failAndRemove("write");

    first = std::max(first, log.FirstNumber());
    end = std::min(end, log.EndNumber());
    std::string chunk;
    for (std::uint64_t n = first; n < end; ++n) {
        chunk += FormatLine(log.ByNumber(n), form);
        chunk += '\n';
        if (chunk.size() >= (1u << 16)) {
            if (!WriteAll(fd, chunk)) failAndRemove("write");
            chunk.clear();
        }
    }
    if (!WriteAll(fd, chunk) || ::fsync(fd) != 0) failAndRemove("write");
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        Fail("write", path, error);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        Fail("write", path, error);
    }
}

}  // namespace console
