#pragma once
// Writing every byte to a descriptor: partial writes continue, an interrupted
// or would-block write waits for room and tries again.

#include <string_view>

namespace commission {

// False when the descriptor refuses the bytes (errno says why).
bool WriteAll(int fd, std::string_view bytes);

}  // namespace commission
