#include "commission/FileGroup.h"

#include <random>
#include <system_error>

#include "commission/AtomicFile.h"

namespace commission {
namespace {

std::filesystem::path Beside(const std::filesystem::path& target, const char* what) {
    std::random_device random;
    return target.parent_path() / ("." + target.filename().string() + "." + what + "-" + std::to_string(random()));
}

// A message about `from` told about `to`: a temporary name never stands for the file at fault.
std::string Retold(std::string message, const std::string& from, const std::string& to) {
    for (auto at = message.find(from); at != std::string::npos; at = message.find(from, at + to.size()))
        message.replace(at, from.size(), to);
    return message;
}

[[noreturn]] void Fail(const std::filesystem::path& target, const std::string& reason) {
    throw EFileError(target.string() + ": cannot be saved: " + reason);
}

struct Placed {
    std::filesystem::path target;
    std::filesystem::path earlier;  // the file it replaced, kept aside until the group stands
};

}  // namespace

void FileGroup::Add(std::filesystem::path target, std::string bytes) {
    files_.push_back({std::move(target), std::move(bytes)});
}

void FileGroup::Commit(bool replace) {
    std::vector<std::filesystem::path> staged;
    std::vector<Placed> placed;
    auto undo = [&] {
        std::error_code ignored;
        for (const auto& path : staged) std::filesystem::remove(path, ignored);
        for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
            std::filesystem::remove(it->target, ignored);
            if (!it->earlier.empty()) std::filesystem::rename(it->earlier, it->target, ignored);
        }
    };
    try {
        for (const auto& file : files_) {
            std::error_code error;
            const auto status = std::filesystem::symlink_status(file.target, error);
            if (std::filesystem::exists(status)) {
                if (!replace) Fail(file.target, "it exists already");
                if (!std::filesystem::is_regular_file(status)) Fail(file.target, "it is not a regular file");
            }
            const auto temporary = Beside(file.target, "new");
            try {
                WriteFileAtomically(temporary, file.bytes);
            } catch (const EFileError& e) {
                throw EFileError(Retold(e.what(), temporary.string(), file.target.string()));
            }
            staged.push_back(temporary);
        }
        for (std::size_t i = 0; i < files_.size(); ++i) {
            const auto& target = files_[i].target;
            std::error_code error;
            Placed place{.target = target, .earlier = {}};
            if (std::filesystem::exists(std::filesystem::symlink_status(target, error))) {
                if (!replace) Fail(target, "it exists already");
                place.earlier = Beside(target, "old");
                std::filesystem::create_hard_link(target, place.earlier, error);
                if (error) Fail(target, error.message());
                std::filesystem::rename(staged[i], target, error);
            } else {
                // A link never replaces: a file that appeared meanwhile refuses the group.
                std::filesystem::create_hard_link(staged[i], target, error);
                if (error == std::errc::file_exists) Fail(target, "it exists already");
            }
            if (error) {
                std::error_code ignored;
                if (!place.earlier.empty()) std::filesystem::remove(place.earlier, ignored);
                Fail(target, error.message());
            }
            placed.push_back(std::move(place));
        }
    } catch (...) {
        undo();
        throw;
    }
    std::error_code ignored;
    for (const auto& path : staged) std::filesystem::remove(path, ignored);
    for (const auto& place : placed)
        if (!place.earlier.empty()) std::filesystem::remove(place.earlier, ignored);
}

}  // namespace commission
