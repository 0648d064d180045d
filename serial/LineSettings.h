#pragma once
// The line settings in two pure steps: the component's properties become the
// Win32 line record (DCB) they always described, and that record becomes the
// termios2 settings and modem lines of a Linux port.
//
// Members of the record without a Linux equivalent have no effect here:
// fOutxDsrFlow, fDsrSensitivity, DTR handshake, fTXContinueOnXoff, XonLim,
// XoffLim, fNull and RTS toggle. ErrorChar only matters as "replace a byte
// with a parity error", which Linux does with a 0 byte.
//
// Include this header, not <termios.h>: the two define `struct termios` each.

#include <asm/termbits.h>

#include <cstdint>

#include "serial/TComm.h"

namespace serial {

// Every property that ApplyLineSettings reads, with its value after construction.
struct TLineProperties {
    std::uint32_t BaudRate = 9600;
    bool ParityCheck = false;
    bool Outx_CtsFlow = false;
    bool Outx_DsrFlow = false;
    TDtrControl DtrControl = TDtrControl::DtrEnable;
    bool DsrSensitivity = false;
    bool TxContinueOnXoff = true;
    bool Outx_XonXoffFlow = true;
    bool Inx_XonXoffFlow = true;
    bool ReplaceWhenParityError = false;
    bool IgnoreNullChar = false;
    TRtsControl RtsControl = TRtsControl::RtsEnable;
    std::uint16_t XonLimit = 500;
    std::uint16_t XoffLimit = 500;
    TByteSize ByteSize = TByteSize::_8;
    TParity Parity = TParity::None;
    TStopBits StopBits = TStopBits::_1;
    char XonChar = 17;
    char XoffChar = 19;
    char ReplacedChar = 0;
};

// The Win32 DCB, member for member; Flags holds the bit fields.
struct TDcb {
    std::uint32_t DCBlength = 28;
    std::uint32_t BaudRate = 0;
    std::uint32_t Flags = 0;
    std::uint16_t wReserved = 0;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 8;
    std::uint8_t Parity = 0;
    std::uint8_t StopBits = 0;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    std::uint16_t wReserved1 = 0;
};

namespace dcb {
inline constexpr std::uint32_t fBinary = 1u << 0;
inline constexpr std::uint32_t fParity = 1u << 1;
inline constexpr std::uint32_t fOutxCtsFlow = 1u << 2;
inline constexpr std::uint32_t fOutxDsrFlow = 1u << 3;
inline constexpr unsigned fDtrControlShift = 4;  // two bits
inline constexpr std::uint32_t fDsrSensitivity = 1u << 6;
inline constexpr std::uint32_t fTXContinueOnXoff = 1u << 7;
inline constexpr std::uint32_t fOutX = 1u << 8;
inline constexpr std::uint32_t fInX = 1u << 9;
inline constexpr std::uint32_t fErrorChar = 1u << 10;
inline constexpr std::uint32_t fNull = 1u << 11;
inline constexpr unsigned fRtsControlShift = 12;  // two bits

inline constexpr std::uint32_t DTR_CONTROL_DISABLE = 0;
inline constexpr std::uint32_t DTR_CONTROL_ENABLE = 1;
inline constexpr std::uint32_t DTR_CONTROL_HANDSHAKE = 2;
inline constexpr std::uint32_t RTS_CONTROL_DISABLE = 0;
inline constexpr std::uint32_t RTS_CONTROL_ENABLE = 1;
inline constexpr std::uint32_t RTS_CONTROL_HANDSHAKE = 2;
inline constexpr std::uint32_t RTS_CONTROL_TOGGLE = 3;

inline std::uint32_t DtrControlOf(const TDcb& d) { return (d.Flags >> fDtrControlShift) & 3u; }
inline std::uint32_t RtsControlOf(const TDcb& d) { return (d.Flags >> fRtsControlShift) & 3u; }
}  // namespace dcb

// Builds the record from the properties. The whole flags word is rebuilt;
// DCBlength, EofChar, EvtChar and the reserved members keep what `reported`
// (the driver's current record) holds.
TDcb BuildDcb(const TLineProperties& properties, const TDcb& reported = {});

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
