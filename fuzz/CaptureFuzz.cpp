// The capture reader on arbitrary text: it either refuses the text with an
// ECaptureError or gives a capture that its own file holds exactly (written
// and read again, the same capture).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "commission/Capture.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    commission::Capture capture;
    try {
        capture = commission::ParseCapture(text);
    } catch (const commission::ECaptureError&) {
        return 0;
    }
    FUZZ_CHECK(commission::ParseCapture(commission::CaptureText(capture)) == capture);
    return 0;
}
