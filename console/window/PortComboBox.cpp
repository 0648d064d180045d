#include "console/window/PortComboBox.h"

#include <QAbstractItemView>
#include <QDir>
#include <QSignalBlocker>

#include "links/EmulatorLink.h"

namespace console {

QStringList PresentSerialDevices(const QString& devFolder) {
    struct Kind {
        const char* subfolder;
        const char* pattern;
    };
    static const Kind kinds[] = {{"", "ttyUSB*"}, {"", "ttyACM*"}, {"/serial/by-id", "*"}};
    QStringList devices;
    for (const auto& kind : kinds) {
        QDir dir(devFolder + kind.subfolder);
        const auto names = dir.entryList({kind.pattern}, QDir::System | QDir::Files | QDir::NoDotAndDotDot,
                                         QDir::Name);
        for (const auto& name : names) devices << dir.filePath(name);
    }
    return devices;
}

TPortComboBox::TPortComboBox(QWidget* parent, const QStringList& fixedItems)
    : QComboBox(parent), fixedCount_(static_cast<int>(fixedItems.size())) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    addItems(fixedItems);
    RefreshDevices();
}

void TPortComboBox::RefreshDevices() {
    const QString typed = currentText();
    {
        QSignalBlocker block(this);
        while (count() > fixedCount_) removeItem(count() - 1);
        addItems(PresentSerialDevices());
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
}

}  // namespace console
