#include "console/widgets/DigitKeyFilter.h"

#include <algorithm>

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

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

bool DigitKeyFilter::AcceptsPaste(const QString& pasted, const QString& text, qsizetype at, qsizetype replaced,
                                  int limit) {
    if (pasted.isEmpty() || at < 0 || replaced < 0 || at + replaced > text.size()) return false;
    const QString result = QString(text).replace(at, replaced, pasted);
    if (result.size() > limit) return false;
    return std::all_of(result.begin(), result.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool DigitKeyFilter::TakesPaste(const QString& pasted, bool overSelection) const {
    const bool selection = overSelection && edit_->hasSelectedText();
    return AcceptsPaste(pasted, edit_->text(), selection ? edit_->selectionStart() : edit_->cursorPosition(),
                        selection ? edit_->selectionLength() : 0, limit_);
}

QAction* DigitKeyFilter::PasteAction(const QMenu& menu) {
    // Named from Qt 6.5 on; before that, known by its caption.
    if (auto* named = menu.findChild<QAction*>("edit-paste")) return named;
    for (QAction* action : menu.actions())
        if (action->text().startsWith(QLineEdit::tr("&Paste"))) return action;
    return nullptr;
}

bool DigitKeyFilter::ShowContextMenu(const QPoint& globalPos) {
    // The edit's own menu, with Paste offered only for text the edit takes.
    QMenu* menu = edit_->createStandardContextMenu();
    if (auto* paste = PasteAction(*menu))
        paste->setEnabled(paste->isEnabled() && TakesPaste(QGuiApplication::clipboard()->text(), true));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
    return true;
}

bool DigitKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != edit_) return false;
    switch (event->type()) {
        case QEvent::ContextMenu: return ShowContextMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (drop->mimeData()->hasText() && TakesPaste(drop->mimeData()->text(), false)) return false;
            drop->ignore();
            return true;
        }
        case QEvent::MouseButtonRelease: {
            // The middle button pastes the X11 selection.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::MiddleButton || !QGuiApplication::clipboard()->supportsSelection()) return false;
            return !TakesPaste(QGuiApplication::clipboard()->text(QClipboard::Selection), false);
        }
        case QEvent::KeyPress: break;
        default: return false;
    }
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (key.matches(QKeySequence::Paste)) return !TakesPaste(QGuiApplication::clipboard()->text(), true);
    if (PassesUnjudged(key)) return false;
    // Discarded keys are swallowed here; accepted ones reach the edit.
    return !Accepts(key.text().front(), edit_->text().size(), limit_);
}

}  // namespace console
