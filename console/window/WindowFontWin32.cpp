#include "console/window/WindowFont.h"

#include <QFontDatabase>
#include <QStringList>

// Resources of a static library are registered by hand, outside any namespace.
static bool AddMarksFont() {
    Q_INIT_RESOURCE(WindowFontWin32);
    return QFontDatabase::addApplicationFont(":/fonts/tq410k-marks.ttf") >= 0;
}

namespace console {

QFont WindowFont() {
    // The full-width parentheses, the ellipsis and the arrow, cut from
    // WenQuanYi Micro Hei; registered once per process.
    static const bool marks = AddMarksFont();
    QFont font;
    font.setFamilies(marks ? QStringList{"Liberation Sans", "Arial", "TQ410K Marks"}
                           : QStringList{"Liberation Sans", "Arial"});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

}  // namespace console
