#pragma once
// Files that a crash cannot leave half written: a whole file goes to a
// temporary file in the same folder, is flushed to the disk and renamed over
// the target; a line added to a log is flushed to the disk before it counts.

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace commission {

// A file that could not be written; the message names the file and the reason.
class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces `path` with `text`, or leaves any earlier file whole and no
// temporary file behind. Throws EFileError "<path>: cannot be saved: <reason>".
void WriteFileAtomically(const std::filesystem::path& path, std::string_view text);

// Adds `text` at the end of `path` (made when missing) and flushes it to the
// disk. Throws EFileError "<path>: cannot be written: <reason>".
void AppendDurably(const std::filesystem::path& path, std::string_view text);

// Makes `path` holding `text`, whole and flushed, unless it exists already;
// of two programs doing so at once, one makes it and the other finds it.
// True when this call made it. Throws EFileError.
bool CreateDurably(const std::filesystem::path& path, std::string_view text);

// Throws EFileError naming the folder unless a file can be made in it.
void CheckFolderWritable(const std::filesystem::path& folder);

}  // namespace commission
