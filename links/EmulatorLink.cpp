#include "links/EmulatorLink.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace links {

namespace {

bool PrivateFolder(const char* dir) {
    struct stat st {};
    return dir && dir[0] == '/' && ::lstat(dir, &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string UserName() {
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_name;
    return std::to_string(::getuid());
}

}  // namespace

std::string DefaultEmulatorLink() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (PrivateFolder(runtime)) return std::string(runtime) + "/tq410k-emulator";
    return "/tmp/tq410k-emulator-" + UserName();
}

LinkState InspectEmulatorLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return LinkState::Absent;
    if (!S_ISLNK(st.st_mode) || st.st_uid != ::getuid()) return LinkState::Foreign;
    char target[4096];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
    if (n <= 0) return LinkState::Foreign;
    return std::string_view(target, static_cast<std::size_t>(n)).starts_with("/dev/") ? LinkState::Own
                                                                                        : LinkState::Foreign;
}

bool EmulatorLinkIsLive(const std::string& path) {
    struct stat st {};
    return InspectEmulatorLink(path) == LinkState::Own && ::stat(path.c_str(), &st) == 0 &&
           S_ISCHR(st.st_mode);
}

}  // namespace links
