#include "console/window/WindowLook.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

// Resources of a static library are registered by hand, outside any namespace.
static bool AddMarksFont() {
    Q_INIT_RESOURCE(WindowLookWin32);
    return QFontDatabase::addApplicationFont(":/fonts/tq410k-marks.ttf") >= 0;
}

namespace console {

void ApplyWindowLook(QApplication& app) {
    // The native style's tab bar is 3 pixels lower than Fusion's, which would
    // move every control of the pages.
    app.setStyle("Fusion");
    // The full-width parentheses, the ellipsis and the arrow, cut from
    // WenQuanYi Micro Hei.
    QStringList families{QStringLiteral("Liberation Sans"), QStringLiteral("Arial")};
    if (AddMarksFont()) families << QStringLiteral("TQ410K Marks");
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    app.setFont(font);
}

}  // namespace console
