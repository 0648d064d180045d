#include "console/commissioning/WindowRecord.h"

#include <stdexcept>

#include <QComboBox>
#include <QLineEdit>

#include "console/widgets/Controls.h"
#include "protocol/FieldCheck.h"

namespace console {

QWidget* FindSettingControl(const QWidget* root, const std::string& control) {
    return root->findChild<QWidget*>(QString::fromStdString(control));
}

commission::Configuration ReadWindow(const QWidget* root, std::vector<commission::FieldFailure>* refused) {
    commission::Configuration record;
    for (const auto& field : commission::Fields()) {
        QWidget& widget = FindControl<QWidget>(root, QString::fromStdString(field.control));
        auto* box = qobject_cast<QComboBox*>(&widget);
        auto* edit = qobject_cast<QLineEdit*>(&widget);
        if (!box && !edit) throw std::logic_error(field.control + " is neither an edit nor a combo box");
        if (box && field.isIndex) {
            record.values[field.control] = ItemIndex(box);
            continue;
        }
        const QString text = box ? box->currentText() : edit->text();
        try {
            record.values[field.control] = protocol::FieldBytesFromUtf8(field.control, text.toStdString());
        } catch (const protocol::EFieldRefused& e) {
            if (!refused) throw;
            refused->push_back({field.control, e.Reason()});
            record.values[field.control] = ToBytes(text);
        }
    }
    return record;
}

void ShowInWindow(QWidget* root, const commission::Configuration& record) {
    for (const auto& [control, value] : record.values) {
        QWidget* widget = FindSettingControl(root, control);
        if (auto* box = qobject_cast<QComboBox*>(widget)) {
            if (const int* index = std::get_if<int>(&value)) {
                SetItemIndex(box, *index);
            } else {
                const QString text = FromBytes(std::get<std::string>(value));
                const int item = box->findText(text, Qt::MatchExactly);
                if (item >= 0) {
                    SetItemIndex(box, item);
                } else {
                    box->setCurrentIndex(-1);
                    box->setEditText(text);
                }
            }
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            edit->setText(FromBytes(std::get<std::string>(value)));
        }
    }
}

}  // namespace console
