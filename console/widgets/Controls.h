#pragma once
// Building the window's controls from tables, and the two rules of its combo
// boxes: the item index follows the text, and an index outside the items
// leaves no selection.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QStringList>

#include <stdexcept>
#include <string>
#include <vector>

#include "protocol/Protocol.h"

namespace console {

// Labels size themselves to their caption; only their top-left corner is given.
QLabel* MakeLabel(QWidget* parent, const QString& caption, QPoint topLeft,
                  const QString& objectName = {});
QLineEdit* MakeEdit(QWidget* parent, const QString& objectName, const QString& text, QRect geometry);
// Makes `box` editable, with no insertion of typed text and no inline
// completion. Cheaper than setEditable(true), which builds the drop-down list
// at once and a completer that is then thrown away: the list is built when it
// first opens, with the same look and behaviour.
void MakeEditableWithoutCompletion(QComboBox* box);
// How wide a box's drop-down list opens: as the box, or wide enough to
// show its longest item whole.
enum class ListWidth { Box, LongestItem };
// Editable, with no insertion of typed text and no inline completion.
QComboBox* MakeCombo(QWidget* parent, const QString& objectName, const QStringList& items,
                     int index, QRect geometry, ListWidth listWidth = ListWidth::Box);
// The items of a drop-down list (UTF-8) as the window shows them.
QStringList ItemTexts(const std::vector<std::string>& items);
QPushButton* MakeButton(QWidget* parent, const QString& objectName, const QString& caption,
                        QRect geometry);
QGroupBox* MakeGroup(QWidget* parent, const QString& objectName, const QString& caption,
                     QRect geometry);

// A label's caption as the accessible name of what it labels: " Baud:" -> "Baud".
QString NameFromCaption(const QString& caption);
// The name a screen reader gives `control`. Qt on Linux reports a combo box's
// text as its name, so a combo box carries the name as its description too.
void SetAccessibleName(QWidget* control, const QString& name);

// The control of kind T named `name` under `root`. The window builds every
// control it names, so a missing one is a fault of the program (logic_error).
template <class T>
T& FindControl(const QObject* root, const QString& name) {
    auto* control = root->findChild<T*>(name);
    if (!control) throw std::logic_error("the window has no control named " + name.toStdString());
    return *control;
}

// The item whose text equals the box's current text exactly, else -1.
int ItemIndex(const QComboBox* box);
// Selects item `index`; an index outside the items leaves no selection and an empty text.
void SetItemIndex(QComboBox* box, int index);

// Applies a parse to the controls under `root` (found by object name), in
// order, passing over its reply codes.
void ApplyAssignments(QWidget* root, const protocol::ParseResult& result);
// The same; then raises the conversion error that stopped the parse.
void ApplyParseResult(QWidget* root, const protocol::ParseResult& result);

// The bytes the text of a setting travels as: Latin-1, one byte per
// character. Text with a character outside Latin-1 is refused
// (protocol::EFieldRefused), naming the field and quoting the text as typed.
std::string FieldBytes(const QLineEdit* field);
std::string FieldBytes(const QComboBox* field);
// The same for a field sent as typed, which must not hold "," or "#" either.
std::string RawFieldBytes(const QLineEdit* field);

// Latin-1: one character per byte in both directions.
inline std::string ToBytes(const QString& text) { return text.toLatin1().toStdString(); }
inline QString FromBytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace console
