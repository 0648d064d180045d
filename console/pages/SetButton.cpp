#include "console/pages/SetButton.h"

#include <map>

#include <QComboBox>
#include <QLineEdit>

#include "console/widgets/Controls.h"
#include "protocol/FieldCheck.h"

namespace console {
namespace {

using protocol::Travel;

// The value of one field as its control holds it, as it would travel.
protocol::ColumnValue Read(const QWidget* root, const protocol::CommandField& field) {
    const QString name = QString::fromStdString(field.control);
    if (field.IsIndex()) return ItemIndex(&FindControl<QComboBox>(root, name));
    // A number may also be typed into a drop-down (the inspector).
    if (auto* box = root->findChild<QComboBox*>(name)) return FieldBytes(box);
    const auto& edit = FindControl<QLineEdit>(root, name);
    switch (field.travel) {
        case Travel::Text: return RawFieldBytes(&edit);
        // Counted data is first counted as typed; its characters are checked once it is whole bytes.
        case Travel::CountedData: return ToBytes(edit.text());
        default: return FieldBytes(&edit);
    }
}

}  // namespace

void SendSet(ConsoleHost& host, const QWidget* root, const protocol::ConverterCommand& command) {
    std::map<std::string, protocol::ColumnValue> values;
    for (const auto& field : command.fields) values.emplace(field.control, Read(root, field));
    if (command.taking == protocol::CodeTaking::BeforeFields && command.code)
        host.ReplyMode() = protocol::Code(*command.code);
    const auto bytes = protocol::ComposeSet(command, [&](const auto& field) { return values.at(field.control); });
    if (!bytes) {
        host.ShowMessage("Input data must be plural");
        return;
    }
    for (const auto& field : command.fields)
        if (field.travel == Travel::CountedData)
            protocol::CheckCommandData(field.control, FieldBytes(&FindControl<QLineEdit>(root, QString::fromStdString(field.control))));
    host.SendCommand(*bytes, command.code);
    if (command.taking == protocol::CodeTaking::AfterSend && command.codeAfterSend)
        host.ReplyMode() = protocol::Code(*command.codeAfterSend);
}

}  // namespace console
