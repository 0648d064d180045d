// pty_hub: a null-modem pair of pseudo-terminals for tests of Windows
// programs under Wine, where COMn is whatever $WINEPREFIX/dosdevices/comn
// links to.
//
//   pty_hub PORT_LINK DEVICE_LINK CONTROL_LINK
//
// Bytes written to one pseudo-terminal of the pair come out of the other.
// Through the third one, the control port, a test asks with one byte and is
// answered 'K': 'R' puts a fresh pair behind the two links (the old pair is
// dropped), 'H' hangs up PORT_LINK's side, as a device that goes away.
// Runs until killed.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Pty {
    int master = -1;
    int keepAlive = -1;  // the slave held open, so the master never sees a hang-up
    std::string path;

    bool Open() {
        char name[256] = {};
        if (::openpty(&master, &keepAlive, name, nullptr, nullptr) != 0) return false;
        termios t{};
        ::tcgetattr(keepAlive, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(keepAlive, TCSANOW, &t);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        ::fcntl(master, F_SETFD, FD_CLOEXEC);
        ::fcntl(keepAlive, F_SETFD, FD_CLOEXEC);
        path = name;
        return true;
    }
    void Close() {
        if (master >= 0) ::close(master);
        if (keepAlive >= 0) ::close(keepAlive);
        master = keepAlive = -1;
    }
};

// Points `link` at `target`, replacing what was there in one step.
bool Relink(const std::string& link, const std::string& target) {
    const std::string temporary = link + ".new";
    ::unlink(temporary.c_str());
    return ::symlink(target.c_str(), temporary.c_str()) == 0 && ::rename(temporary.c_str(), link.c_str()) == 0;
}

// Bytes read from one master that the other has not taken yet.
struct Carry {
    char bytes[4096];
    std::size_t size = 0, done = 0;
    bool Empty() const { return done == size; }
};

void Move(int from, int to, Carry& carry) {
    if (carry.Empty()) {
        const ssize_t n = ::read(from, carry.bytes, sizeof carry.bytes);
        if (n <= 0) return;
        carry.size = static_cast<std::size_t>(n);
        carry.done = 0;
    }
    const ssize_t n = ::write(to, carry.bytes + carry.done, carry.size - carry.done);
    if (n > 0) carry.done += static_cast<std::size_t>(n);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: pty_hub PORT_LINK DEVICE_LINK CONTROL_LINK\n", stderr);
        return 2;
    }
    const std::string portLink = argv[1], deviceLink = argv[2], controlLink = argv[3];
    Pty control, port, device;
    if (!control.Open() || !Relink(controlLink, control.path)) {
        std::perror("pty_hub: control");
        return 1;
    }
    Carry toDevice, toPort;
    for (;;) {
        pollfd fds[3] = {
            {control.master, POLLIN, 0},
            {port.master, static_cast<short>((toDevice.Empty() ? POLLIN : 0) | (toPort.Empty() ? 0 : POLLOUT)), 0},
            {device.master, static_cast<short>((toPort.Empty() ? POLLIN : 0) | (toDevice.Empty() ? 0 : POLLOUT)), 0},
        };
        if (::poll(fds, 3, -1) < 0 && errno != EINTR) return 1;
        if (fds[0].revents & POLLIN) {
            char request = 0;
            if (::read(control.master, &request, 1) == 1) {
                if (request == 'R') {
                    port.Close();
                    device.Close();
                    toDevice = {};
                    toPort = {};
                    if (!port.Open() || !device.Open() || !Relink(portLink, port.path) ||
                        !Relink(deviceLink, device.path)) {
                        std::perror("pty_hub: pair");
                        return 1;
                    }
                } else if (request == 'H') {
                    port.Close();
                    toDevice = {};
                }
                if (request == 'R' || request == 'H') (void)!::write(control.master, "K", 1);
            }
        }
        if (port.master < 0 || device.master < 0) continue;
        if (fds[1].revents & POLLIN) Move(port.master, device.master, toDevice);
        if (fds[2].revents & POLLIN) Move(device.master, port.master, toPort);
        if (fds[1].revents & POLLOUT) Move(device.master, port.master, toPort);
        if (fds[2].revents & POLLOUT) Move(port.master, device.master, toDevice);
    }
}
