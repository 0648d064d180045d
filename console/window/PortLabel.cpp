#include "console/window/PresentPorts.h"

namespace console {

QString PortLabel(const QString& name, const QString& friendlyName) {
    const QString trimmed = friendlyName.trimmed();
    if (trimmed.isEmpty()) return name;
    if (trimmed.contains("(" + name + ")", Qt::CaseInsensitive)) return trimmed;
    return trimmed + " (" + name + ")";
}

}  // namespace console
