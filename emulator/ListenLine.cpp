#include "emulator/ListenLine.h"

#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "serial/LineSettings.h"

namespace emulator {

bool ClientLineMatches(int master, const Options& options) {
    termios2 t{};
    // On a pseudo-terminal's master the terminal settings are the other side's.
    if (::ioctl(master, TCGETS2, &t) != 0) return true;
    return serial::LineStateOf(t).BaudRate == options.baud;
}

bool SetDeviceLine(int fd, const Options& options, std::string& why) {
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0) {
        why = std::strerror(errno);
        return false;
    }
    t.c_cflag &= ~(CBAUD | CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    // The rate's own code, which every driver and the classic terminal
    // interface know; the rate as a number beside it for BOTHER readers.
    tcflag_t code = BOTHER;
    for (const auto& [rate, standard] : {std::pair<std::uint32_t, tcflag_t>{1200, B1200}, {2400, B2400},
                                         {4800, B4800}, {9600, B9600}, {19200, B19200}})
        if (rate == options.baud) code = standard;
    t.c_cflag |= code | CS8 | CLOCAL | CREAD;
    t.c_ispeed = t.c_ospeed = options.baud;
    if (options.parity == 'O') t.c_cflag |= PARENB | PARODD;
    if (options.parity == 'E') t.c_cflag |= PARENB;
    if (options.stopBits == 2) t.c_cflag |= CSTOPB;
    if (::ioctl(fd, TCSETS2, &t) != 0) {
        why = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace emulator
