#pragma once
// A timeline of the emulator's line, for tests that judge the console by the
// wire: when each command came in, when each answer started and ended, and
// any command that arrived while an answer was still going out (on a
// half-duplex RS485 line, a collision).

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace emulator {

class WireLog {
public:
    // Nothing is written when `path` is empty. Throws std::runtime_error when it cannot be opened.
    explicit WireLog(const std::string& path);

    void Command(std::string_view bytes);
    void AnswerStart();
    // `pending`: bytes of the other side already waiting when the answer ended.
    void AnswerEnd(std::size_t pending);

private:
    void Line(const std::string& text);

    struct Close {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Close> file_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace emulator
