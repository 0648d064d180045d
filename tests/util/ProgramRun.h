#pragma once
// A program run as a separate process, its output caught in files, for
// tests that run several at once or stop one halfway.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace consoletest {

struct Outcome {
    int status = -1;  // exit code, -1 when killed
    std::string out, err;
};

class ProgramRun {
public:
    // Starts `args` (the program first); its output goes to files named by
    // `stem` in `dir`.
    ProgramRun(std::vector<std::string> args, const std::filesystem::path& dir, const std::string& stem)
        : out_(dir / (stem + ".out")), err_(dir / (stem + ".err")) {
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;
    ~ProgramRun() {
        if (pid_ > 0) Kill();
    }

    Outcome Wait() {
        Outcome o;
        if (pid_ > 0) {
            int status = 0;
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
            o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        o.out = Read(out_);
        o.err = Read(err_);
        return o;
    }
    // Ends the program at once, as a crash or a pulled plug would.
    Outcome Kill() {
        if (pid_ > 0) ::kill(pid_, SIGKILL);
        return Wait();
    }

private:
    static std::string Read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    pid_t pid_ = -1;
    std::filesystem::path out_, err_;
};

}  // namespace consoletest
