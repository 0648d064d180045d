#pragma once
// The component's line properties and the Win32 line record (DCB) they
// describe, built from them in one pure step. Shared by every platform.

#include <cstdint>

#include "serial/CommTypes.h"

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

}  // namespace serial
