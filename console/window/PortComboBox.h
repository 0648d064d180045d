#pragma once
// The port box: "COM1" to "COM12" first, then the serial devices present and
// the link of a converter emulator that is running, listed anew each time the
// list opens. Typed text is never touched.

#include <QComboBox>
#include <QStringList>

namespace console {

// /dev/ttyUSB*, /dev/ttyACM* and /dev/serial/by-id/*, sorted within each kind;
// `devFolder` stands for /dev (tests give a folder of their own).
QStringList PresentSerialDevices(const QString& devFolder = QStringLiteral("/dev"));

class TPortComboBox : public QComboBox {
    Q_OBJECT
public:
    // `fixedItems` stay first; the box is editable like every combo box of the window.
    TPortComboBox(QWidget* parent, const QStringList& fixedItems);

    void RefreshDevices();
    void showPopup() override;

private:
    int fixedCount_;
};

}  // namespace console
