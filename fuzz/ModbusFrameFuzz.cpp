// The Modbus frame check of the custom commands on arbitrary typed text:
// every text is described, and a completed frame always checks right.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "protocol/ModbusRtu.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace protocol::modbus;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto check = CheckFrame(text);
    FUZZ_CHECK(!Describe(check).empty());
    if (const auto completed = CompleteCrc(text)) {
        FUZZ_CHECK(CheckFrame(*completed).CrcIsRight());
        FUZZ_CHECK(CompleteCrc(*completed) == completed);
    }
    return 0;
}
