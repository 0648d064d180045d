#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <string>
#include <system_error>

#include "commission/AtomicFile.h"

namespace commission {

namespace {

[[noreturn]] void Fail(DWORD error) { throw std::system_error(static_cast<int>(error), std::system_category()); }

}  // namespace

void WriteFileAtomically(const std::string& path, const std::string& text) {
    std::string temporary;
    HANDLE h = INVALID_HANDLE_VALUE;
    // A fresh name beside the file; CREATE_NEW never takes over another's.
    for (unsigned attempt = 0; h == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = path + "." + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(attempt) + ".tmp";
        h = ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && (::GetLastError() != ERROR_FILE_EXISTS || attempt >= 100))
            Fail(::GetLastError());
    }
    auto fail = [&](bool open) {
        const DWORD error = ::GetLastError();
        if (open) ::CloseHandle(h);
        ::DeleteFileA(temporary.c_str());
        Fail(error);
    };
    for (std::size_t done = 0; done < text.size();) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
        if (!::WriteFile(h, text.data() + done, chunk, &n, nullptr) || n == 0) fail(true);
        done += n;
    }
    if (!::FlushFileBuffers(h)) fail(true);
    if (!::CloseHandle(h)) fail(false);
    if (!::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) fail(false);
}

}  // namespace commission
