#pragma once
// The record of one commissioned unit: who, when, where, from which profile,
// every field written and read back, and the result. As JSON for programs
// and as a self-contained HTML page for people; both named by the serial
// number and written atomically.
//
// JSON, format "tq410k-unit-record", version 2 (documented in the README):
// each setting says what its set command earned and what verify found.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "commission/UnitIdentity.h"
#include "commission/UnitResult.h"

namespace commission {

inline constexpr std::string_view UnitRecordFormat = "tq410k-unit-record";
inline constexpr int UnitRecordVersion = 2;

struct UnitRecord {
    UnitIdentity identity;
    std::string started;  // UTC, ISO 8601
    std::string finished;
    std::string host;
    std::string user;
    std::string port;          // as the user named it
    std::string lineSettings;  // "9600 baud, 8 data bits, no parity, 1 stop bit"
    std::string profileFile;   // the profile's file name
    std::string profileSha256;
    std::string writeAccount;   // the sequences' own accounts, one finding a line
    std::string verifyAccount;
    std::vector<std::string> problems;  // what else went wrong, e.g. a file that could not be written
    std::vector<std::string> crcWarnings;
    UnitResult result;
};

// The record rendered, each format by its own writer: RecordJson.cpp and
// RecordHtml.cpp.
std::string RecordJson(const UnitRecord& record);
// A page with its style inside; a table per page of the window, mismatches
// highlighted; fits one or two A4 pages when printed.
std::string RecordHtml(const UnitRecord& record);

// Now, in UTC: "2026-12-09T07:41:52Z".
std::string UtcNow();
// This computer's name and the user's, "" where unknown.
std::string HostName();
std::string UserName();

}  // namespace commission
