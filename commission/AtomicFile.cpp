#include "commission/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <system_error>

#include "commission/FileDescriptor.h"
#include "commission/WriteAll.h"

namespace commission {
namespace {

std::string Reason() { return std::strerror(errno); }

// Puts `from` in the place of `to`, replacing it in one step.
void ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error) {
#ifdef _WIN32
    if (!::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = std::error_code(static_cast<int>(::GetLastError()), std::system_category());
#else
    std::filesystem::rename(from, to, error);
#endif
}

// A name for a temporary file beside `path` that no other writer picks.
std::filesystem::path TemporaryBeside(const std::filesystem::path& path) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    auto name = path.filename().string() + ".tmp-" + std::to_string(random() ^ static_cast<unsigned>(stamp)) + "-" +
                std::to_string(counter++);
    return path.parent_path() / name;
}

// What stands at `status` when it is no regular file: "a folder".
const char* KindOf(const std::filesystem::file_status& status) {
    using std::filesystem::file_type;
    switch (status.type()) {
        case file_type::directory: return "a folder";
        case file_type::character:
        case file_type::block: return "a device";
        case file_type::fifo: return "a FIFO";
        case file_type::socket: return "a socket";
        default: return "something else";
    }
}

// The file that a save of `path` replaces: `path` itself, or the regular file
// a symbolic link at `path` leads to (so the link stays a link). Throws
// EFileError when something other than a regular file is there.
std::filesystem::path FileToReplace(const std::filesystem::path& path) {
    auto fail = [&](const std::string& reason) -> std::filesystem::path {
        throw EFileError(path.string() + ": cannot be saved: " + reason);
    };
    std::error_code error;
    const auto own = std::filesystem::symlink_status(path, error);
    if (error || own.type() == std::filesystem::file_type::not_found) return path;
    if (std::filesystem::is_regular_file(own)) return path;
    if (!std::filesystem::is_symlink(own)) return fail(std::string("it is ") + KindOf(own) + ", not a file");
    const auto target = std::filesystem::canonical(path, error);
    if (error) return fail("it is a link that leads to no file");
    const auto status = std::filesystem::status(target, error);
    if (error || !std::filesystem::is_regular_file(status))
        return fail(std::string("it is a link to ") + (error ? "no file" : KindOf(status)) + ", not to a file");
    return target;
}

}  // namespace

#ifdef _WIN32
int SyncToDisk(int fd) { return ::_commit(fd); }
#else
int SyncToDisk(int fd) { return ::fsync(fd); }
#endif

void WriteFileAtomically(const std::filesystem::path& path, std::string_view text) {
    WriteFileAtomically(path, [text](const std::function<void(std::string_view)>& write) { write(text); });
}

void WriteFileAtomically(const std::filesystem::path& path, const FilePieces& produce) {
    auto fail = [&](const std::string& reason) -> void {
        throw EFileError(path.string() + ": cannot be saved: " + reason);
    };
    const std::filesystem::path target = FileToReplace(path);
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temporary = TemporaryBeside(target);
        fd = ::open(temporary.string().c_str(), O_WRONLY | O_CREAT | O_EXCL | BinaryFlag, 0644);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) fail(Reason());
    FileDescriptor file(fd);
    auto discard = [&](const std::string& reason) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        fail(reason);
    };
    std::string writeFailure;
    try {
        produce([&](std::string_view piece) {
            if (writeFailure.empty() && !WriteAll(file.get(), piece)) writeFailure = Reason();
        });
    } catch (...) {
        file.Close();
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw;
    }
    if (writeFailure.empty() && SyncToDisk(file.get()) != 0) writeFailure = Reason();
    if (!writeFailure.empty()) {
        file.Close();
        discard(writeFailure);
    }
    if (!file.Close()) discard(Reason());
    std::error_code error;
    ReplaceFile(temporary, target, error);
    if (error) discard(error.message());
}

void CheckFolderWritable(const std::filesystem::path& folder) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        throw EFileError(folder.string() + ": not a folder" + (error ? ": " + error.message() : std::string()));
    const auto probe = TemporaryBeside(folder / ".write-check");
    const int fd = ::open(probe.string().c_str(), O_WRONLY | O_CREAT | O_EXCL | BinaryFlag, 0644);
    if (fd < 0) throw EFileError(folder.string() + ": cannot be written: " + Reason());
    ::close(fd);
    std::filesystem::remove(probe, error);
}

}  // namespace commission
