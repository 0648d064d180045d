#include "console/widgets/Marks.h"

#include <QWidget>

namespace console {
namespace {

struct MarkStyle {
    Mark mark;
    const char* property;
    const char* declaration;  // drawn within the control's own rectangle: nothing moves
};

constexpr MarkStyle Styles[] = {
    {.mark = Mark::WrongCrc, .property = "crcWrong", .declaration = "border: 2px solid #d00000;"},
    {.mark = Mark::Differs, .property = "differs", .declaration = "background-color: #ffd27f;"},
};

const MarkStyle& StyleOf(Mark mark) {
    for (const auto& s : Styles)
        if (s.mark == mark) return s;
    return Styles[0];
}

}  // namespace

void SetMark(QWidget* widget, Mark mark, bool on) {
    widget->setProperty(StyleOf(mark).property, on);
    QString declarations;
    for (const auto& s : Styles)
        if (widget->property(s.property).toBool()) declarations += s.declaration;
    // The selector names the control alone, so that its children (a builder
    // dialog, a combo box's list) keep their own looks.
    widget->setStyleSheet(declarations.isEmpty() ? QString()
                                                 : QString("#%1 { %2 }").arg(widget->objectName(), declarations));
}

bool HasMark(const QWidget* widget, Mark mark) { return widget->property(StyleOf(mark).property).toBool(); }

}  // namespace console
