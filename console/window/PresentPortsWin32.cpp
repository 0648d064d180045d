#include "console/window/PresentPorts.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h:
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <map>

namespace console {

namespace {

// A string value of an open registry key; empty when there is none.
QString StringValue(HKEY key, const wchar_t* name) {
    wchar_t data[256] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return QString::fromWCharArray(data, static_cast<int>(size / sizeof(wchar_t))).section(QChar(0), 0, 0);
}

// The ports the serial drivers have announced: HARDWARE\DEVICEMAP\SERIALCOMM.
QStringList AnnouncedPorts() {
    QStringList names;
    HKEY key{};
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        wchar_t valueName[256];
        DWORD nameLength = 256;
        wchar_t data[256] = {};
        DWORD size = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG status = ::RegEnumValueW(key, i, valueName, &nameLength, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data), &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS || type != REG_SZ) continue;
        const QString name = QString::fromWCharArray(data, static_cast<int>(size / sizeof(wchar_t)))
                                 .section(QChar(0), 0, 0)
                                 .trimmed();
        if (!name.isEmpty() && !names.contains(name, Qt::CaseInsensitive)) names << name;
    }
    ::RegCloseKey(key);
    return names;
}

// Port name → friendly name, for the ports of the Ports class present now.
std::map<QString, QString> FriendlyNames() {
    std::map<QString, QString> names;
    const HDEVINFO set = ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        const HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        const QString port = StringValue(key, L"PortName");
        ::RegCloseKey(key);
        if (port.isEmpty()) continue;
        wchar_t friendly[256] = {};
        DWORD type = 0;
        if (::SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, &type,
                                                reinterpret_cast<BYTE*>(friendly), sizeof friendly - sizeof(wchar_t),
                                                nullptr))
            names[port.toUpper()] = QString::fromWCharArray(friendly);
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return names;
}

int PortNumber(const QString& name) { return name.mid(3).toInt(); }

}  // namespace

QStringList PresentSerialDevices(const QString&) { return {}; }

QList<PresentPort> PresentSerialPorts() {
    QStringList names = AnnouncedPorts();
    const auto friendly = FriendlyNames();
    // A port of the Ports class that its driver has not announced is present too.
    for (const auto& [port, label] : friendly)
        if (!names.contains(port, Qt::CaseInsensitive)) names << port;
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const bool comA = a.startsWith("COM", Qt::CaseInsensitive), comB = b.startsWith("COM", Qt::CaseInsensitive);
        if (comA && comB && PortNumber(a) != PortNumber(b)) return PortNumber(a) < PortNumber(b);
        return a < b;
    });
    QList<PresentPort> ports;
    for (const auto& name : names) {
        const auto found = friendly.find(name.toUpper());
        ports.append({.name = name, .label = PortLabel(name, found == friendly.end() ? QString() : found->second)});
    }
    return ports;
}

}  // namespace console
