#include "console/window/PresentPorts.h"

#include <QDir>

namespace console {

QStringList PresentSerialDevices(const QString& devFolder) {
    struct Kind {
        const char* subfolder;
        const char* pattern;
    };
    static const Kind kinds[] = {{.subfolder = "", .pattern = "ttyUSB*"},
                                 {.subfolder = "", .pattern = "ttyACM*"},
                                 {.subfolder = "/serial/by-id", .pattern = "*"}};
    QStringList devices;
    for (const auto& kind : kinds) {
        QDir dir(devFolder + kind.subfolder);
        const auto names = dir.entryList({kind.pattern}, QDir::System | QDir::Files | QDir::NoDotAndDotDot,
                                         QDir::Name);
        for (const auto& name : names) devices << dir.filePath(name);
    }
    return devices;
}

QList<PresentPort> PresentSerialPorts() {
    QList<PresentPort> ports;
    for (const auto& device : PresentSerialDevices()) ports.append({.name = device, .label = device});
    return ports;
}

}  // namespace console
