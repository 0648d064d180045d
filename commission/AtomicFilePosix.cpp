#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "commission/AtomicFile.h"

namespace commission {

void WriteFileAtomically(const std::string& path, const std::string& text) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) throw std::system_error(errno, std::generic_category());
    auto fail = [&](bool open) {
        const int error = errno;
        if (open) ::close(fd);
        ::unlink(temporary.c_str());
        throw std::system_error(error, std::generic_category());
    };
    ::fchmod(fd, 0644);
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail(true);
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) fail(true);
    if (::close(fd) != 0) fail(false);
    if (::rename(temporary.c_str(), path.c_str()) != 0) fail(false);
}

}  // namespace commission
