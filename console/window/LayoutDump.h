#pragma once
// The window's layout as text, for comparing the window on two platforms:
// one line "name x y width height" per named control, its place relative to
// the window's client area, sorted by name; a label's line ends " label" (its
// size may follow its text, which each platform renders in its own widths).

#include <string>

class QWidget;

namespace console {

std::string DescribeLayout(const QWidget& window);

}  // namespace console
