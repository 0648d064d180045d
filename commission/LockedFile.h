#pragma once
// A file that several programs share, each holding it under a lock that all
// of them honour (flock here, LockFileEx on Windows) for as long as the object
// lives: what one reads and then adds is one step that no other program's
// step interleaves with. Lines added are flushed to the disk before they count.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "commission/AtomicFile.h"

namespace commission {

class LockedFile {
public:
    enum class Access {
        Read,    // a shared lock of a file that exists; none when it is missing
        Append,  // an exclusive lock; the file is made when missing
    };
    // Opens `path` and waits for the lock. Throws EFileError "<path>: not a
    // file" or "<path>: cannot be opened: <reason>".
    LockedFile(std::filesystem::path path, Access access, DiskSync sync = SyncToDisk);
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    // False for Access::Read of a file that does not exist.
    bool IsOpen() const { return fd_ >= 0; }
    // The whole file as it is now, at most `limit` bytes; throws EFileError
    // "<path>: cannot be read: <reason>" or "<path>: larger than N bytes".
    std::string ReadAll(std::size_t limit);
    // Adds `text` at the end and flushes it to the disk: one sync. Throws
    // EFileError "<path>: cannot be written: <reason>".
    void Append(std::string_view text);

private:
    std::filesystem::path path_;
    DiskSync sync_;
    int fd_ = -1;
};

}  // namespace commission
