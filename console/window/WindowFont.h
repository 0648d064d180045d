#pragma once
// The window's font: 11 pixels of Arial's widths, so that every caption fits
// its place. Each platform in its own file: WindowFontPosix.cpp (Liberation
// Sans; fontconfig finds the full-width parentheses), WindowFontWin32.cpp
// (Arial, falling back to a font of the window's own for the marks a Windows
// without East Asian fonts lacks).

#include <QFont>

namespace console {

QFont WindowFont();

}  // namespace console
