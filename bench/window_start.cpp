// window_start: how long a window program takes from its start to a mapped
// window, and its resident memory once shown, on the X display in $DISPLAY
// (run it under xvfb-run). Programs are started in turn, run after run, so
// that each sees the same machine; prints each one's figures as ranges.
//
//   window_start [--runs N] [--settle-ms M] NAME=TITLE=COMMAND... ...
//
// Each program is given as its label, a part of its window title, and its
// command line (words separated by spaces), e.g.
//   window_start "console=TQ410-K=build/app/tq410k-console" "cutecom=CuteCom=cutecom"
// The memory is that of the newest process whose command line holds the
// program's first word's file name (under Wine: the .exe's own process).

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Program {
    std::string label;
    std::string title;
    std::vector<std::string> words;
    std::vector<double> seconds;
    std::vector<double> megabytes;
};

std::optional<Program> ParseProgram(const std::string& spec) {
    const auto first = spec.find('=');
    const auto second = first == std::string::npos ? first : spec.find('=', first + 1);
    if (second == std::string::npos) return std::nullopt;
    Program p{.label = spec.substr(0, first),
              .title = spec.substr(first + 1, second - first - 1),
              .words = {},
              .seconds = {},
              .megabytes = {}};
    std::istringstream words(spec.substr(second + 1));
    for (std::string w; words >> w;) p.words.push_back(w);
    if (p.words.empty()) return std::nullopt;
    return p;
}

bool TitleHolds(Display* display, Window window, const std::string& part) {
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || !name) return false;
    const bool holds = std::strstr(name, part.c_str()) != nullptr;
    XFree(name);
    return holds;
}

// Resident memory in MB of the newest process whose command line holds `needle`.
double ResidentMb(const std::string& needle) {
    long newest = -1;
    double mb = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream cmd(entry.path() / "cmdline", std::ios::binary);
        std::string line((std::istreambuf_iterator<char>(cmd)), {});
        std::replace(line.begin(), line.end(), '\0', ' ');
        if (line.find(needle) == std::string::npos || line.find("window_start") != std::string::npos) continue;
        std::ifstream status(entry.path() / "status");
        for (std::string l; std::getline(status, l);)
            if (l.rfind("VmRSS:", 0) == 0 && std::stol(pid) > newest) {
                newest = std::stol(pid);
                mb = std::stod(l.substr(6)) / 1024.0;
            }
    }
    return mb;
}

// Starts the program, waits for its window to be mapped: the seconds taken, or
// nothing after 60 s. The memory is read `settle` later; the program is then ended.
std::optional<double> RunOnce(Display* display, Program& program, std::chrono::milliseconds settle) {
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True);  // drops events of earlier runs
    std::vector<char*> argv;
    for (auto& w : program.words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    // The programs' own messages would mix with the figures.
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    const int error = posix_spawnp(&pid, argv[0], &files, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attr);
    if (error != 0) {
        std::fprintf(stderr, "window_start: cannot start %s: %s\n", argv[0], std::strerror(error));
        return std::nullopt;
    }
    std::optional<double> seconds;
    while (!seconds && Clock::now() - start < std::chrono::seconds(60)) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && TitleHolds(display, event.xmap.window, program.title))
                seconds = std::chrono::duration<double>(Clock::now() - start).count();
        }
        if (!seconds) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (seconds) {
        std::this_thread::sleep_for(settle);
        program.megabytes.push_back(
            ResidentMb(std::filesystem::path(program.words.back().find(".exe") != std::string::npos
                                                 ? program.words.back()
                                                 : program.words.front())
                           .filename()
                           .string()));
    }
    ::kill(-pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return seconds;
}

std::string Range(std::vector<double> v, const char* format) {
    if (v.empty()) return "-";
    std::sort(v.begin(), v.end());
    char text[96];
    const double median = v[v.size() / 2];
    std::string f = std::string("median ") + format + ", " + format + " to " + format;
    std::snprintf(text, sizeof text, f.c_str(), median, v.front(), v.back());
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 9;
    int settleMs = 1000;
    std::vector<Program> programs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--settle-ms" && i + 1 < argc) {
            settleMs = std::max(0, std::atoi(argv[++i]));
        } else if (auto p = ParseProgram(arg)) {
            programs.push_back(std::move(*p));
        } else {
            std::fprintf(stderr, "window_start: cannot read %s (LABEL=TITLE=COMMAND, --runs N, --settle-ms M)\n",
                         argv[i]);
            return 2;
        }
    }
    if (programs.empty()) {
        std::fprintf(stderr, "usage: window_start [--runs N] [--settle-ms M] LABEL=TITLE=COMMAND...\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "window_start: no X display (run it under xvfb-run)\n");
        return 2;
    }
    for (int run = 0; run < runs; ++run)
        for (auto& program : programs)
            if (auto s = RunOnce(display, program, std::chrono::milliseconds(settleMs)))
                program.seconds.push_back(*s);
            else
                std::fprintf(stderr, "window_start: %s showed no window titled \"%s\"\n", program.label.c_str(),
                             program.title.c_str());
    std::printf("%d runs each, in turn; start to a mapped window, then resident memory %d ms later\n", runs,
                settleMs);
    for (const auto& p : programs)
        std::printf("  %-10s %s s; %s MB\n", p.label.c_str(), Range(p.seconds, "%.3f").c_str(),
                    Range(p.megabytes, "%.0f").c_str());
    XCloseDisplay(display);
    return 0;
}
