#include "serial/Dcb.h"

namespace serial {

namespace {

std::uint32_t DtrCode(TDtrControl value) {
    switch (value) {
        case TDtrControl::DtrEnable: return dcb::DTR_CONTROL_ENABLE;
        case TDtrControl::DtrDisable: return dcb::DTR_CONTROL_DISABLE;
        case TDtrControl::DtrHandshake: return dcb::DTR_CONTROL_HANDSHAKE;
    }
    return dcb::DTR_CONTROL_ENABLE;
}

std::uint32_t RtsCode(TRtsControl value) {
    switch (value) {
        case TRtsControl::RtsEnable: return dcb::RTS_CONTROL_ENABLE;
        case TRtsControl::RtsDisable: return dcb::RTS_CONTROL_DISABLE;
        case TRtsControl::RtsHandshake: return dcb::RTS_CONTROL_HANDSHAKE;
        case TRtsControl::RtsTransmissionAvailable: return dcb::RTS_CONTROL_TOGGLE;
    }
    return dcb::RTS_CONTROL_ENABLE;
}

std::uint32_t Bit(bool on, std::uint32_t flag) { return on ? flag : 0u; }

}  // namespace

TDcb BuildDcb(const TLineProperties& p, const TDcb& reported) {
    TDcb d = reported;
    d.BaudRate = p.BaudRate;
    d.Flags = dcb::fBinary | Bit(p.ParityCheck, dcb::fParity) | Bit(p.Outx_CtsFlow, dcb::fOutxCtsFlow) |
              Bit(p.Outx_DsrFlow, dcb::fOutxDsrFlow) | (DtrCode(p.DtrControl) << dcb::fDtrControlShift) |
              Bit(p.DsrSensitivity, dcb::fDsrSensitivity) | Bit(p.TxContinueOnXoff, dcb::fTXContinueOnXoff) |
              Bit(p.Outx_XonXoffFlow, dcb::fOutX) | Bit(p.Inx_XonXoffFlow, dcb::fInX) |
              Bit(p.ReplaceWhenParityError, dcb::fErrorChar) | Bit(p.IgnoreNullChar, dcb::fNull) |
              (RtsCode(p.RtsControl) << dcb::fRtsControlShift);
    d.XonLim = p.XonLimit;
    d.XoffLim = p.XoffLimit;
    d.ByteSize = static_cast<std::uint8_t>(static_cast<int>(p.ByteSize) + 5);
    d.Parity = static_cast<std::uint8_t>(p.Parity);
    d.StopBits = static_cast<std::uint8_t>(p.StopBits);
    d.XonChar = p.XonChar;
    d.XoffChar = p.XoffChar;
    d.ErrorChar = p.ReplacedChar;
    return d;
}

}  // namespace serial
