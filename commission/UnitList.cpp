#include "commission/UnitList.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "commission/Csv.h"
#include "protocol/Excerpt.h"

namespace commission {
namespace {

constexpr std::array<std::string_view, 3> Columns = {"serial", "inspector", "address"};
constexpr std::size_t MaxListBytes = 4 * 1024 * 1024;

// The offset of the first byte that is not part of valid UTF-8, if any.
std::optional<std::size_t> InvalidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || (length == 2 && c < 0xC2) || i + length > text.size()) return i;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return i;
        i += length;
    }
    return std::nullopt;
}

[[noreturn]] void Fault(std::size_t line, const std::string& what) {
    throw UnitListError("line " + std::to_string(line) + ": " + what);
}

}  // namespace

std::vector<UnitIdentity> ParseUnitList(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    if (auto bad = InvalidUtf8(text)) {
        const auto before = text.substr(0, *bad);
        const auto lineStart = before.rfind('\n');
        const std::size_t line = static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n')) + 1;
        const std::size_t column = lineStart == std::string_view::npos ? *bad + 1 : *bad - lineStart;
        Fault(line, "byte " + std::to_string(column) + " is not UTF-8 (save the list as UTF-8)");
    }
    const auto lines = SplitLines(text);
    if (lines.empty() || lines[0].empty()) Fault(1, "the header serial,inspector,address is missing");
    const auto header = SplitCsvLine(lines[0]);
    if (!header) Fault(1, "a quoted field is not closed");
    std::map<std::string_view, std::size_t> position;  // column name -> index
    for (std::size_t i = 0; i < header->size(); ++i) {
        const std::string& name = (*header)[i];
        const auto known = std::find(Columns.begin(), Columns.end(), name);
        const std::string where = "column " + std::to_string(i + 1) + " (" + protocol::Excerpt(name) + ")";
        if (known == Columns.end()) Fault(1, where + ": unknown column; the columns are serial, inspector, address");
        if (position.count(*known)) Fault(1, where + ": the column is named twice");
        position[*known] = i;
    }
    for (auto column : Columns)
        if (!position.count(column)) Fault(1, "the column " + std::string(column) + " is missing");

    std::vector<UnitIdentity> units;
    std::map<std::string, std::size_t> seen;  // serial -> line
    for (std::size_t n = 1; n < lines.size(); ++n) {
        const std::size_t line = n + 1;
        if (lines[n].empty()) continue;
        const auto fields = SplitCsvLine(lines[n]);
        if (!fields) Fault(line, "a quoted field is not closed");
        if (fields->size() != header->size())
            Fault(line, std::to_string(fields->size()) + " columns, the header has " +
                            std::to_string(header->size()));
        auto cell = [&](std::string_view column, auto check) {
            const std::size_t i = position.at(column);
            try {
                return check((*fields)[i]);
            } catch (const IdentityError& e) {
                Fault(line, "column " + std::to_string(i + 1) + " (" + std::string(column) + "): " + e.what());
            }
        };
        UnitIdentity unit;
        unit.serial = cell("serial", [](const std::string& v) { return CheckSerial(v); });
        unit.inspector = cell("inspector", [](const std::string& v) { return CheckInspector(v); });
        if (!(*fields)[position.at("address")].empty())
            unit.address = cell("address", [](const std::string& v) { return CheckAddress(v); });
        if (auto [it, fresh] = seen.emplace(unit.serial, line); !fresh)
            Fault(line, "column " + std::to_string(position.at("serial") + 1) + " (serial): serial number " +
                            unit.serial + " is already on line " + std::to_string(it->second));
        units.push_back(std::move(unit));
    }
    if (units.empty()) Fault(lines.size(), "the list holds no unit");
    return units;
}

std::vector<UnitIdentity> LoadUnitList(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) throw UnitListError(path + ": not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw UnitListError(path + ": cannot be read");
    std::string text(MaxListBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > MaxListBytes) throw UnitListError(path + ": larger than 4 MiB, not a unit list");
    try {
        return ParseUnitList(text);
    } catch (const UnitListError& e) {
        throw UnitListError(path + ": " + e.what());
    }
}

}  // namespace commission
