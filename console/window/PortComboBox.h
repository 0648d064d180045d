#pragma once
// The port box: "COM1" to "COM12" first, then the serial ports present (on
// Windows by their friendly names; choosing one puts its port name in the box)
// and the link of a converter emulator that is running, listed anew each time
// the list opens. Typed text is never touched.

#include <QComboBox>
#include <QStringList>

#include "console/window/PresentPorts.h"

namespace console {

class TPortComboBox : public QComboBox {
    Q_OBJECT
public:
    // `fixedItems` stay first; the box is editable like every combo box of the window.
    TPortComboBox(QWidget* parent, const QStringList& fixedItems);

    void RefreshDevices();
    void showPopup() override;
    void hidePopup() override;

signals:
    // The list opened (true) or closed.
    void ListOpen(bool open);

private:
    int fixedCount_;
};

}  // namespace console
