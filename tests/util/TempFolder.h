#pragma once
// A fresh folder of a test's own in the system's temporary folder, on Linux
// and on Windows alike; the test removes it.

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

namespace testutil {

// "<temp>/<stem>.<random>", made now and private; throws when none can be made.
inline std::filesystem::path MakeTempFolder(const std::string& stem) {
    std::random_device seed;
    std::mt19937 random(seed());
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto path = base / (stem + "." + std::to_string(random() % 1'000'000'000));
        if (std::filesystem::create_directory(path)) {
            std::filesystem::permissions(path, std::filesystem::perms::owner_all);  // private, as mkdtemp makes it
            return path;
        }
    }
    throw std::runtime_error("no temporary folder under " + base.string());
}

}  // namespace testutil
