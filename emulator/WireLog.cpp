#include "emulator/WireLog.h"

#include <stdexcept>

namespace emulator {

WireLog::WireLog(const std::string& path) {
    if (path.empty()) return;
    file_.reset(std::fopen(path.c_str(), "w"));
    if (!file_) throw std::runtime_error("cannot write the wire log " + path);
}

void WireLog::Line(const std::string& text) {
    if (!file_) return;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_);
    std::fprintf(file_.get(), "%lld %s\n", static_cast<long long>(ms.count()), text.c_str());
    std::fflush(file_.get());
}

void WireLog::Command(std::string_view bytes) {
    std::string shown;
    for (char c : bytes) shown += (c >= 0x20 && c < 0x7F) ? c : '.';
    Line("command " + shown);
}

void WireLog::AnswerStart() { Line("answer-start"); }

void WireLog::AnswerEnd(std::size_t pending) {
    Line("answer-end");
    if (pending) Line("overlap " + std::to_string(pending) + " bytes came in while answering");
}

}  // namespace emulator
