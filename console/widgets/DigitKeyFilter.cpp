#include "console/widgets/DigitKeyFilter.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace console {

namespace {

constexpr QChar Backspace(8);

// Keys whose character, if any, is an editing or navigation key and not typed text.
bool PassesUnjudged(const QKeyEvent& key) {
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return true;
    switch (key.key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Delete:
        case Qt::Key_Backspace: return true;
        default: return key.text().isEmpty();
    }
}

}  // namespace

DigitKeyFilter::DigitKeyFilter(QLineEdit* edit, int limit) : QObject(edit), edit_(edit), limit_(limit) {
    // Composed input would bypass the key presses.
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->installEventFilter(this);
}

bool DigitKeyFilter::Accepts(QChar typed, qsizetype length, int limit) {
    if (typed == Backspace) return true;
    return typed >= u'0' && typed <= u'9' && length < limit;
}

bool DigitKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != edit_ || event->type() != QEvent::KeyPress) return false;
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (PassesUnjudged(key)) return false;
    // Discarded keys are swallowed here; accepted ones reach the edit.
    return !Accepts(key.text().front(), edit_->text().size(), limit_);
}

}  // namespace console
