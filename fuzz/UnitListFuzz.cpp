// The unit list reader on arbitrary text: it either refuses the text with a
// UnitListError or gives units that are all valid and unique, and that read
// back the same when written out as a list again.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>

#include "commission/Csv.h"
#include "commission/UnitList.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<commission::UnitIdentity> units;
    try {
        units = commission::ParseUnitList(text);
    } catch (const commission::UnitListError&) {
        return 0;
    }
    FUZZ_CHECK(!units.empty());
    std::set<std::string> serials;
    std::string again = "serial,inspector,address\n";
    for (const auto& unit : units) {
        FUZZ_CHECK(commission::CheckSerial(unit.serial) == unit.serial);
        FUZZ_CHECK(commission::CheckInspector(unit.inspector) == unit.inspector);
        FUZZ_CHECK(!unit.address || (*unit.address >= 1 && *unit.address <= 247));
        FUZZ_CHECK(serials.insert(unit.serial).second);
        again += commission::CsvLine({unit.serial, unit.inspector, unit.address ? std::to_string(*unit.address) : ""});
    }
    FUZZ_CHECK(commission::ParseUnitList(again) == units);
    return 0;
}
