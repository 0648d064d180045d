// What the fixture learns from Linux: descriptors and threads of the process.
#include <dirent.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

#include "tests/serial/CommFixture.h"

namespace serialtest {

namespace {

bool IsComponentThread(const std::string& tid) {
    std::ifstream comm("/proc/self/task/" + tid + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.rfind("TComm ", 0) == 0;
}

int EntriesIn(const char* dir) {
    int n = 0;
    if (DIR* d = ::opendir(dir)) {
        while (const dirent* e = ::readdir(d))
            if (e->d_name[0] != '.') ++n;
        ::closedir(d);
    }
    return n;
}

}  // namespace

int OpenDescriptorCount() { return EntriesIn("/proc/self/fd") - 1; }  // less the directory's own
int ThreadCount() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (const dirent* e = ::readdir(d))
            if (e->d_name[0] != '.' && IsComponentThread(e->d_name)) ++n;
        ::closedir(d);
    }
    return n;
}

std::optional<std::string> ExclusivityUntested() { return std::nullopt; }

NotAPort::NotAPort() {
    char file[] = "/tmp/tq410k-not-a-port.XXXXXX";
    const int fd = ::mkstemp(file);
    if (fd >= 0) ::close(fd);
    path = file;
}
NotAPort::~NotAPort() { ::unlink(path.c_str()); }

std::vector<OpenFailure> OpenFailureCases(const std::string& notAPort) {
    return {
        {.name = "/dev/tq410k-no-such-port", .message = "Error opening serial port", .reason = std::strerror(ENOENT)},
        {.name = notAPort, .message = "File handle is not a comm handle ", .reason = std::strerror(ENOTTY)},
        {.name = "/proc/self", .message = "Error opening serial port", .reason = std::strerror(EISDIR)},
    };
}

}  // namespace serialtest
