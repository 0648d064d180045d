#pragma once
// Files that a crash cannot leave half written: a whole file goes to a
// temporary file in the same folder, is flushed to the disk and renamed over
// the target. Every message names the target, never the temporary file.

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string_view>

namespace commission {

// A file that could not be written; the message names the file and the reason.
class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Flushes an open file's bytes to the disk (fsync; _commit on Windows).
// 0 when done, else -1 with errno set.
int SyncToDisk(int fd);
// How written bytes are flushed to the disk: SyncToDisk, or a test's count.
using DiskSync = std::function<int(int fd)>;

// Replaces `path` with `text`, or leaves any earlier file whole and no
// temporary file behind. Only a regular file is replaced: a folder, device,
// FIFO or socket at `path` is refused ("/dev/full: cannot be saved: it is a
// device, not a file"). A symbolic link stays: the regular file it leads to
// is replaced. Throws EFileError "<path>: cannot be saved: <reason>".
void WriteFileAtomically(const std::filesystem::path& path, std::string_view text);

// The same for a file made in pieces: `produce` hands each piece to `write`
// as it goes, so a long file is never held whole. A piece that cannot be
// written fails the save once `produce` returns; later pieces are dropped.
using FilePieces = std::function<void(const std::function<void(std::string_view)>& write)>;
void WriteFileAtomically(const std::filesystem::path& path, const FilePieces& produce);

// Throws EFileError naming the folder unless a file can be made in it.
void CheckFolderWritable(const std::filesystem::path& folder);

}  // namespace commission
