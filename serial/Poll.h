#pragma once
// The readiness record the threads wait with. On Linux it is poll()'s own;
// on Windows the port I/O emulates poll() over Win32 event handles, and a
// descriptor is a handle's value (handles fit in 32 bits).

#ifdef _WIN32

namespace serial {

struct pollfd {
    int fd;
    short events;
    short revents;
};

inline constexpr short POLLIN = 0x1;
inline constexpr short POLLOUT = 0x4;
inline constexpr short POLLERR = 0x8;
inline constexpr short POLLHUP = 0x10;
inline constexpr short POLLNVAL = 0x20;

}  // namespace serial

#else

#include <poll.h>

namespace serial {
using ::pollfd;
}  // namespace serial

#endif
