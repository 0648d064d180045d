#include "emulator/Startup.h"

#include <cstdio>
#include <exception>

#include "emulator/StateFile.h"

namespace emulator {

bool StartConverter(const Options& options, Converter& converter, std::optional<Replay>& replay) {
    try {
        // A profile loads in the converter's own form; the answers then take the one asked for.
        if (!options.state.empty()) LoadState(converter, options.state);
        converter.SetAcknowledgment(options.ack);
        if (!options.replay.empty()) replay.emplace(commission::LoadCapture(options.replay));
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tq410k-emulator: %s\n", e.what());
        return false;
    }
}

}  // namespace emulator
