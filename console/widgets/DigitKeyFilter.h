#pragma once
// The key filter of a numeric edit: of the keys that produce a character it
// lets through digits while the edit holds fewer than `limit` characters, and
// backspace at any length; every other character is discarded. Keys that
// produce no character, Tab, Delete and Ctrl/Alt shortcuts pass untouched.
// Text from anywhere else (Ctrl+V, Shift+Insert, the context menu's Paste,
// the middle button, drag and drop) is taken only when the text it leaves in
// the edit (a paste replaces the selection) is all digits within `limit`;
// otherwise nothing changes.

#include <QObject>

class QAction;
class QLineEdit;
class QMenu;

namespace console {

class DigitKeyFilter : public QObject {
public:
    // Installs itself on `edit`, which owns it.
    DigitKeyFilter(QLineEdit* edit, int limit);

    // The rule for one character typed into an edit holding `length` characters.
    static bool Accepts(QChar typed, qsizetype length, int limit);
    // The rule for text put in place of `replaced` characters from `at` on of
    // an edit holding `text` (the selection for a paste, none for a drop).
    static bool AcceptsPaste(const QString& pasted, const QString& text, qsizetype at, qsizetype replaced, int limit);

    // The Paste entry of a line edit's standard context menu, or nullptr.
    static QAction* PasteAction(const QMenu& menu);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // `overSelection`: the text replaces the selection; else it goes in at the cursor.
    bool TakesPaste(const QString& pasted, bool overSelection) const;
    bool ShowContextMenu(const QPoint& globalPos);

    QLineEdit* edit_;
    int limit_;
};

}  // namespace console
