#include "console/widgets/Controls.h"

#include <stdexcept>

#include <QAbstractItemView>
#include <QCompleter>

#include "protocol/FieldCheck.h"

namespace console {

QLabel* MakeLabel(QWidget* parent, const QString& caption, QPoint topLeft, const QString& objectName) {
    auto* label = new QLabel(caption, parent);
    if (!objectName.isEmpty()) label->setObjectName(objectName);
    label->adjustSize();
    label->move(topLeft);
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, const QString& objectName, const QString& text, QRect geometry) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(objectName);
    edit->setGeometry(geometry);
    return edit;
}

namespace {

// A line edit that comes with a completer keeps its box from making one of
// its own. One stand-in, a child of the window, serves every box built in it;
// each box takes it off again at once.
QCompleter* StandInCompleter(QWidget* box) {
    static const QString name = QStringLiteral("noCompletionStandIn");
    QWidget* window = box->window();
    if (auto* standIn = window->findChild<QCompleter*>(name, Qt::FindDirectChildrenOnly)) return standIn;
    auto* standIn = new QCompleter(window);
    standIn->setObjectName(name);
    return standIn;
}

// Sizes its list when it opens: the list is not built before.
class LongestItemListBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    void showPopup() override {
        view()->setMinimumWidth(view()->sizeHintForColumn(0) + 8);
        QComboBox::showPopup();
    }
};

}  // namespace

void MakeEditableWithoutCompletion(QComboBox* box) {
    auto* edit = new QLineEdit(box);
    edit->setPalette(box->palette());
    edit->setCompleter(StandInCompleter(box));
    box->setLineEdit(edit);
    box->setCompleter(nullptr);
    box->setInsertPolicy(QComboBox::NoInsert);
}

QComboBox* MakeCombo(QWidget* parent, const QString& objectName, const QStringList& items, int index,
                     QRect geometry, ListWidth listWidth) {
    auto* box = listWidth == ListWidth::LongestItem ? new LongestItemListBox(parent) : new QComboBox(parent);
    box->setObjectName(objectName);
    MakeEditableWithoutCompletion(box);
    box->addItems(items);
    SetItemIndex(box, index);
    box->setGeometry(geometry);
    return box;
}

QStringList ItemTexts(const std::vector<std::string>& items) {
    QStringList list;
    for (const auto& item : items) list << QString::fromUtf8(item.c_str());
    return list;
}

QPushButton* MakeButton(QWidget* parent, const QString& objectName, const QString& caption,
                        QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setGeometry(geometry);
    return button;
}

QGroupBox* MakeGroup(QWidget* parent, const QString& objectName, const QString& caption, QRect geometry) {
    auto* group = new QGroupBox(caption, parent);
    if (!objectName.isEmpty()) group->setObjectName(objectName);
    group->setGeometry(geometry);
    return group;
}

namespace {

std::string FieldBytes(const QWidget* field, const QString& text) {
    return protocol::FieldBytesFromUtf8(field->objectName().toStdString(), text.toUtf8().toStdString());
}

}  // namespace

std::string FieldBytes(const QLineEdit* field) { return FieldBytes(field, field->text()); }
std::string FieldBytes(const QComboBox* field) { return FieldBytes(field, field->currentText()); }

std::string RawFieldBytes(const QLineEdit* field) {
    std::string bytes = FieldBytes(field);
    protocol::CheckRawField(field->objectName().toStdString(), bytes);
    return bytes;
}

QString NameFromCaption(const QString& caption) {
    QString name = caption.trimmed();
    if (name.endsWith(':')) name.chop(1);
    return name.trimmed();
}

void SetAccessibleName(QWidget* control, const QString& name) {
    control->setAccessibleName(name);
    if (qobject_cast<QComboBox*>(control)) control->setAccessibleDescription(name);
}

int ItemIndex(const QComboBox* box) {
    const QString text = box->currentText();
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i) == text) return i;
    return -1;
}

void SetItemIndex(QComboBox* box, int index) {
    if (index >= 0 && index < box->count()) {
        box->setCurrentIndex(index);
        if (box->isEditable()) box->setEditText(box->itemText(index));
    } else {
        box->setCurrentIndex(-1);
        if (box->isEditable()) box->setEditText(QString());
    }
    // Show the start of an item wider than the box.
    if (box->lineEdit()) box->lineEdit()->setCursorPosition(0);
}

void ApplyAssignments(QWidget* root, const protocol::ParseResult& result) {
    using Kind = protocol::Assignment::Kind;
    for (const auto& a : result.assignments) {
        if (a.kind == Kind::ReplyMode) continue;
        const QString name = QString::fromStdString(a.control);
        if (a.kind == Kind::Text)
            FindControl<QLineEdit>(root, name).setText(FromBytes(a.text));
        else
            SetItemIndex(&FindControl<QComboBox>(root, name), a.value);
    }
}

void ApplyParseResult(QWidget* root, const protocol::ParseResult& result) {
    ApplyAssignments(root, result);
    if (result.failedText) throw protocol::EConvertError(*result.failedText);
}

}  // namespace console
