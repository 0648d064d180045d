#include "console/pages/CommandFrameCheck.h"

#include <QLineEdit>
#include <QMenu>

#include "console/widgets/Controls.h"
#include "console/widgets/Marks.h"
#include "console/pages/FrameBuilderDialog.h"
#include "protocol/ModbusRtu.h"

namespace console {
namespace modbus = protocol::modbus;

CommandFrameCheck::CommandFrameCheck(QLineEdit* edit) : QObject(edit), edit_(edit) {
    setObjectName(edit->objectName() + "FrameCheck");
    edit_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(edit_, &QLineEdit::textChanged, this, &CommandFrameCheck::Update);
    connect(edit_, &QWidget::customContextMenuRequested, this, &CommandFrameCheck::ShowContextMenu);
    Update();
}

void CommandFrameCheck::Update() {
    const modbus::FrameCheck check = modbus::CheckFrame(ToBytes(edit_->text()));
    const QString meaning = QString::fromStdString(modbus::Describe(check));
    edit_->setToolTip(meaning);
    edit_->setAccessibleDescription(meaning);
    const bool mark = check.error.empty() && check.crc != modbus::CrcState::Right;
    if (mark != marked_) {
        marked_ = mark;
        SetMark(edit_, Mark::WrongCrc, mark);
    }
}

std::unique_ptr<QMenu> CommandFrameCheck::CreateContextMenu() {
    std::unique_ptr<QMenu> menu(edit_->createStandardContextMenu());
    menu->addSeparator();
    const std::string typed = ToBytes(edit_->text());
    const auto completed = modbus::CompleteCrc(typed);
    QAction* complete = menu->addAction("Complete CRC", this, &CommandFrameCheck::CompleteCrc);
    complete->setObjectName("CompleteCrcAction");
    complete->setEnabled(!edit_->isReadOnly() && completed && *completed != typed);
    QAction* build = menu->addAction("Build frame\u2026", this, &CommandFrameCheck::OpenBuilder);
    build->setObjectName("BuildFrameAction");
    build->setEnabled(!edit_->isReadOnly());
    return menu;
}

void CommandFrameCheck::ShowContextMenu(const QPoint& position) {
    const std::unique_ptr<QMenu> menu = CreateContextMenu();
    menu->exec(edit_->mapToGlobal(position));
}

void CommandFrameCheck::CompleteCrc() {
    if (const auto completed = modbus::CompleteCrc(ToBytes(edit_->text()))) Replace(FromBytes(*completed));
}

void CommandFrameCheck::OpenBuilder() {
    auto* dialog = new FrameBuilderDialog(edit_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    const modbus::FrameCheck check = modbus::CheckFrame(ToBytes(edit_->text()));
    if (check.request)
        dialog->SetRequest(*check.request);
    else if (check.error.empty() && check.bytes[0] <= 247)
        dialog->SetRequest({.slave = check.bytes[0], .function = 3, .address = 0, .count = 1, .values = {}});
    connect(dialog, &QDialog::accepted, this, [this, dialog] { Replace(dialog->Frame()); });
    dialog->open();
}

void CommandFrameCheck::Replace(const QString& text) {
    if (text.isEmpty() || text == edit_->text()) return;
    // Through the edit's own editing, so that Ctrl+Z takes it back.
    edit_->selectAll();
    edit_->insert(text);
}

}  // namespace console
