#pragma once
// Reading a file that a person names, whole and within a limit: only a
// regular file is opened for reading (a FIFO or a terminal cannot hold the
// open), and nothing past the limit is read even if the file grows.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace commission {

// A file that could not be read; the message names the file and the reason.
class EReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of the regular file `path` of at most `limit` bytes. `kind` names
// what the file should be, for messages: "profile" gives "<path>: is a
// folder, not a profile". Throws EReadError.
std::string ReadBoundedFile(const std::string& path, std::size_t limit, std::string_view kind);

}  // namespace commission
