#include <grp.h>
#include <sys/stat.h>

#include "console/window/DeviceGroup.h"

namespace console {

std::string DeviceOwnerGroup(const std::string& devicePath) {
    struct stat st {};
    if (::stat(devicePath.c_str(), &st) != 0) return {};
    const struct group* g = ::getgrgid(st.st_gid);
    return g ? g->gr_name : std::string();
}

}  // namespace console
