// What the fixture learns from Windows: handles and raised threads of the
// process, and names that are no port there.
#include "tests/serial/CommFixture.h"

// After the fixture: the macros of <windows.h> could replace names of ours.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <tlhelp32.h>

#include <cerrno>
#include <cstring>

namespace serialtest {

int OpenDescriptorCount() {
    DWORD n = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &n);
    return static_cast<int>(n);
}

// Threads cannot be named here, so the component's are told by their raised
// priority: the reader's and the writer's.
int ThreadCount() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int n = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != ::GetCurrentProcessId()) continue;
        if (HANDLE t = ::OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID)) {
            if (::GetThreadPriority(t) > THREAD_PRIORITY_NORMAL && ::GetThreadPriority(t) != THREAD_PRIORITY_ERROR_RETURN)
                ++n;
            ::CloseHandle(t);
        }
    }
    ::CloseHandle(snapshot);
    return n;
}

// Windows' serial drivers admit one opener; Wine lets a second open a
// serial device all the same.
std::optional<std::string> ExclusivityUntested() {
    if (::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr) return std::nullopt;
    return "Wine does not hold a serial device for its one opener; checked on Windows only";
}

NotAPort::NotAPort() {
    char folder[MAX_PATH] = {};
    char file[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    ::GetTempFileNameA(folder, "tq4", 0, file);
    path = file;
}
NotAPort::~NotAPort() { ::DeleteFileA(path.c_str()); }

std::vector<OpenFailure> OpenFailureCases(const std::string& notAPort) {
    return {
        {.name = "COM199", .message = "Error opening serial port", .reason = std::strerror(ENOENT)},
        {.name = "\\\\.\\tq410k-no-such-device", .message = "Error opening serial port", .reason = std::strerror(ENOENT)},
        {.name = notAPort, .message = "File handle is not a comm handle ", .reason = std::strerror(ENOTTY)},
    };
}

}  // namespace serialtest
