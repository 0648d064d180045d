// Figures for several stations sharing one batch log: N `tq410k-cli
// commission --first-serial` at once, each on its own emulator, for several
// rounds. Prints the time per round and units per minute for one station and
// for N side by side, and counts what must never happen (a serial number
// given twice, a unit without its record). Run: build/bench/stations_bench [N] [ROUNDS]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "commission/BatchLog.h"
#include "commission/Profile.h"
#include "tests/util/EmulatorProcess.h"
#include "tests/util/ProgramRun.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

struct Figures {
    double minRound = 1e9, maxRound = 0, total = 0;
    int units = 0, failed = 0, duplicates = 0, withoutRecord = 0;
};

Figures Measure(int stations, int rounds) {
    char pattern[] = "/tmp/tq410k-stations.XXXXXX";
    if (!::mkdtemp(pattern)) std::exit(1);
    const fs::path dir = pattern;
    fs::create_directory(dir / "records");
    const std::string profile = (dir / "line3.json").string();
    commission::SaveProfile(profile, commission::DefaultConfiguration());
    std::vector<std::unique_ptr<consoletest::Emulator>> emulators;
    for (int i = 0; i < stations; ++i) emulators.push_back(std::make_unique<consoletest::Emulator>());

    Figures f;
    for (int round = 0; round < rounds; ++round) {
        const auto begin = Clock::now();
        std::vector<std::unique_ptr<consoletest::ProgramRun>> runs;
        for (int i = 0; i < stations; ++i)
            runs.push_back(std::make_unique<consoletest::ProgramRun>(
                std::vector<std::string>{TQ410K_CLI, "commission", "--port", emulators[i]->port(), profile,
                                         "--first-serial", "1000", "--inspector", "7", "--record",
                                         (dir / "records").string(), "--batch-log", (dir / "batch.csv").string()},
                dir, "station" + std::to_string(i)));
        for (auto& run : runs) f.failed += run->Wait().status != 0;
        const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
        f.minRound = std::min(f.minRound, seconds);
        f.maxRound = std::max(f.maxRound, seconds);
        f.total += seconds;
        f.units += stations;
    }
    std::map<std::string, int> ends;
    const commission::BatchLog log(dir / "batch.csv");
    for (const auto& entry : log.Entries())
        if (entry.result != "STARTED") ++ends[entry.serial];
    for (const auto& [serial, count] : ends) {
        f.duplicates += count - 1;
        f.withoutRecord += !fs::exists(dir / "records" / (serial + ".json"));
    }
    f.withoutRecord += f.units - static_cast<int>(ends.size());
    fs::remove_all(dir);
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    const int stations = argc > 1 ? std::atoi(argv[1]) : 4;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    std::printf("stations  rounds  per round (min-max)  units/min  failed  duplicates  units without record\n");
    for (int n : {1, stations}) {
        const Figures f = Measure(n, rounds);
        std::printf("%8d  %6d  %6.1f-%-6.1f s       %8.1f  %6d  %10d  %20d\n", n, rounds, f.minRound, f.maxRound,
                    60.0 * f.units / f.total, f.failed, f.duplicates, f.withoutRecord);
    }
}
