#include "console/window/LayoutDump.h"

#include <algorithm>
#include <vector>

#include <QLabel>
#include <QWidget>

namespace console {

std::string DescribeLayout(const QWidget& window) {
    std::vector<std::string> lines;
    // The window itself: its client area.
    lines.push_back(window.objectName().toStdString() + " 0 0 " + std::to_string(window.width()) + ' ' +
                    std::to_string(window.height()) + '\n');
    for (const auto* widget : window.findChildren<QWidget*>()) {
        const QString name = widget->objectName();
        // Qt's own inner widgets carry names beginning "qt_".
        if (name.isEmpty() || name.startsWith("qt_") || widget->window() != &window) continue;
        const QPoint at = widget->mapTo(&window, QPoint(0, 0));
        lines.push_back(name.toStdString() + ' ' + std::to_string(at.x()) + ' ' + std::to_string(at.y()) + ' ' +
                        std::to_string(widget->width()) + ' ' + std::to_string(widget->height()) +
                        (qobject_cast<const QLabel*>(widget) ? " label\n" : "\n"));
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const auto& line : lines) text += line;
    return text;
}

}  // namespace console
