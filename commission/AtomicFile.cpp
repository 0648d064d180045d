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

#include "serial/WriteAll.h"

namespace commission {
namespace {

#ifdef _WIN32
constexpr int BinaryFlag = O_BINARY;
int SyncToDisk(int fd) { return ::_commit(fd); }
#else
constexpr int BinaryFlag = 0;
int SyncToDisk(int fd) { return ::fsync(fd); }
#endif

// An open file descriptor, closed once.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now; false when closing reported an error.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

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

}  // namespace

void WriteFileAtomically(const std::filesystem::path& path, std::string_view text) {
    auto fail = [&](const std::string& reason) -> void {
        throw EFileError(path.string() + ": cannot be saved: " + reason);
    };
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temporary = TemporaryBeside(path);
        fd = ::open(temporary.string().c_str(), O_WRONLY | O_CREAT | O_EXCL | BinaryFlag, 0644);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) fail(Reason());
    Descriptor file(fd);
    auto discard = [&](const std::string& reason) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        fail(reason);
    };
    if (!serial::WriteAll(file.get(), text) || SyncToDisk(file.get()) != 0) {
        const std::string reason = Reason();
        file.Close();
        discard(reason);
    }
    if (!file.Close()) discard(Reason());
    std::error_code error;
    ReplaceFile(temporary, path, error);
    if (error) discard(error.message());
}

bool CreateDurably(const std::filesystem::path& path, std::string_view text) {
    std::error_code error;
    if (std::filesystem::exists(path, error)) return false;
    // The whole file is made beside it and linked in: a link never replaces.
    const auto temporary = TemporaryBeside(path);
    WriteFileAtomically(temporary, text);
    std::filesystem::create_hard_link(temporary, path, error);
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    if (!error) return true;
    if (std::filesystem::exists(path, ignored)) return false;
    throw EFileError(path.string() + ": cannot be written: " + error.message());
}

void AppendDurably(const std::filesystem::path& path, std::string_view text) {
    const int fd = ::open(path.string().c_str(), O_WRONLY | O_CREAT | O_APPEND | BinaryFlag, 0644);
    if (fd < 0) throw EFileError(path.string() + ": cannot be written: " + Reason());
    Descriptor file(fd);
    if (!serial::WriteAll(file.get(), text) || SyncToDisk(file.get()) != 0 || !file.Close())
        throw EFileError(path.string() + ": cannot be written: " + Reason());
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
