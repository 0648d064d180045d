#pragma once
// Checks the Modbus frame typed into a custom command's edit as it changes:
// the edit's tooltip and accessible description say what the frame asks for
// or what is wrong with it, and a red frame marks a wrong or missing CRC. The
// edit's context menu gains "Complete CRC" and "Build frame…". What the edit
// holds is never changed but by those two actions, and sending is untouched.

#include <QObject>
#include <memory>

class QLineEdit;
class QMenu;
class QPoint;

namespace console {

class CommandFrameCheck : public QObject {
    Q_OBJECT
public:
    // Attaches to `edit`, which owns it.
    explicit CommandFrameCheck(QLineEdit* edit);

    // Whether the edit carries the mark of a wrong or missing CRC.
    bool Marked() const { return marked_; }
    // The edit's standard context menu with the two frame actions added.
    std::unique_ptr<QMenu> CreateContextMenu();
    // Puts the right CRC at the frame's end, as one step the edit can undo.
    void CompleteCrc();
    // Opens the dialog that builds a frame from its fields, filled from the
    // typed frame; accepting it replaces the edit's text.
    void OpenBuilder();

private:
    void Update();
    void ShowContextMenu(const QPoint& position);
    void Replace(const QString& text);

    QLineEdit* edit_;
    bool marked_ = false;
};

}  // namespace console
