#include "emulator/ListenLine.h"

#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

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
    t.c_cflag |= BOTHER | CS8 | CLOCAL | CREAD;
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
