// The profile loader on arbitrary text: it either refuses the text with a
// EProfileError or gives a record that a profile holds exactly (saved and read
// again, the same record).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "commission/Profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    commission::Configuration record;
    try {
        record = commission::ParseProfile(text);
    } catch (const commission::EProfileError&) {
        return 0;
    }
    FUZZ_CHECK(commission::ParseProfile(commission::ProfileText(record)) == record);
    return 0;
}
