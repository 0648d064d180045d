#pragma once
// The way of a reply through the window: what a received block does under
// the reply code in force (dropped; shown; shown and parsed later), the
// 255-character cut, and the wait before the parse. Driven by events; the
// window supplies the clock and the timer (Timer2). While a sequence runs,
// the sequence alone keeps and judges the answers: the path only shows its
// blocks, at once, and parses nothing.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/ParseReply.h"

namespace console {

class ReplyPath {
public:
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;

    // The receive handler waits this long before it takes a block in, so that
    // a reply sent in pieces has settled; the parse follows one timer interval later.
    static constexpr std::chrono::milliseconds SettleWait{300};
    static constexpr std::chrono::milliseconds ParseInterval{300};
    static constexpr std::size_t MaxText = 255;

    explicit ReplyPath(Now now = Clock::now) : now_(std::move(now)) {}

    // The code of the reply expected next.
    int& Mode() { return mode_; }
    int Mode() const { return mode_; }

    // A command goes out: with a code, the mode takes it and a parse still
    // pending for an earlier reply is dropped.
    void Sending(std::optional<int> code);

    enum class Take { Dropped, Shown, ShownForParse };
    struct Received {
        Take take = Take::Dropped;
        // How long the driver waits before it shows the text: none when a
        // later block is already waiting, as it replaces this one anyway,
        // and none while a sequence runs.
        std::chrono::milliseconds settle{0};
    };
    // A block arrived. Shown: the text is its first 255 bytes, and a pending
    // parse is dropped. For parse: the parse is due one settle wait and one
    // interval after the first such block; a later block does not move it.
    // While a sequence runs, a block the code takes is only shown.
    Received BlockReceived(std::string_view block, bool laterBlockWaiting);

    // The text shown and parsed: the last block taken in, cut.
    const std::string& Text() const { return text_; }

    // A sequence starts (on) or has ended (off). Starting drops a pending
    // parse; at the end the code is None: what still comes answers a step of
    // the sequence, and no control takes it.
    void SequenceRunning(bool on);
    bool SequenceRunning() const { return sequence_; }

    bool ParsePending() const { return parseAt_.has_value(); }
    std::optional<Clock::time_point> ParseAt() const { return parseAt_; }
    bool ParseDue() const { return parseAt_ && now_() >= *parseAt_; }
    void CancelParse() { parseAt_.reset(); }

    struct Parsed {
        int code = protocol::Code(protocol::ReplyCode::None);  // the code the parse ran under
        protocol::ParseResult result;      // its assignments; the reply code ones are applied already
        std::string text;        // what was parsed
    };
    // Runs the parser of the current code (ending any pending parse); the
    // mode follows the parse. Nothing when no parser belongs to the code, and
    // nothing while a sequence runs.
    std::optional<Parsed> Parse();

private:
    Now now_;
    int mode_ = protocol::Code(protocol::ReplyCode::None);
    std::string text_;
    bool sequence_ = false;
    std::optional<Clock::time_point> parseAt_;
};

}  // namespace console
