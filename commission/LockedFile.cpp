#include "commission/LockedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>

#include "commission/FileDescriptor.h"
#include "commission/WriteAll.h"

namespace commission {
namespace {

std::string Reason() { return std::strerror(errno); }

#ifdef _WIN32
HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

bool Lock(int fd, bool exclusive) {
    OVERLAPPED whole{};
    if (::LockFileEx(HandleOf(fd), exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0, 0, MAXDWORD, MAXDWORD, &whole)) return true;
    errno = EACCES;
    return false;
}

void Unlock(int fd) {
    OVERLAPPED whole{};
    ::UnlockFileEx(HandleOf(fd), 0, MAXDWORD, MAXDWORD, &whole);
}

bool IsRegular(int fd) {
    struct _stat64 st {};
    return ::_fstat64(fd, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
}

bool Rewind(int fd) { return ::_lseeki64(fd, 0, SEEK_SET) == 0; }

// A new file's name is durable once the file is closed on Windows.
void SyncFolderOf(const std::filesystem::path&) {}
#else
bool Lock(int fd, bool exclusive) {
    while (::flock(fd, exclusive ? LOCK_EX : LOCK_SH) != 0)
        if (errno != EINTR) return false;
    return true;
}

void Unlock(int fd) { ::flock(fd, LOCK_UN); }

bool IsRegular(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

bool Rewind(int fd) { return ::lseek(fd, 0, SEEK_SET) == 0; }

// A file just made stays in its folder after a crash once the folder is synced.
void SyncFolderOf(const std::filesystem::path& path) {
    const auto folder = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    const int fd = ::open(folder.string().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}
#endif

#ifndef O_CLOEXEC
constexpr int O_CLOEXEC = 0;
#endif
#ifndef O_NONBLOCK
constexpr int O_NONBLOCK = 0;
#endif

}  // namespace

LockedFile::LockedFile(std::filesystem::path path, Access access, DiskSync sync)
    : path_(std::move(path)), sync_(std::move(sync)) {
    const std::string name = path_.string();
    bool made = false;
    int fd = -1;
    if (access == Access::Read) {
        // Non-blocking, so that a FIFO in its place cannot hold the open.
        fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | BinaryFlag);
        if (fd < 0 && errno == ENOENT) return;
    } else {
        for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
            fd = ::open(name.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC | BinaryFlag, 0644);
            made = fd >= 0;
            if (fd < 0 && errno == EEXIST) fd = ::open(name.c_str(), O_RDWR | O_APPEND | O_NONBLOCK | O_CLOEXEC | BinaryFlag);
            if (fd < 0 && errno != ENOENT) break;  // ENOENT: removed in between; make it anew
        }
    }
    if (fd < 0) throw EFileError(name + ": cannot be opened: " + Reason());
    FileDescriptor file(fd);
    if (!IsRegular(fd)) throw EFileError(name + ": not a file");
#ifndef _WIN32
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
#endif
    if (!Lock(fd, access == Access::Append)) throw EFileError(name + ": cannot be locked: " + Reason());
    if (made) SyncFolderOf(path_);
    fd_ = fd;
    file.Release();
}

LockedFile::~LockedFile() {
    if (fd_ < 0) return;
    Unlock(fd_);
    ::close(fd_);
}

std::string LockedFile::ReadAll(std::size_t limit) {
    if (fd_ < 0) return {};
    if (!Rewind(fd_)) throw EFileError(path_.string() + ": cannot be read: " + Reason());
    std::string text;
    char buffer[16384];
    for (;;) {
        const auto n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EFileError(path_.string() + ": cannot be read: " + Reason());
        if (n == 0) return text;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > limit)
            throw EFileError(path_.string() + ": larger than " + std::to_string(limit) + " bytes");
    }
}

void LockedFile::Append(std::string_view text) {
    if (fd_ < 0 || !WriteAll(fd_, text) || sync_(fd_) != 0)
        throw EFileError(path_.string() + ": cannot be written: " + Reason());
}

}  // namespace commission
