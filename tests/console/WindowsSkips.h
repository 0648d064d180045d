#pragma once
// What the window tests need that only Linux has. On Windows (under Wine) a
// test that needs it skips, naming it; everything else runs on both.

#include <gtest/gtest.h>

namespace consoletest {

#ifdef _WIN32
inline constexpr bool kOnWindows = true;
#else
inline constexpr bool kOnWindows = false;
#endif

// Why a test skips on Windows, one sentence each.
inline constexpr const char* kEmulatorProgram =
    "the emulator runs as a Linux program on a pseudo-terminal; scripts/windows-test runs the window against it";
inline constexpr const char* kFileWatch =
    "watched files and udev's device announcements are Linux's; Windows polls its COM ports";
inline constexpr const char* kDevFolder = "serial devices under /dev, their by-id links and owner groups are Linux's";
inline constexpr const char* kLinkedPort = "a port opened through a symbolic link to a pseudo-terminal is Linux's";
inline constexpr const char* kFileSizeLimit = "a file-size limit (RLIMIT_FSIZE, SIGXFSZ) is Linux's";
inline constexpr const char* kOnePair = "pty_hub bridges one pair of COM ports; the test needs two";
// What fails under Wine today, for the reason given.
inline constexpr const char* kFontUnderWine =
    "the window's font (Liberation Sans) is not in the Wine prefix: other glyphs and widths";
inline constexpr const char* kFocusUnderWine = "Tab moves no keyboard focus under Wine with the offscreen platform";

}  // namespace consoletest

// Ends the test here on Windows, as skipped for `reason`.
#define SKIP_ON_WINDOWS(reason) \
    if constexpr (::consoletest::kOnWindows) GTEST_SKIP() << (reason)
