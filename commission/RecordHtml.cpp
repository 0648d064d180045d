// RecordHtml: the unit's record for people, one page with its style inside.

#include <algorithm>

#include "commission/UnitRecord.h"
#include "protocol/ChannelTable.h"
#include "protocol/CustomCommands.h"
#include "protocol/FieldNames.h"
#include "protocol/ItemLists.h"
#include "protocol/Latin1.h"

namespace commission {
namespace {

using Sent = FieldCheck::Sent;
using Check = FieldCheck::Check;

// Where a field sits in the window.
std::string PageOf(const Field& field) {
    if (field.parameter.starts_with("ZDAD")) return "Analog channels";
    if (field.parameter.starts_with("ZDPU")) return "Totalizer channels";
    if (field.parameter.starts_with("COM")) return "Custom commands";
    return "System parameters";
}

// A drop-down's value by its item, else the value as it travels.
std::string ValueText(const std::string& control, const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return protocol::Latin1ToUtf8(*text);
    const int index = std::get<int>(value);
    return protocol::ItemText(control, index).value_or(std::to_string(index));
}

std::string Escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

const FieldCheck* FindCheck(const UnitRecord& record, std::string_view control) {
    for (const auto& check : record.result.fields)
        if (check.control == control) return &check;
    return nullptr;
}

// One cell: the value for the unit, marked by what happened to it; where
// the converter differs, both.
std::string Cell(const UnitRecord& record, const std::string& control) {
    const FieldCheck* check = FindCheck(record, control);
    if (!check) return "<td></td>";
    const std::string value = Escape(ValueText(control, check->value));
    const std::string title = " title=\"" + Escape(StatusText(*check)) + "\"";
    switch (check->sent) {
        case Sent::NotSent: return "<td class=\"ns\"" + title + ">" + value + " &ndash;</td>";
        case Sent::NoAnswer:
        case Sent::Refused: return "<td class=\"nok\"" + title + ">" + value + " !</td>";
        case Sent::Acknowledged: break;
    }
    switch (check->check) {
        case Check::Matches: return "<td" + title + ">" + value + "</td>";
        case Check::Differs:
            return "<td class=\"bad\"" + title + ">" + value + " &rarr; " + Escape(ValueText(control, *check->read)) +
                   "</td>";
        case Check::NotChecked: return "<td class=\"unk\"" + title + ">" + value + " ?</td>";
        case Check::NotReadable: return "<td class=\"wo\"" + title + ">" + value + " *</td>";
    }
    return "<td></td>";
}

// "(written, not readable)" for the board identity only when its command was acknowledged.
std::string IdentityStatus(const UnitRecord& record) {
    const FieldCheck* check = FindCheck(record, "PCBSN");
    return " (" + (check ? StatusText(*check) : std::string(SentText(Sent::NotSent))) + ")";
}

std::string ChannelTableHtml(const UnitRecord& record, const protocol::ChannelTable& table, const char* title,
                             bool newPage) {
    std::string html = std::string(newPage ? "<h2 style=\"page-break-before: always\">" : "<h2>") + title +
                       "</h2>\n<table class=\"grid\" cellspacing=\"0\"><tr><th>Ch.</th>";
    for (const auto& column : table.columns) html += "<th>" + Escape(column.header) + "</th>";
    html += "</tr>\n";
    for (int n = 1; n <= table.ChannelCount(); ++n) {
        html += "<tr><th>" + std::to_string(n) + "</th>";
        for (const auto& column : table.columns) html += Cell(record, protocol::ControlName(column, n));
        html += "</tr>\n";
    }
    return html + "</table>\n";
}

std::string SystemTableHtml(const UnitRecord& record) {
    std::string html = "<h2>System parameters</h2>\n<table class=\"grid\" cellspacing=\"0\"><tr><th>Setting</th><th>Value</th>"
                       "<th>Setting</th><th>Value</th></tr>\n";
    std::vector<const Field*> fields;
    for (const auto& field : Fields())
        if (PageOf(field) == "System parameters") fields.push_back(&field);
    const std::size_t half = (fields.size() + 1) / 2;
    for (std::size_t row = 0; row < half; ++row) {
        html += "<tr>";
        for (std::size_t i : {row, row + half}) {
            if (i >= fields.size()) {
                html += "<td></td><td></td>";
                continue;
            }
            html += "<th class=\"name\">" + Escape(protocol::FieldDisplayName(fields[i]->control)) + "</th>" +
                    Cell(record, fields[i]->control);
        }
        html += "</tr>\n";
    }
    return html + "</table>\n";
}

std::string CustomTableHtml(const UnitRecord& record) {
    std::string html = "<h2>Custom commands</h2>\n<table class=\"grid\" cellspacing=\"0\"><tr><th>No.</th><th>Enable</th>"
                       "<th>Command</th><th>Byte1</th><th>Byte2</th><th>Byte3</th></tr>\n";
    for (int g = 1; g <= protocol::CustomCommandCount; ++g) {
        const auto& names = protocol::CustomCommandGroups[static_cast<std::size_t>(g - 1)];
        html += "<tr><th>" + std::to_string(g) + "</th>" + Cell(record, std::string(names.enable)) +
                Cell(record, std::string(names.data));
        for (auto byte : names.bytes) html += Cell(record, std::string(byte));
        html += "</tr>\n";
    }
    return html + "</table>\n";
}

constexpr const char* Style = R"(
@page { size: A4; margin: 10mm; }
body { font-family: "DejaVu Sans", Arial, sans-serif; font-size: 8pt; margin: 0; color: #000; }
h1 { font-size: 13pt; margin: 0 0 4pt 0; }
h2 { font-size: 9pt; margin: 7pt 0 2pt 0; }
table { border-collapse: collapse; }
td, th { border: 0.5pt solid #888; padding: 0.5pt 3pt; text-align: left; }
th { background: #eee; font-weight: normal; }
.grid td { font-family: "DejaVu Sans Mono", monospace; }
.bad { background: #ffb3b3; font-weight: bold; }
.unk { background: #fff0b3; }
.wo { background: #e0ecff; }
.ns { color: #777; }
.nok { background: #ffd9a8; }
.result { font-size: 20pt; font-weight: bold; padding: 2pt 10pt; border: 2pt solid; }
.pass { color: #006400; }
.fail { color: #b00000; }
.facts th { width: 28mm; }
p, ul { margin: 2pt 0; }
)";

}  // namespace

std::string RecordHtml(const UnitRecord& record) {
    const auto& id = record.identity;
    const bool pass = record.result.pass;
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>TQ410-K unit " +
                       Escape(id.serial) + "</title>\n<style>" + Style + "</style></head>\n<body>\n";
    html += "<table style=\"width:100%;border:none\"><tr><td style=\"border:none\"><h1>TQ410-K commissioning "
            "record &middot; serial number " + Escape(id.serial) + "</h1></td>";
    html += "<td style=\"border:none;text-align:right\"><span class=\"result " +
            std::string(pass ? "pass\">PASS" : "fail\">FAIL") + "</span></td></tr></table>\n";
    if (!pass) html += "<p class=\"fail\"><b>" + Escape(record.result.failure) + "</b></p>\n";
    for (const auto& line : record.problems) html += "<p class=\"fail\">" + Escape(line) + "</p>\n";
    auto fact = [](const char* name, const std::string& value) {
        return "<tr><th>" + std::string(name) + "</th><td>" + Escape(value) + "</td></tr>";
    };
    html += "<table class=\"facts\" cellspacing=\"0\">" + fact("Serial number", id.serial + IdentityStatus(record)) +
            fact("Inspector", id.inspector + IdentityStatus(record)) +
            fact("Slave address", id.address ? std::to_string(*id.address) : std::string("as in the profile")) +
            fact("Started (UTC)", record.started) + fact("Finished (UTC)", record.finished) +
            fact("Host / user", record.host + " / " + record.user) +
            fact("Port", record.port + ", " + record.lineSettings) +
            fact("Profile", record.profileFile) + fact("Profile SHA-256", record.profileSha256) +
            fact("Write all", record.writeAccount) + fact("Verify", record.verifyAccount) + "</table>\n";
    html += "<p>Cells show the value for this unit. <span class=\"bad\">written &rarr; read</span>: the converter "
            "differs. <span class=\"unk\">?</span>: acknowledged, not checked. <span class=\"wo\">*</span>: "
            "written, not readable (the converter has no query for it). <span class=\"nok\">!</span>: sent, no "
            "answer or refused. <span class=\"ns\">&ndash;</span>: not sent.</p>\n";
    html += SystemTableHtml(record) + CustomTableHtml(record);
    html += ChannelTableHtml(record, protocol::AnalogChannels(), "Analog channels", false);
    // The second A4 page starts with the totalizers.
    html += ChannelTableHtml(record, protocol::TotalizerChannels(), "Totalizer channels", true);
    if (!record.result.differences.empty()) {
        html += "<h2>Differences</h2><ul>";
        for (const auto& d : record.result.differences) html += "<li>" + Escape(d) + "</li>";
        html += "</ul>\n";
    }
    std::size_t notChecked = 0;
    for (const auto& check : record.result.fields) notChecked += check.check == Check::NotChecked;
    if (notChecked)
        html += "<p>" + std::to_string(notChecked) + " fields were not checked: " +
                Escape(std::find_if(record.result.fields.begin(), record.result.fields.end(),
                                    [](const FieldCheck& c) { return c.check == Check::NotChecked; })
                           ->note) +
                ".</p>\n";
    if (!record.crcWarnings.empty()) {
        html += "<h2>CRC warnings (written as they are)</h2><ul>";
        for (const auto& w : record.crcWarnings) html += "<li>" + Escape(w) + "</li>";
        html += "</ul>\n";
    }
    return html + "</body></html>\n";
}

}  // namespace commission
