#pragma once
// What came since a command: kept up to a bound, and read less an echo of the
// command itself at its start (a 2-wire RS485 adapter hears its own
// transmission). Sequences and line scans keep their answers this way.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace commission {

// An answer longer than any reply record set is kept no further.
inline constexpr std::size_t MaxAnswer = 64 * 1024;

// Appends `block` to what came since the command, up to MaxAnswer bytes.
inline void AppendAnswer(std::string& answer, std::string_view block) {
    answer.append(block.substr(0, MaxAnswer - std::min(MaxAnswer, answer.size())));
}

// Nothing while what came is still only the beginning of the echo.
inline std::string_view AfterEcho(std::string_view answer, std::string_view command) {
    if (answer.starts_with(command)) return answer.substr(command.size());
    if (command.starts_with(answer)) return {};
    return answer;
}

}  // namespace commission
