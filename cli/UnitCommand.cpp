#include "cli/UnitCommand.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>

#include "cli/CommissionCommands.h"
#include "cli/PortSession.h"
#include "cli/Subcommands.h"
#include "commission/AtomicFile.h"
#include "commission/BatchLog.h"
#include "commission/Commands.h"
#include "commission/Profile.h"
#include "commission/Sha256.h"
#include "commission/UnitIdentity.h"
#include "commission/UnitRecord.h"
#include "commission/UnitResult.h"

namespace cli {
namespace {

using commission::Sequence;

struct UnitArguments {
    Arguments common;  // port, line, profile
    std::string serial, firstSerial, inspector, address;
    std::string recordFolder;
    std::string batchLog;
    bool retry = false;
};

UnitArguments ParseUnitArguments(const std::vector<std::string>& args) {
    UnitArguments a;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw EUsageError(arg + " needs a value");
            return args[++i];
        };
        if (arg == "--serial") a.serial = value();
        else if (arg == "--first-serial") a.firstSerial = value();
        else if (arg == "--inspector") a.inspector = value();
        else if (arg == "--address") a.address = value();
        else if (arg == "--record") a.recordFolder = value();
        else if (arg == "--batch-log") a.batchLog = value();
        else if (arg == "--retry") a.retry = true;
        else rest.push_back(arg);
    }
    a.common = ParseArguments(rest, false);
    if (a.serial.empty() == a.firstSerial.empty()) throw EUsageError("either --serial N or --first-serial N is required");
    if (!a.firstSerial.empty() && a.batchLog.empty()) throw EUsageError("--first-serial needs --batch-log");
    if (!a.firstSerial.empty() && a.retry) throw EUsageError("--retry needs --serial, the unit's own number");
    if (a.inspector.empty()) throw EUsageError("--inspector I is required");
    if (a.recordFolder.empty()) throw EUsageError("--record DIR is required");
    return a;
}

std::string LineText(const LineOptions& line) {
    const char* parity = line.parity == serial::TParity::Odd    ? "odd"
                         : line.parity == serial::TParity::Even ? "even"
                                                                : "no";
    return commission::LineSettingsText(line.baud, 8, parity, line.stopBits == serial::TStopBits::_2 ? "2" : "1");
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Joined(const std::vector<std::string>& lines, const std::string& separator) {
    std::string text;
    for (const auto& line : lines) text += (text.empty() ? "" : separator) + line;
    return text;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const UnitArguments a = ParseUnitArguments(args);
    commission::UnitIdentity unit;
    try {
        if (!a.serial.empty()) unit.serial = commission::CheckSerial(a.serial);
        if (!a.firstSerial.empty()) commission::CheckSerial(a.firstSerial);
        unit.inspector = commission::CheckInspector(a.inspector);
        if (!a.address.empty()) unit.address = commission::CheckAddress(a.address);
    } catch (const commission::IdentityError& e) {
        throw EUsageError(e.what());
    }
    // Everything that can be refused is refused before anything is sent.
    commission::CheckFolderWritable(a.recordFolder);
    const auto profile = commission::LoadProfile(a.common.file);
    const std::string profileHash = commission::Sha256Hex(ReadWhole(a.common.file));
    commission::Configuration expected;
    commission::WritePlan plan;
    auto prepare = [&] {
        expected = commission::WithIdentity(profile, unit);
        plan = commission::WriteAllSteps(expected);
        if (!plan.failures.empty())
            throw std::runtime_error(a.common.file + ": " + commission::DescribeFailures(plan.failures));
    };
    // The serial number is chosen for good under the lock of the batch log,
    // once the port is open; this first look refuses early what it can.
    auto choose = [&](const commission::BatchLog& log) {
        if (!a.firstSerial.empty()) unit.serial = commission::NextFreeSerial(a.firstSerial, log.Serials());
        if (log.Holds(unit.serial) && !a.retry)
            throw std::runtime_error(log.DescribeHolder(unit.serial) +
                                     "; nothing was sent. Give --retry to commission this unit again.");
        prepare();
    };
    std::optional<commission::BatchLog> log;
    if (!a.batchLog.empty()) {
        log.emplace(a.batchLog);
        choose(*log);
    } else {
        prepare();
    }

    PortSession port(a.common.line);
    commission::UnitRecord record;
    record.identity = unit;
    record.started = commission::UtcNow();
    record.host = commission::HostName();
    record.user = commission::UserName();
    record.port = a.common.line.port;
    record.lineSettings = LineText(a.common.line);
    record.profileFile = std::filesystem::path(a.common.file).filename().string();
    record.profileSha256 = profileHash;
    record.crcWarnings = commission::FrameWarnings(expected);

    auto logLine = [&](const std::string& result, const std::string& differences, const std::string& file) {
        if (log)
            log->Append({.serial = unit.serial,
                         .address = unit.address ? std::to_string(*unit.address) : "",
                         .inspector = unit.inspector,
                         .started = record.started,
                         .finished = record.finished,
                         .result = result,
                         .differences = differences,
                         .record = file});
    };
    // Before the first command, under the lock of the log: the serial number
    // is chosen (or refused when any line holds it) and its STARTED line is on
    // the disk before another program can read the log. A crash from here on
    // cannot give this serial number out again.
    if (log) {
        commission::BatchLog::Claim(a.batchLog, [&](const commission::BatchLog& fresh) {
            choose(fresh);
            record.identity = unit;
            record.crcWarnings = commission::FrameWarnings(expected);
            return commission::BatchLogEntry{.serial = unit.serial,
                                             .address = unit.address ? std::to_string(*unit.address) : "",
                                             .inspector = unit.inspector,
                                             .started = record.started,
                                             .finished = "",
                                             .result = "STARTED",
                                             .differences = "",
                                             .record = ""};
        });
    }
    for (const auto& warning : record.crcWarnings) err << "warning: " << warning << "\n";

    Sequence write("Writing", std::move(plan.steps), a.common.line.timeout);
    port.Run(write, nullptr);
    const auto written = commission::OutcomeOf(write, commission::Purpose::Write, port.Link(), expected);
    record.writeSummary = written.summary;
    commission::Configuration reported;
    std::optional<commission::SequenceOutcome> verified;
    if (written.Whole()) {
        Sequence verify("Verifying", commission::ReadAllSteps(), a.common.line.timeout);
        port.Run(verify, nullptr);
        reported = verify.Answers();
        verified = commission::OutcomeOf(verify, commission::Purpose::Verify, port.Link(), expected);
        record.verifySummary = verified->summary;
    } else {
        record.verifySummary = "Verify: not started.";
    }
    record.result = commission::JudgeUnit(expected, written, verified, reported);
    record.finished = commission::UtcNow();

    // The log line comes whatever happened to the record: a serial number that
    // reached a converter is never given out again.
    // 1 only when everything was read back and compared, and some of it differs.
    const bool allCompared =
        verified && verified->Whole() &&
        std::none_of(record.result.fields.begin(), record.result.fields.end(), [](const auto& field) {
            return field.status == commission::FieldCheck::Status::NotChecked;
        });
    int status = record.result.pass ? Success : allCompared ? Differs : Failure;
    std::string recordName;
    try {
        recordName = commission::WriteRecordFiles(a.recordFolder, record);
    } catch (const commission::EFileError& e) {
        err << "tq410k-cli commission: " << e.what() << "\n";
        recordName = "not written";
        status = Failure;
    }
    std::vector<std::string> what;
    if (!record.result.pass) what.push_back(record.result.failure);
    what.insert(what.end(), record.result.differences.begin(), record.result.differences.end());
    logLine(record.result.pass ? "PASS" : "FAIL", Joined(what, "; "), recordName);
    (record.result.pass ? out : err) << (record.result.pass ? "PASS " : "FAIL ") << unit.serial
                                     << (record.result.pass ? "" : ": " + record.result.failure) << "\n";
    for (const auto& line : record.result.differences) err << line << "\n";
    if (recordName != "not written")
        out << "Record: " << (std::filesystem::path(a.recordFolder) / recordName).string() << "\n";
    return status;
}

}  // namespace

int CommissionUnitCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        return Run(args, out, err);
    } catch (const EUsageError& e) {
        err << "tq410k-cli commission: " << e.what() << "\n(see tq410k-cli --help)\n";
    } catch (const std::exception& e) {
        err << "tq410k-cli commission: " << e.what() << "\n";
    }
    return Failure;
}

}  // namespace cli
