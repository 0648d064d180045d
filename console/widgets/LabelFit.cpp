#include "console/widgets/LabelFit.h"

#include <QFontMetrics>
#include <QLabel>

namespace console {

namespace {

constexpr int SmallestPixelSize = 9;

int NaturalWidth(const QLabel* label, const QFont& font) {
    return QFontMetrics(font).horizontalAdvance(label->text());
}

}  // namespace

void FitLabel(QLabel* label, int room) {
    if (room <= 0) return;
    QFont font = label->font();
    if (NaturalWidth(label, font) <= room) return;
    if (font.pixelSize() < 0) font.setPixelSize(QFontInfo(font).pixelSize());
    while (NaturalWidth(label, font) > room && font.pixelSize() > SmallestPixelSize)
        font.setPixelSize(font.pixelSize() - 1);
    label->setFont(font);
    label->adjustSize();
}

}  // namespace console
