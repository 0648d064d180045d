#pragma once
// The converter emulator as a separate program, for the end-to-end tests.
// It is a Linux program on a pseudo-terminal; on Windows the tests that need
// it skip before they start one (tests/console/WindowsSkips.h).

#ifdef _WIN32
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace consoletest {

class Emulator {
public:
    explicit Emulator(std::vector<std::string> = {}) {
        throw std::logic_error("the emulator runs as a Linux program; this test should have skipped on Windows");
    }
    // Never reached: the constructor throws.
    const std::string& port() const { return port_; }
    const std::filesystem::path& dir() const { return dir_; }
    bool ended(std::chrono::milliseconds) { return false; }

private:
    std::string port_;
    std::filesystem::path dir_;
};

}  // namespace consoletest
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace consoletest {

// Runs tq410k-emulator with a link to its port in a private folder.
class Emulator {
public:
    explicit Emulator(std::vector<std::string> options = {}) {
        char pattern[] = "/tmp/tq410k-e2e.XXXXXX";
        if (!::mkdtemp(pattern)) throw std::runtime_error("no temporary folder");
        dir_ = pattern;
        link_ = (dir_ / "port").string();
        // TQ410K_EMULATOR in the environment names another copy of the program.
        const char* program = std::getenv("TQ410K_EMULATOR");
        std::vector<std::string> args{program ? program : TQ410K_EMULATOR, "--link", link_};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        const int r = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (r != 0) throw std::runtime_error("cannot start the emulator");
        for (int i = 0; i < 500 && !std::filesystem::exists(link_); ++i) ::usleep(10'000);
    }
    ~Emulator() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    const std::string& port() const { return link_; }
    // Waits for the emulator to end on its own; true when it did.
    const std::filesystem::path& dir() const { return dir_; }
    bool ended(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return true;
            }
            ::usleep(10'000);
        }
        return false;
    }

private:
    pid_t pid_ = -1;
    std::filesystem::path dir_;
    std::string link_;
};

}  // namespace consoletest
#endif
