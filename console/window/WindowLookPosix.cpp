#include "console/window/WindowLook.h"

#include <QApplication>
#include <QFont>

namespace console {

void ApplyWindowLook(QApplication& app) {
    QFont font("Liberation Sans");
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    app.setFont(font);
}

}  // namespace console
