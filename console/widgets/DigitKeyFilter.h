#pragma once
// The key filter of a numeric edit: of the keys that produce a character it
// lets through digits while the edit holds fewer than `limit` characters, and
// backspace at any length; every other character is discarded. Keys that
// produce no character, Tab, Delete and Ctrl/Alt shortcuts pass untouched.
// Pasted text is not filtered: the conversion at send time judges it.

#include <QObject>

class QLineEdit;

namespace console {

class DigitKeyFilter : public QObject {
public:
    // Installs itself on `edit`, which owns it.
    DigitKeyFilter(QLineEdit* edit, int limit);

    // The rule for one character typed into an edit holding `length` characters.
    static bool Accepts(QChar typed, qsizetype length, int limit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    int limit_;
};

}  // namespace console
