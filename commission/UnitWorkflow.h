#pragma once
// Commissioning one unit, the same for the window and the command-line
// program: its identity and its STARTED line in the batch log, write all,
// verify, its record, its end line. Like Sequence it neither waits nor reads
// a clock nor touches a port: its driver runs the sequences it hands out and
// passes the times.

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "commission/BatchLog.h"
#include "commission/Sequence.h"
#include "commission/UnitIdentity.h"
#include "commission/UnitRecord.h"
#include "commission/UnitResult.h"

namespace commission {

struct UnitSetup {
    std::string profilePath;
    std::filesystem::path recordFolder;
    std::filesystem::path batchLog;  // empty: none
    // The unit is commissioned again: a serial number the log holds is taken
    // and its record replaced. Otherwise both refuse the unit.
    bool retry = false;
    // The unit's identity, picked while the batch log is locked, from the log
    // as it stands then (nullptr without a log). Throws to refuse.
    std::function<UnitIdentity(const BatchLog* log)> choose;
    std::chrono::milliseconds timeout{3000};
    std::string port;          // as the user named it
    std::string lineSettings;  // "9600 baud, 8 data bits, no parity, 1 stop bit"
    std::string link;          // "/dev/ttyUSB0 at 9600 baud, no parity, 1 stop bit", for messages
    std::string host, user;
    // Further files of the record made from its HTML page (the window's PDF):
    // the file name's suffix and the maker of its bytes, which throws EFileError.
    std::vector<std::pair<std::string, std::function<std::string(const std::string& html)>>> extraRecords;
};

// The unit was refused before anything was sent; the message says why.
class UnitRefused : public std::runtime_error {
public:
    // `serialHeld`: refused because the batch log holds the serial number.
    explicit UnitRefused(const std::string& message, bool serialHeld = false)
        : std::runtime_error(message), serialHeld_(serialHeld) {}
    bool SerialHeld() const { return serialHeld_; }

private:
    bool serialHeld_;
};

struct UnitEnd {
    // Differs: write all and verify were whole and every setting was
    // compared, but some differ. Fail: anything else short of a pass, also a
    // pass whose record or log line could not be written.
    enum class Verdict { Pass, Differs, Fail } verdict = Verdict::Fail;
    std::string serial;
    std::string headline;              // "PASS 00001234", "FAIL 00001234: Write all: …"
    std::vector<std::string> details;  // the give-up message, each difference, what was not written
    std::filesystem::path record;      // the record's JSON; empty when no record was written
};

class UnitWorkflow {
public:
    // Loads the profile and checks the record folder. Throws UnitRefused.
    explicit UnitWorkflow(UnitSetup setup);

    // Gives the unit its identity and appends its STARTED line, both under the
    // batch log's lock, and returns write all. Throws UnitRefused: nothing sent.
    Sequence Begin(const std::string& startedUtc);
    // Write all has ended: verify, when every set command was acknowledged.
    std::optional<Sequence> WriteEnded(const Sequence& write);
    void VerifyEnded(const Sequence& verify);
    // Judges the unit and writes its record, then its end line. PASS is said
    // only once both are on disk.
    UnitEnd Finish(const std::string& finishedUtc);

    const UnitIdentity& Identity() const { return record_.identity; }
    const Configuration& Expected() const { return expected_; }
    const UnitRecord& Record() const { return record_; }

private:
    BatchLogEntry LogLine(const std::string& result, const std::string& differences, const std::string& file) const;

    UnitSetup setup_;
    Configuration profile_;
    Configuration expected_;
    std::vector<Step> writeSteps_;
    UnitRecord record_;
    std::optional<SequenceOutcome> written_, verified_;
};

// Exit status of a unit for scripts: 0 PASS, 1 settings differ, 2 anything else.
int ExitStatus(UnitEnd::Verdict verdict);

}  // namespace commission
