// RecordJson: the unit's record for programs, format "tq410k-unit-record".

#include <nlohmann/json.hpp>

#include "commission/UnitRecord.h"
#include "protocol/FieldNames.h"
#include "protocol/Latin1.h"

namespace commission {
namespace {

using Json = nlohmann::ordered_json;
using Sent = FieldCheck::Sent;
using Check = FieldCheck::Check;

Json JsonValue(const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return protocol::Latin1ToUtf8(*text);
    return std::get<int>(value);
}

}  // namespace

std::string RecordJson(const UnitRecord& record) {
    Json root;
    root["format"] = UnitRecordFormat;
    root["version"] = UnitRecordVersion;
    const auto& id = record.identity;
    root["unit"] = {{"serial", id.serial},
                    {"inspector", id.inspector},
                    {"address", id.address ? Json(*id.address) : Json(nullptr)}};
    root["result"] = record.result.pass ? "PASS" : "FAIL";
    root["failure"] = record.result.pass ? Json(nullptr) : Json(record.result.failure);
    root["started"] = record.started;
    root["finished"] = record.finished;
    root["host"] = record.host;
    root["user"] = record.user;
    root["port"] = {{"name", record.port}, {"settings", record.lineSettings}};
    root["profile"] = {{"file", record.profileFile}, {"sha256", record.profileSha256}};
    root["sequences"] = {{"write", record.writeAccount}, {"verify", record.verifyAccount}};
    Json parameters = Json::array();
    Json notChecked = Json::array();
    for (const auto& check : record.result.fields) {
        const Field* field = FindField(check.control);
        Json row;
        row["field"] = check.control;
        row["name"] = protocol::FieldDisplayName(check.control);
        row["parameter"] = field ? field->parameter : "";
        row["value"] = JsonValue(check.value);
        row["sent"] = SentText(check.sent);
        row["written"] = check.sent == Sent::Acknowledged ? JsonValue(check.value) : Json(nullptr);
        row["read"] = check.read ? JsonValue(*check.read) : Json(nullptr);
        row["verify"] = CheckText(check.check);
        row["status"] = StatusText(check);
        if (check.check == Check::Matches || check.check == Check::Differs)
            row["match"] = check.check == Check::Matches;
        else
            row["match"] = nullptr;
        parameters.push_back(std::move(row));
        if (check.check == Check::NotChecked || check.check == Check::NotReadable)
            notChecked.push_back({{"field", check.control},
                                  {"name", protocol::FieldDisplayName(check.control)},
                                  {"reason", check.check == Check::NotReadable
                                                 ? StatusText(check) + ": " + check.note
                                                 : check.note}});
    }
    root["parameters"] = std::move(parameters);
    root["notChecked"] = std::move(notChecked);
    root["differences"] = record.result.differences;
    root["crcWarnings"] = record.crcWarnings;
    return root.dump(2) + "\n";
}

}  // namespace commission
