#include "commission/BatchLog.h"

#include "commission/Csv.h"
#include "commission/LockedFile.h"
#include "protocol/Excerpt.h"

namespace commission {
namespace {

// A batch log of a million units is about 150 MB.
constexpr std::size_t MaxLogBytes = 256u * 1024 * 1024;
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

void CheckIsFile(const std::filesystem::path& path) {
    std::error_code error;
    if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error))
        throw BatchLogError(path.string() + ": not a file");
}

std::string LineOf(const BatchLogEntry& entry) {
    return CsvLine({entry.serial, entry.address, entry.inspector, entry.started, entry.finished, entry.result,
                    entry.differences, entry.record});
}

}  // namespace

BatchLog::BatchLog(std::filesystem::path path, DiskSync sync) : path_(std::move(path)), sync_(std::move(sync)) {
    CheckIsFile(path_);
    LockedFile file(path_, LockedFile::Access::Read);
    Read(file.ReadAll(MaxLogBytes));
}

void BatchLog::Read(std::string_view text) {
    entries_.clear();
    serials_.clear();
    // Spreadsheet programs save CSV with a byte order mark.
    if (text.starts_with(ByteOrderMark)) text.remove_prefix(ByteOrderMark.size());
    const auto lines = SplitLines(text);
    if (lines.empty()) return;
    if (lines[0] != BatchLogHeader)
        throw BatchLogError(path_.string() + ": line 1: not a batch log (its header is " +
                            std::string(BatchLogHeader) + ")");
    for (std::size_t n = 1; n < lines.size(); ++n) {
        if (lines[n].empty()) continue;
        // A line with fewer columns, or a quote left open, is one that a crash
        // cut short; later runs add their lines after it.
        auto fields = SplitCsvLine(lines[n]);
        if (!fields) fields = SplitCsvLine(std::string(lines[n]) + "\"");
        const auto where = path_.string() + ": line " + std::to_string(n + 1);
        if (!fields || fields->size() > 8) throw BatchLogError(where + ": not a line of the batch log");
        const bool cut = fields->size() < 8;
        fields->resize(8);
        BatchLogEntry entry{(*fields)[0], (*fields)[1], (*fields)[2], (*fields)[3],
                            (*fields)[4], (*fields)[5], (*fields)[6], (*fields)[7], n + 1};
        // Serial numbers are logged with all 8 digits; fewer on a cut line
        // means the crash came before the number was whole.
        const bool digits = entry.serial.size() == 8 &&
                            entry.serial.find_first_not_of("0123456789") == std::string::npos;
        if (!digits) {
            if (cut) continue;
            throw BatchLogError(where + ": " + protocol::QuotedExcerpt(entry.serial) +
                                " is no serial number of 8 digits");
        }
        serials_.insert(entry.serial);
        entries_.push_back(std::move(entry));
    }
}

std::optional<BatchLogEntry> BatchLog::Find(const std::string& serial) const {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        if (it->serial == serial) return *it;
    return std::nullopt;
}

BatchLog::BatchLog(std::filesystem::path path, DiskSync sync, Unread) : path_(std::move(path)), sync_(std::move(sync)) {}

BatchLogEntry BatchLog::Claim(const std::filesystem::path& path,
                             const std::function<BatchLogEntry(const BatchLog& fresh)>& choose) {
    BatchLog log(path, SyncToDisk, Unread{});
    CheckIsFile(path);
    // One lock from reading the log to the line on the disk: no other program
    // reads the log in between, so none can choose the same serial number.
    LockedFile file(path, LockedFile::Access::Append, log.sync_);
    const std::string text = file.ReadAll(MaxLogBytes);
    log.Read(text);
    BatchLogEntry entry = choose(log);
    log.AppendLocked(file, text, entry);
    return entry;
}

std::string BatchLog::DescribeHolder(const std::string& serial) const {
    const auto held = Find(serial);
    if (!held) return {};
    std::string text = "serial number " + serial + " is already in " + path_.string() + ", line " +
                       std::to_string(held->line) + ": ";
    if (!held->started.empty()) text += "started " + held->started + ", ";
    const bool finished = !held->result.empty() && held->result != "STARTED";
    return text + (finished ? held->result : std::string("not finished"));
}

void BatchLog::Append(const BatchLogEntry& entry) {
    CheckIsFile(path_);
    LockedFile file(path_, LockedFile::Access::Append, sync_);
    // Other programs may have added lines since this log was read.
    const std::string text = file.ReadAll(MaxLogBytes);
    Read(text);
    BatchLogEntry added = entry;
    AppendLocked(file, text, added);
}

void BatchLog::AppendLocked(LockedFile& file, std::string_view text, BatchLogEntry& entry) {
    std::string_view body = text;
    if (body.starts_with(ByteOrderMark)) body.remove_prefix(ByteOrderMark.size());
    std::string added;
    // The line a crash cut short stays apart.
    if (!body.empty() && body.back() != '\n') added = "\n";
    // A new log gets its header with its first line, under the same lock.
    if (body.empty()) added = std::string(BatchLogHeader) + "\n";
    added += LineOf(entry);
    file.Append(added);
    entry.line = body.empty() ? 2 : SplitLines(body).size() + 1;
    serials_.insert(entry.serial);
    entries_.push_back(entry);
}

}  // namespace commission
