#include "WindowRecord.h"

#include <stdexcept>

#include <QComboBox>
#include <QLineEdit>

#include "Controls.h"

namespace console {

QWidget* FindSettingControl(const QWidget* root, const std::string& control) {
    return root->findChild<QWidget*>(QString::fromStdString(control));
}

commission::Configuration ReadWindow(const QWidget* root) {
    commission::Configuration record;
    for (const auto& field : commission::Fields()) {
        QWidget* widget = FindSettingControl(root, field.control);
        if (auto* box = qobject_cast<QComboBox*>(widget))
            record.values[field.control] =
                field.isIndex ? commission::Value(ItemIndex(box)) : commission::Value(ToBytes(box->currentText()));
        else if (auto* edit = qobject_cast<QLineEdit*>(widget))
            record.values[field.control] = ToBytes(edit->text());
        else
            throw std::logic_error("the window has no control " + field.control);
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
