#pragma once
// Marks drawn on a control for what a feature found: the red frame of a
// command frame with a wrong CRC, the tint of a setting that verify found
// different. Each is a property of its own; the control's style sheet is made
// from all the marks it carries, so setting or clearing one keeps the others.

class QWidget;

namespace console {

enum class Mark {
    WrongCrc,  // property "crcWrong": a red frame
    Differs,   // property "differs": a tint
};

void SetMark(QWidget* widget, Mark mark, bool on);
bool HasMark(const QWidget* widget, Mark mark);

}  // namespace console
