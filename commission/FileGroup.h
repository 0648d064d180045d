#pragma once
// Files that appear together or not at all, such as a unit's JSON, HTML and
// PDF record: each is first written whole beside its target and flushed;
// only when every one is written are they put in place. A failure removes
// every temporary file and undoes what the group had already put in place,
// so nothing half-written is left behind.

#include <filesystem>
#include <string>
#include <vector>

namespace commission {

class FileGroup {
public:
    void Add(std::filesystem::path target, std::string bytes);

    // Writes and places every file. `replace`: an existing target is replaced
    // (and restored should the group fail); otherwise an existing target
    // refuses the whole group. Throws EFileError naming the target at fault.
    void Commit(bool replace);

private:
    struct File {
        std::filesystem::path target;
        std::string bytes;
    };
    std::vector<File> files_;
};

}  // namespace commission
