#include "commission/BoundedFile.h"

#ifdef _WIN32
#include <filesystem>
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>

namespace commission {

namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& why) { throw EReadError(path + ": " + why); }

std::string TooBig(std::size_t limit, std::string_view kind) {
    return "more than a " + std::string(kind) + "'s " + std::to_string(limit) + " bytes";
}

}  // namespace

#ifdef _WIN32
std::string ReadBoundedFile(const std::string& path, std::size_t limit, std::string_view kind) {
    // No FIFOs or terminals to block an open here: the file is measured by
    // its name, and read no further than the limit in case it grows.
    const std::string not_a = ", not a " + std::string(kind);
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) Refuse(path, "cannot be read: " + error.message());
    if (std::filesystem::is_directory(status)) Refuse(path, "is a folder" + not_a);
    if (!std::filesystem::is_regular_file(status)) Refuse(path, "is not a regular file (a device, FIFO or socket)" + not_a);
    const auto size = std::filesystem::file_size(path, error);
    if (error) Refuse(path, "cannot be read: " + error.message());
    if (size > limit)
        Refuse(path, "is " + std::to_string(size) + " bytes, more than a " + std::string(kind) + "'s " +
                         std::to_string(limit));
    std::ifstream in(path, std::ios::binary);
    if (!in) Refuse(path, std::string("cannot be read: ") + std::strerror(errno));
    std::string text(limit + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) Refuse(path, "cannot be read");
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > limit) Refuse(path, "is " + TooBig(limit, kind));
    return text;
}
#else
std::string ReadBoundedFile(const std::string& path, std::size_t limit, std::string_view kind) {
    // Non-blocking, so a FIFO cannot hold the open; only a regular file of
    // at most `limit` bytes is read, checked on the opened file itself.
    const std::string not_a = ", not a " + std::string(kind);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) Refuse(path, std::string("cannot be read: ") + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) Refuse(path, std::string("cannot be read: ") + std::strerror(errno));
    if (S_ISDIR(st.st_mode)) Refuse(path, "is a folder" + not_a);
    if (!S_ISREG(st.st_mode)) Refuse(path, "is not a regular file (a device, FIFO or socket)" + not_a);
    if (static_cast<unsigned long long>(st.st_size) > limit)
        Refuse(path, "is " + std::to_string(st.st_size) + " bytes, more than a " + std::string(kind) + "'s " +
                         std::to_string(limit));
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::string text;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Refuse(path, std::string("cannot be read: ") + std::strerror(errno));
        if (n == 0) return text;
        text.append(buffer, static_cast<std::size_t>(n));
        // A file that grew since it was measured is read no further than the limit.
        if (text.size() > limit) Refuse(path, "is " + TooBig(limit, kind));
    }
}
#endif

}  // namespace commission
