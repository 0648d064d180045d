#include "serial/LineSettings.h"

#include <sys/ioctl.h>

namespace serial {

namespace {

tcflag_t CharacterSize(std::uint8_t bits) {
    switch (bits) {
        case 5: return CS5;
        case 6: return CS6;
        case 7: return CS7;
        default: return CS8;
    }
}

// The rates the terminal interface has a code of its own for: tools that read
// the classic termios record (stty, older programs) see these; any other rate
// goes through BOTHER.
struct SpeedCode {
    std::uint32_t Rate;
    tcflag_t Code;
};
constexpr SpeedCode StandardSpeeds[] = {
    {.Rate = 50, .Code = B50},           {.Rate = 75, .Code = B75},
    {.Rate = 110, .Code = B110},         {.Rate = 134, .Code = B134},
    {.Rate = 150, .Code = B150},         {.Rate = 200, .Code = B200},
    {.Rate = 300, .Code = B300},         {.Rate = 600, .Code = B600},
    {.Rate = 1200, .Code = B1200},       {.Rate = 1800, .Code = B1800},
    {.Rate = 2400, .Code = B2400},       {.Rate = 4800, .Code = B4800},
    {.Rate = 9600, .Code = B9600},       {.Rate = 19200, .Code = B19200},
    {.Rate = 38400, .Code = B38400},     {.Rate = 57600, .Code = B57600},
    {.Rate = 115200, .Code = B115200},   {.Rate = 230400, .Code = B230400},
    {.Rate = 460800, .Code = B460800},   {.Rate = 500000, .Code = B500000},
    {.Rate = 576000, .Code = B576000},   {.Rate = 921600, .Code = B921600},
    {.Rate = 1000000, .Code = B1000000}, {.Rate = 1152000, .Code = B1152000},
    {.Rate = 1500000, .Code = B1500000}, {.Rate = 2000000, .Code = B2000000},
    {.Rate = 2500000, .Code = B2500000}, {.Rate = 3000000, .Code = B3000000},
    {.Rate = 3500000, .Code = B3500000}, {.Rate = 4000000, .Code = B4000000},
};

tcflag_t SpeedCodeFor(std::uint32_t rate) {
    for (const SpeedCode& s : StandardSpeeds)
        if (s.Rate == rate) return s.Code;
    return BOTHER;
}

}  // namespace

TPortSettings TranslateDcb(const TDcb& d, const termios2& current) {
    TPortSettings out;
    termios2& t = out.Termios;
    t = current;

    // Raw bytes both ways (what cfmakeraw does), then what a serial line needs.
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK |
                   IGNPAR | IUCLC | IMAXBEL);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_iflag |= IGNBRK;
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    if (d.BaudRate != 0) {
        // The input rate follows the output rate (CIBAUD left 0).
        t.c_cflag &= ~(CBAUD | CIBAUD);
        t.c_cflag |= SpeedCodeFor(d.BaudRate);
        t.c_ospeed = d.BaudRate;
        t.c_ispeed = d.BaudRate;
    }

    t.c_cflag |= CharacterSize(d.ByteSize);
    switch (d.Parity) {
        case 1: t.c_cflag |= PARENB | PARODD; break;            // odd
        case 2: t.c_cflag |= PARENB; break;                     // even
        case 3: t.c_cflag |= PARENB | PARODD | CMSPAR; break;   // mark
        case 4: t.c_cflag |= PARENB | CMSPAR; break;            // space
        default: break;                                         // none
    }
    if (d.StopBits != 0) t.c_cflag |= CSTOPB;  // 1.5 (with 5 data bits) and 2

    // A byte with a parity error is replaced (by 0, the only replacement
    // Linux knows) when checking and replacement are both on; otherwise it is
    // delivered as received and the error is only counted.
    if ((d.Flags & dcb::fParity) && (d.Flags & dcb::fErrorChar)) t.c_iflag |= INPCK;

    const std::uint32_t rts = dcb::RtsControlOf(d);
    if ((d.Flags & dcb::fOutxCtsFlow) || rts == dcb::RTS_CONTROL_HANDSHAKE) t.c_cflag |= CRTSCTS;
    if (d.Flags & dcb::fOutX) t.c_iflag |= IXON;
    if (d.Flags & dcb::fInX) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(d.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(d.XoffChar);

    switch (dcb::DtrControlOf(d)) {
        case dcb::DTR_CONTROL_ENABLE: out.RaiseLines |= TIOCM_DTR; break;
        case dcb::DTR_CONTROL_DISABLE: out.DropLines |= TIOCM_DTR; break;
        default: break;  // handshake: left as it is
    }
    switch (rts) {
        case dcb::RTS_CONTROL_ENABLE: out.RaiseLines |= TIOCM_RTS; break;
        case dcb::RTS_CONTROL_DISABLE: out.DropLines |= TIOCM_RTS; break;
        default: break;  // handshake: the driver drives it; toggle: left as it is
    }
    return out;
}

TLineState LineStateOf(const termios2& t) {
    TLineState s;
    s.BaudRate = t.c_ospeed;
    const tcflag_t code = t.c_cflag & CBAUD;
    if (code != BOTHER)
        for (const SpeedCode& standard : StandardSpeeds)
            if (standard.Code == code) s.BaudRate = standard.Rate;
    switch (t.c_cflag & CSIZE) {
        case CS5: s.DataBits = 5; break;
        case CS6: s.DataBits = 6; break;
        case CS7: s.DataBits = 7; break;
        default: s.DataBits = 8; break;
    }
    if (!(t.c_cflag & PARENB)) s.Parity = 'N';
    else if (t.c_cflag & CMSPAR) s.Parity = (t.c_cflag & PARODD) ? 'M' : 'S';
    else s.Parity = (t.c_cflag & PARODD) ? 'O' : 'E';
    s.StopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
    return s;
}

}  // namespace serial
