#include "serial/WriteAll.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace serial {

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            if (n == 0) errno = EIO;
            return false;
        }
    }
    return true;
}

}  // namespace serial
