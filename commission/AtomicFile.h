#pragma once
// Replacing a file in one step: the new text is written whole to a file
// beside it, flushed to the disk, and renamed over it, so a reader finds the
// old file or the new one, never a part. Each platform in its own file
// (AtomicFilePosix.cpp, AtomicFileWin32.cpp).

#include <string>

namespace commission {

// Throws std::system_error (the system's reason) when the file cannot be
// written; the old file is then left as it was and nothing stays behind.
void WriteFileAtomically(const std::string& path, const std::string& text);

}  // namespace commission
