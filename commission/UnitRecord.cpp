#include "commission/UnitRecord.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <ctime>

namespace commission {

std::string UtcNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
#ifdef _WIN32
    ::gmtime_s(&utc, &now);
#else
    ::gmtime_r(&now, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string HostName() {
#ifdef _WIN32
    const char* name = std::getenv("COMPUTERNAME");
    return name ? name : "";
#else
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
#endif
}

std::string UserName() {
    for (const char* variable : {"USER", "LOGNAME", "USERNAME"})
        if (const char* name = std::getenv(variable); name && *name) return name;
#ifndef _WIN32
    if (const passwd* entry = ::getpwuid(::geteuid())) return entry->pw_name;
#endif
    return {};
}

}  // namespace commission
