#pragma once
// Starting the emulator from a profile: a converter configured like a given unit.

#include <string>

#include "commission/Configuration.h"
#include "emulator/Converter.h"

namespace emulator {

// Stores every setting of the profile at `path` in the converter, through
// the same set commands the console sends. Throws std::runtime_error with a
// message naming the file and the fault; the converter is then unchanged.
void LoadState(Converter& converter, const std::string& path);

}  // namespace emulator

namespace emulator {

// What the converter holds, as a profile record: its answers to the read-all
// queries, and the board identity that no query reports.
commission::Configuration StoredRecord(const Converter& converter);

// Writes StoredRecord as a profile file, atomically. Throws std::runtime_error.
void SaveState(const Converter& converter, const std::string& path);

}  // namespace emulator
