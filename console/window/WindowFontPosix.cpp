#include "console/window/WindowFont.h"

namespace console {

QFont WindowFont() {
    QFont font("Liberation Sans");
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

}  // namespace console
