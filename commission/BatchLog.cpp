#include "commission/BatchLog.h"

#include <fstream>
#include <sstream>

#include "commission/AtomicFile.h"
#include "commission/Csv.h"
#include "commission/UnitIdentity.h"

namespace commission {

BatchLog::BatchLog(std::filesystem::path path) : path_(std::move(path)) {
    std::error_code error;
    if (!std::filesystem::exists(path_, error)) return;
    if (!std::filesystem::is_regular_file(path_, error))
        throw BatchLogError(path_.string() + ": not a file");
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (!in) throw BatchLogError(path_.string() + ": cannot be read");
    const std::string text = buffer.str();
    endsWithBreak_ = text.empty() || text.back() == '\n';
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
                            (*fields)[4], (*fields)[5], (*fields)[6], (*fields)[7]};
        // Serial numbers are logged with all 8 digits; fewer on a cut line
        // means the crash came before the number was whole.
        const bool digits = entry.serial.size() == 8 &&
                            entry.serial.find_first_not_of("0123456789") == std::string::npos;
        if (!digits) {
            if (cut) continue;
            throw BatchLogError(where + ": \"" + entry.serial + "\" is no serial number of 8 digits");
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

BatchLogEntry BatchLog::Claim(const std::filesystem::path& path,
                             const std::function<BatchLogEntry(const BatchLog& fresh)>& choose) {
    // First form: no lock yet (to be made exclusive across programs).
    BatchLog log(path);
    BatchLogEntry entry = choose(log);
    log.Append(entry);
    return entry;
}

std::string BatchLog::DescribeHolder(const std::string& serial) const {
    const auto held = Find(serial);
    if (!held) return {};
    return "serial number " + serial + " is already in " + path_.string() + ": started " + held->started +
           (held->result == "STARTED" || held->result.empty() ? ", not finished" : ", " + held->result);
}

void BatchLog::Append(const BatchLogEntry& entry) {
    std::string text;
    std::error_code error;
    if (CreateDurably(path_, std::string(BatchLogHeader) + "\n"))
        endsWithBreak_ = true;
    else if (std::filesystem::file_size(path_, error) == 0)
        text = std::string(BatchLogHeader) + "\n";
    if (!endsWithBreak_) text = "\n";  // the line a crash cut short stays apart
    text += CsvLine({entry.serial, entry.address, entry.inspector, entry.started, entry.finished, entry.result,
                     entry.differences, entry.record});
    AppendDurably(path_, text);
    endsWithBreak_ = true;
    serials_.insert(entry.serial);
    entries_.push_back(entry);
}

}  // namespace commission
