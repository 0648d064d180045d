#include "cli/UnitCommand.h"

#include <ostream>
#include <stdexcept>

#include "cli/CommissionCommands.h"
#include "cli/ExitCodes.h"
#include "cli/PortSession.h"
#include "commission/PortDescription.h"
#include "commission/UnitIdentity.h"
#include "commission/UnitWorkflow.h"

namespace cli {
namespace {

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

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const UnitArguments a = ParseUnitArguments(args);
    commission::UnitIdentity asked;
    try {
        if (!a.serial.empty()) asked.serial = commission::CheckSerial(a.serial);
        if (!a.firstSerial.empty()) commission::CheckSerial(a.firstSerial);
        asked.inspector = commission::CheckInspector(a.inspector);
        if (!a.address.empty()) asked.address = commission::CheckAddress(a.address);
    } catch (const commission::IdentityError& e) {
        throw EUsageError(e.what());
    }
    const commission::PortLine line{.port = a.common.line.port,
                                    .baud = a.common.line.baud,
                                    .parity = a.common.line.parity,
                                    .stopBits = a.common.line.stopBits};
    // Everything that can be refused is refused before anything is sent.
    commission::UnitWorkflow unit({
        .profilePath = a.common.file,
        .recordFolder = a.recordFolder,
        .batchLog = a.batchLog,
        .retry = a.retry,
        .choose =
            [&](const commission::BatchLog* log) {
                commission::UnitIdentity chosen = asked;
                if (!a.firstSerial.empty()) chosen.serial = commission::NextFreeSerial(a.firstSerial, log->Serials());
                return chosen;
            },
        .timeout = a.common.line.timeout,
        .port = line.port,
        .lineSettings = commission::DescribeSettings(line),
        .link = commission::DescribeLink(line),
        .host = commission::HostName(),
        .user = commission::UserName(),
        .extraRecords = {},
    });
    PortSession port(a.common.line);
    auto write = unit.Begin(commission::UtcNow());
    for (const auto& warning : unit.Record().crcWarnings) err << "warning: " << warning << "\n";
    port.Run(write, nullptr);
    if (auto verify = unit.WriteEnded(write)) {
        port.Run(*verify, nullptr);
        unit.VerifyEnded(*verify);
    }
    const auto end = unit.Finish(commission::UtcNow());
    const bool pass = end.verdict == commission::UnitEnd::Verdict::Pass;
    (pass ? out : err) << end.headline << "\n";
    for (const auto& line : end.details) err << line << "\n";
    if (!end.record.empty()) out << "Record: " << end.record.string() << "\n";
    return commission::ExitStatus(end.verdict);
}

}  // namespace

int CommissionUnitCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        return Run(args, out, err);
    } catch (const EUsageError& e) {
        err << "tq410k-cli commission: " << e.what() << "\n(see tq410k-cli --help)\n";
    } catch (const commission::UnitRefused& e) {
        err << "tq410k-cli commission: " << e.what() << (e.SerialHeld() ? ". Give --retry to commission this unit again." : "")
            << "\n";
    } catch (const std::exception& e) {
        err << "tq410k-cli commission: " << e.what() << "\n";
    }
    return Failure;
}

}  // namespace cli
