#include "console/devices/ReconnectTarget.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace console {

namespace fs = std::filesystem;

ReconnectTarget::ReconnectTarget(PortSettings settings, std::string devicePath, const std::string& byIdFolder)
    : settings_(std::move(settings)), devicePath_(std::move(devicePath)) {
    std::error_code error;
    const fs::path device = fs::canonical(devicePath_, error);
    if (error) return;
    for (const auto& entry : fs::directory_iterator(byIdFolder, error)) {
        std::error_code ignored;
        if (entry.path() != devicePath_ && fs::canonical(entry.path(), ignored) == device && !ignored)
            byIdNames_.push_back(entry.path().string());
    }
    std::sort(byIdNames_.begin(), byIdNames_.end());
}

std::optional<std::string> ReconnectTarget::NameToOpen(const std::string& node,
                                                       const std::vector<std::string>& links) const {
    auto named = [&](const std::string& path) {
        return node == path || std::find(links.begin(), links.end(), path) != links.end();
    };
    if (named(devicePath_)) return settings_.name;
    for (const auto& byId : byIdNames_)
        if (named(byId)) return node;
    return std::nullopt;
}

std::string DescribeReconnected(const std::string& lineState, double seconds) {
    char after[40];
    std::snprintf(after, sizeof after, " after %.1f s", seconds);
    return "Reconnected: " + lineState + after;
}

}  // namespace console
