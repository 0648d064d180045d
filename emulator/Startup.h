#pragma once
// The converter as the command line starts it, the same on every platform.

#include <optional>

#include "emulator/Converter.h"
#include "emulator/Options.h"
#include "emulator/Replay.h"

namespace emulator {

// Loads --state into the converter, sets its --ack form and reads the
// --replay capture. False, with the reason on standard error, when a file
// does not load (the program then exits with 2).
bool StartConverter(const Options& options, Converter& converter, std::optional<Replay>& replay);

}  // namespace emulator
