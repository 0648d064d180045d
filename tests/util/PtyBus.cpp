// pty_bus: an RS485 bus of pseudo-terminals for tests: several devices on
// one line, each perhaps at its own line settings.
//
//   pty_bus LINK...
//
// Each LINK is made a symlink to a pseudo-terminal of its own, a drop of the
// bus. Bytes written to one drop come out of every other drop whose side is
// at the same baud rate: as on a real line, where a receiver at another
// rate makes nothing of them. (A pseudo-terminal keeps its baud rate but
// not its parity, so parity plays no part.) Runs until killed.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Drop {
    int master = -1;
    int keepAlive = -1;  // the drop's side held open, so its master never hangs up and keeps its settings
};

bool Open(Drop& drop, const std::string& link) {
    char name[256] = {};
    if (::openpty(&drop.master, &drop.keepAlive, name, nullptr, nullptr) != 0) return false;
    termios t{};
    ::tcgetattr(drop.keepAlive, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(drop.keepAlive, TCSANOW, &t);
    ::fcntl(drop.master, F_SETFL, ::fcntl(drop.master, F_GETFL) | O_NONBLOCK);
    const std::string temporary = link + ".new";
    ::unlink(temporary.c_str());
    return ::symlink(name, temporary.c_str()) == 0 && ::rename(temporary.c_str(), link.c_str()) == 0;
}

// The baud rate the program on the drop set, as its side shows it.
speed_t Rate(const Drop& drop) {
    termios t{};
    if (::tcgetattr(drop.master, &t) != 0) return 0;
    return ::cfgetospeed(&t);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: pty_bus LINK LINK...\n", stderr);
        return 2;
    }
    std::vector<Drop> drops(static_cast<std::size_t>(argc - 1));
    for (std::size_t i = 0; i < drops.size(); ++i)
        if (!Open(drops[i], argv[i + 1])) {
            std::perror("pty_bus");
            return 1;
        }
    std::vector<pollfd> fds;
    for (const auto& d : drops) fds.push_back({d.master, POLLIN, 0});
    char bytes[4096];
    for (;;) {
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) return 1;
        for (std::size_t from = 0; from < drops.size(); ++from) {
            if (!(fds[from].revents & POLLIN)) continue;
            const ssize_t n = ::read(drops[from].master, bytes, sizeof bytes);
            if (n <= 0) continue;
            const speed_t rate = Rate(drops[from]);
            for (std::size_t to = 0; to < drops.size(); ++to)
                if (to != from && Rate(drops[to]) == rate)
                    (void)!::write(drops[to].master, bytes, static_cast<std::size_t>(n));  // a full drop loses them, as a busy line would
        }
    }
}
