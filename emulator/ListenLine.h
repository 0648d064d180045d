#pragma once
// The line the emulated converter listens at (--baud, --parity, --stop).
//
// On a serial device the port itself is set to it: what comes at other
// settings arrives garbled, as at a real converter. On a pseudo-terminal no
// bits are framed, so the emulator looks at the settings the client gave
// its side instead. Linux keeps a pseudo-terminal's baud rate but clears
// its parity bits: there only the baud rate can be matched. A stop-bit
// mismatch is tolerated, as by real receivers, which read the first stop
// bit only.

#include <string>

#include "emulator/Options.h"

namespace emulator {

// Whether the client on the pseudo-terminal whose master is `master` has
// its side at the baud rate the converter listens at. True when the
// settings cannot be read (nothing to go by).
bool ClientLineMatches(int master, const Options& options);

// Sets the serial device `fd` to the line of the options (8 data bits, raw);
// false, with `why`, when the device refuses.
bool SetDeviceLine(int fd, const Options& options, std::string& why);

}  // namespace emulator
