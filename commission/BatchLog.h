#pragma once
// The batch log: one CSV line per commissioned unit, added and flushed to the
// disk as each unit ends, so a crash or a pulled cable loses at most the unit
// in progress. Every serial number the log holds counts as issued, whatever
// the unit's result, and is not given out again. Any number of programs may
// share one log: each reads and adds under a lock of the file (LockedFile).

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "commission/AtomicFile.h"

namespace commission {

class LockedFile;

struct BatchLogEntry {
    std::string serial = {};
    std::string address = {};  // as written, "" when the profile's was kept
    std::string inspector = {};
    std::string started = {};  // UTC, ISO 8601
    std::string finished = {};
    std::string result = {};       // "STARTED", "PASS", "FAIL", "SKIPPED"
    std::string differences = {};  // what failed, one text
    std::string record = {};       // the record's file name
    std::size_t line = 0;          // its line in the log (the header is line 1); 0 before it is in one
    bool operator==(const BatchLogEntry&) const = default;
};

class BatchLogError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::string_view BatchLogHeader = "serial,address,inspector,start,end,result,differences,record";

class BatchLog {
public:
    // Reads the log at `path` when it exists (a byte order mark before the
    // header is passed over). Throws BatchLogError naming the file and line
    // when it is no batch log, EFileError when it cannot be read. A last line
    // cut short by a crash is kept as far as it goes: its serial number stays
    // issued. `sync` flushes each added line to the disk.
    explicit BatchLog(std::filesystem::path path, DiskSync sync = SyncToDisk);

    const std::filesystem::path& Path() const { return path_; }
    const std::vector<BatchLogEntry>& Entries() const { return entries_; }
    const std::set<std::string>& Serials() const { return serials_; }
    bool Holds(const std::string& serial) const { return serials_.count(serial) != 0; }
    // The last entry of this serial number.
    std::optional<BatchLogEntry> Find(const std::string& serial) const;

    // Under the lock of the file: reads the log anew, adds the line (and the
    // header to a new log) and flushes it to the disk. Throws EFileError, or
    // BatchLogError when the file is no batch log any more.
    void Append(const BatchLogEntry& entry);

    // Gives a unit its place in the log while other programs may share it:
    // under one exclusive lock of the file, reads the log anew, asks
    // `choose` for the unit's STARTED line (it may throw to refuse, e.g. for
    // a serial number the fresh log holds), appends that line, flushes it to
    // the disk and lets the lock go. Returns the line appended. Throws
    // BatchLogError or EFileError, or what `choose` throws.
    static BatchLogEntry Claim(const std::filesystem::path& path,
                               const std::function<BatchLogEntry(const BatchLog& fresh)>& choose);

    // "serial number 00005000 is already in batch.csv, line 3: started
    // 2026-12-09T11:51:21Z, not finished" (or "…, PASS", "FAIL", "SKIPPED"),
    // naming the last line of that serial number: why it is refused. "" when
    // the log does not hold it.
    std::string DescribeHolder(const std::string& serial) const;

private:
    struct Unread {};
    BatchLog(std::filesystem::path path, DiskSync sync, Unread);
    void Read(std::string_view text);
    // Adds the entry's line after `text`, the file's bytes read under the lock.
    void AppendLocked(LockedFile& file, std::string_view text, BatchLogEntry& entry);

    std::filesystem::path path_;
    DiskSync sync_;
    std::vector<BatchLogEntry> entries_;
    std::set<std::string> serials_;
};

}  // namespace commission
