#include "commission/UnitWorkflow.h"

#include <algorithm>

#include "commission/AtomicFile.h"
#include "commission/Commands.h"
#include "commission/FileGroup.h"
#include "commission/Profile.h"
#include "commission/Sha256.h"

namespace commission {
namespace {

std::string Joined(const std::vector<std::string>& lines, const std::string& separator) {
    std::string text;
    for (const auto& line : lines) text += (text.empty() ? "" : separator) + line;
    return text;
}

// The record's files of a serial number: SERIAL.json first.
std::vector<std::filesystem::path> RecordFiles(const UnitSetup& setup, const std::string& serial) {
    std::vector<std::filesystem::path> files = {setup.recordFolder / (serial + ".json"),
                                                setup.recordFolder / (serial + ".html")};
    for (const auto& extra : setup.extraRecords) files.push_back(setup.recordFolder / (serial + extra.first));
    return files;
}

}  // namespace

int ExitStatus(UnitEnd::Verdict verdict) {
    switch (verdict) {
        case UnitEnd::Verdict::Pass: return 0;
        case UnitEnd::Verdict::Differs: return 1;
        case UnitEnd::Verdict::Fail: return 2;
    }
    return 2;
}

UnitWorkflow::UnitWorkflow(UnitSetup setup) : setup_(std::move(setup)) {
    try {
        CheckFolderWritable(setup_.recordFolder);
        // The hash is of the very bytes the profile was read from.
        const std::string bytes = ReadProfileFile(setup_.profilePath);
        try {
            profile_ = ParseProfile(bytes);
        } catch (const EProfileError& e) {
            throw EProfileError(setup_.profilePath + ": " + e.what());
        }
        record_.profileFile = std::filesystem::path(setup_.profilePath).filename().string();
        record_.profileSha256 = Sha256Hex(bytes);
    } catch (const std::exception& e) {
        throw UnitRefused(e.what());
    }
    record_.port = setup_.port;
    record_.lineSettings = setup_.lineSettings;
    record_.host = setup_.host;
    record_.user = setup_.user;
}

BatchLogEntry UnitWorkflow::LogLine(const std::string& result, const std::string& differences,
                                    const std::string& file) const {
    const auto& unit = record_.identity;
    return {.serial = unit.serial,
            .address = unit.address ? std::to_string(*unit.address) : "",
            .inspector = unit.inspector,
            .started = record_.started,
            .finished = record_.finished,
            .result = result,
            .differences = differences,
            .record = file};
}

Sequence UnitWorkflow::Begin(const std::string& startedUtc) {
    record_.started = startedUtc;
    // Everything about the unit is settled before its line is appended, and
    // its line before the first command: a crash from then on cannot give
    // this serial number out again.
    auto settle = [&](const BatchLog* log) {
        UnitIdentity unit = setup_.choose(log);
        unit.serial = CheckSerial(unit.serial);
        unit.inspector = CheckInspector(unit.inspector);
        if (log && log->Holds(unit.serial) && !setup_.retry)
            throw UnitRefused(log->DescribeHolder(unit.serial) + "; nothing was sent", true);
        if (!setup_.retry) {
            std::error_code error;
            for (const auto& file : RecordFiles(setup_, unit.serial))
                if (std::filesystem::exists(std::filesystem::symlink_status(file, error)))
                    throw UnitRefused("the record " + file.string() + " exists already; nothing was sent", true);
        }
        expected_ = WithIdentity(profile_, unit);
        auto plan = WriteAllSteps(expected_);
        if (!plan.failures.empty()) throw UnitRefused(setup_.profilePath + ": " + DescribeFailures(plan.failures));
        writeSteps_ = std::move(plan.steps);
        record_.identity = unit;
        return unit;
    };
    try {
        if (setup_.batchLog.empty()) {
            settle(nullptr);
        } else {
            // A first look refuses what it can before the log is touched;
            // the choice that counts is made under the lock.
            const BatchLog asItStands(setup_.batchLog);
            settle(&asItStands);
            BatchLog::Claim(setup_.batchLog, [&](const BatchLog& fresh) {
                settle(&fresh);
                return LogLine("STARTED", "", "");
            });
        }
    } catch (const UnitRefused&) {
        throw;
    } catch (const std::exception& e) {
        throw UnitRefused(std::string(e.what()) + "; nothing was sent");
    }
    record_.crcWarnings = FrameWarnings(expected_);
    return Sequence("Writing", writeSteps_, setup_.timeout);
}

std::optional<Sequence> UnitWorkflow::WriteEnded(const Sequence& write) {
    written_ = OutcomeOf(write, Purpose::Write, setup_.link, expected_);
    record_.writeAccount = written_->account;
    if (!written_->Whole()) {
        record_.verifyAccount = "Verify: not started.";
        return std::nullopt;
    }
    return Sequence("Verifying", ReadAllSteps(), setup_.timeout);
}

void UnitWorkflow::VerifyEnded(const Sequence& verify) {
    verified_ = OutcomeOf(verify, Purpose::Verify, setup_.link, expected_);
    record_.verifyAccount = verified_->account;
}

UnitEnd UnitWorkflow::Finish(const std::string& finishedUtc) {
    record_.finished = finishedUtc;
    if (!written_) written_ = SequenceOutcome{};  // write all never ran
    record_.result = JudgeUnit(expected_, *written_, verified_);
    const auto& result = record_.result;
    const std::string& serial = record_.identity.serial;

    UnitEnd end;
    end.serial = serial;
    const bool allCompared = verified_ && verified_->Whole() &&
                             std::none_of(result.fields.begin(), result.fields.end(), [](const FieldCheck& f) {
                                 return f.check == FieldCheck::Check::NotChecked;
                             });
    end.verdict = result.pass ? UnitEnd::Verdict::Pass : allCompared ? UnitEnd::Verdict::Differs : UnitEnd::Verdict::Fail;
    // The give-up message and the steps not reached, as the sequence told them.
    for (const auto* outcome : {&*written_, verified_ ? &*verified_ : nullptr}) {
        if (!outcome || outcome->Whole() || !outcome->ran) continue;
        const auto& account = outcome->account;
        for (std::size_t at = account.find('\n'); at != std::string::npos;) {
            const auto next = account.find('\n', at + 1);
            const auto line = account.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
            if (line.starts_with("No answer from ") || line.starts_with("Not sent: ") || line.starts_with("Not checked: "))
                end.details.push_back(line);
            at = next;
        }
    }
    end.details.insert(end.details.end(), result.differences.begin(), result.differences.end());

    const std::string verdictWord = result.pass ? "passed" : "failed";
    std::string problem;  // what keeps the unit's end from being on disk
    FileGroup files;
    const auto paths = RecordFiles(setup_, serial);
    try {
        const std::string html = RecordHtml(record_);
        files.Add(paths[0], RecordJson(record_));
        files.Add(paths[1], html);
        for (std::size_t i = 0; i < setup_.extraRecords.size(); ++i)
            files.Add(paths[2 + i], setup_.extraRecords[i].second(html));
        files.Commit(setup_.retry);
        end.record = paths[0];
    } catch (const std::exception& e) {
        problem = "the unit " + verdictWord + ", but its record could not be written: " + e.what();
    }

    std::vector<std::string> what;
    if (!result.pass) what.push_back(result.failure);
    what.insert(what.end(), result.differences.begin(), result.differences.end());
    if (!problem.empty()) what.push_back(problem);
    if (!setup_.batchLog.empty()) {
        const bool pass = result.pass && problem.empty();
        try {
            BatchLog log(setup_.batchLog);
            log.Append(LogLine(pass ? "PASS" : "FAIL", Joined(what, "; "),
                               end.record.empty() ? "" : end.record.filename().string()));
        } catch (const std::exception& e) {
            const std::string lost = "the result of unit " + serial + " (" + (pass ? "PASS" : "FAIL") +
                                     ") is not in the batch log " + setup_.batchLog.string() + ": " + e.what();
            problem = problem.empty() ? lost : problem + "; " + lost;
        }
    }

    if (!problem.empty()) {
        end.verdict = UnitEnd::Verdict::Fail;
        end.headline = "FAIL " + serial + ": " + (result.pass ? problem : result.failure + "; " + problem);
    } else {
        end.headline = result.pass ? "PASS " + serial : "FAIL " + serial + ": " + result.failure;
    }
    return end;
}

}  // namespace commission
