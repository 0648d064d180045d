#pragma once
// What came since a command, less an echo of the command itself at its
// start: a 2-wire RS485 adapter hears its own transmission.

#include <string_view>

namespace commission {

// Nothing while what came is still only the beginning of the echo.
inline std::string_view AfterEcho(std::string_view answer, std::string_view command) {
    if (answer.starts_with(command)) return answer.substr(command.size());
    if (command.starts_with(answer)) return {};
    return answer;
}

}  // namespace commission
