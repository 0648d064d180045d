#pragma once
// The window's look that its pixel layout relies on: an 11-pixel font of
// Arial's widths, so that every caption fits its place, and the Fusion style's
// metrics, so that every control sits where it sits on Linux. Each platform in
// its own file: WindowLookPosix.cpp (Liberation Sans; fontconfig finds the
// full-width parentheses; the style Qt picks, Fusion where no desktop names
// another), WindowLookWin32.cpp (Fusion, and Arial falling back to a font of
// the window's own for the marks a Windows without East Asian fonts lacks).

class QApplication;

namespace console {

void ApplyWindowLook(QApplication& app);

}  // namespace console
