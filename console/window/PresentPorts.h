#pragma once
// The serial ports present now, as the port list offers them. Each platform
// in its own file: PresentPortsPosix.cpp (/dev), PresentPortsWin32.cpp (the
// COM ports with their friendly names).

#include <QList>
#include <QString>
#include <QStringList>

namespace console {

struct PresentPort {
    QString name;   // what the port group opens: "/dev/ttyUSB0", "COM5"
    QString label;  // what the list shows: the name, or "USB Serial Port (COM5)"
};

QList<PresentPort> PresentSerialPorts();

// /dev/ttyUSB*, /dev/ttyACM* and /dev/serial/by-id/*, sorted within each kind;
// `devFolder` stands for /dev (tests give a folder of their own). Empty on Windows.
QStringList PresentSerialDevices(const QString& devFolder = QStringLiteral("/dev"));

// "USB Serial Port (COM5)": the friendly name, with the port name added when
// the friendly name does not carry it; the bare name without a friendly name.
QString PortLabel(const QString& name, const QString& friendlyName);

}  // namespace console
