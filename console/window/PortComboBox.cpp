#include "console/window/PortComboBox.h"

#include <QAbstractItemView>
#include <QSignalBlocker>

#include "console/widgets/Controls.h"
#include "links/EmulatorLink.h"

namespace console {

TPortComboBox::TPortComboBox(QWidget* parent, const QStringList& fixedItems)
    : QComboBox(parent), fixedCount_(static_cast<int>(fixedItems.size())) {
    MakeEditableWithoutCompletion(this);
    addItems(fixedItems);
    RefreshDevices();
    // An item shown by its friendly name opens the port by its name.
    connect(this, &QComboBox::activated, this, [this](int index) {
        const QString name = itemData(index).toString();
        if (!name.isEmpty()) setEditText(name);
    });
}

void TPortComboBox::RefreshDevices() {
    const QString typed = currentText();
    {
        QSignalBlocker block(this);
        while (count() > fixedCount_) removeItem(count() - 1);
        for (const auto& port : PresentSerialPorts())
            addItem(port.label, port.label == port.name ? QVariant() : QVariant(port.name));
        // A running converter emulator, for trying the console without a converter.
        if (const auto link = links::DefaultEmulatorLink(); links::EmulatorLinkIsLive(link))
            addItem(QString::fromStdString(link));
    }
    if (currentText() != typed) setEditText(typed);
    // Device paths are longer than the box is wide; the list may be wider.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 24);
}

void TPortComboBox::showPopup() {
    RefreshDevices();
    QComboBox::showPopup();
    emit ListOpen(true);
}

void TPortComboBox::hidePopup() {
    QComboBox::hidePopup();
    emit ListOpen(false);
}

}  // namespace console
