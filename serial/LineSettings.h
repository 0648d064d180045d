#pragma once
// The second of the line settings' two pure steps on Linux: the Win32 line
// record (DCB, serial/Dcb.h) becomes the termios2 settings and modem lines of
// a Linux port.
//
// Members of the record without a Linux equivalent have no effect here:
// fOutxDsrFlow, fDsrSensitivity, DTR handshake, fTXContinueOnXoff, XonLim,
// XoffLim, fNull and RTS toggle. ErrorChar only matters as "replace a byte
// with a parity error", which Linux does with a 0 byte.
//
// Include this header, not <termios.h>: the two define `struct termios` each.

#include <asm/termbits.h>

#include <cstdint>

#include "serial/Dcb.h"

namespace serial {

// What the record means for a Linux port: the termios2 settings to write and
// the modem lines to raise and drop (TIOCM_ bits).
struct TPortSettings {
    termios2 Termios{};
    int RaiseLines = 0;
    int DropLines = 0;
};

// Translates the record, starting from the port's `current` settings: raw
// mode, receiver on, modem control lines ignored, a break never read as a 0
// byte, reads of at least one byte. A baud rate of 0 keeps the current rate.
TPortSettings TranslateDcb(const TDcb& record, const termios2& current);

// The line settings `settings` hold, as the window shows them.
TLineState LineStateOf(const termios2& settings);

}  // namespace serial
