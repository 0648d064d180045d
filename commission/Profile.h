#pragma once
// Profiles: a whole configuration in a JSON file. Keys are the converter's
// parameter words (ADR, MDO, BADR, ..., ZDAD01, ..., COMW1, COMP01), each an
// object of named fields, after a format name and version:
//   { "format": "tq410k-profile", "version": 1, "ADR": { "address": "001" }, ... }
// Item indexes are numbers, edits are texts.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "commission/Commands.h"
#include "commission/Configuration.h"

namespace commission {

inline constexpr std::string_view ProfileFormat = "tq410k-profile";
inline constexpr int ProfileVersion = 1;

// A profile that cannot be read or written; the message names the file (when
// there is one), the key and the fault.
class EProfileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The record as a profile: stable key order, two-space indent, final newline.
std::string ProfileText(const Configuration& record);
// Checks the whole document before it returns a record; throws EProfileError
// "<key>: <fault>" on the first fault met.
Configuration ParseProfile(std::string_view text);

// The largest profile read; a real one is about 20 KiB.
inline constexpr std::size_t MaxProfileBytes = 1024 * 1024;

// The bytes of a regular file of at most MaxProfileBytes; anything else (a
// folder, a device, a FIFO, a bigger file) is refused at once, naming the
// file and the reason. Throws EProfileError.
std::string ReadProfileFile(const std::string& path);
// Reads and checks a file; throws EProfileError "<path>: <key>: <fault>".
Configuration LoadProfile(const std::string& path);
// Writes through a temporary file in the same folder and renames it over
// `path`, so a failed save leaves any earlier file whole. Throws EProfileError.
// A record that a profile could not hold (an index outside the items, a
// value missing) is refused before anything is written.
void SaveProfile(const std::string& path, const Configuration& record);

// What keeps a record from being a profile, one entry per field.
std::vector<FieldFailure> ProfileFaults(const Configuration& record);

}  // namespace commission
