#pragma once
// Runs one commissioning sequence on the window: sends its commands through
// the window's send step, feeds it every block received and the time, wakes
// it when its quiet interval or time-out is due, and calls back once it has
// ended. The sequence reads the answers itself; the window's controls stay as
// they are while it runs.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include <QObject>
#include <QTimer>

#include "commission/Sequence.h"

namespace console {

class TForm1;

// The port and the line settings it was opened with, for messages:
// "/dev/ttyUSB0 at 9600 baud, no parity, 1 stop bit".
std::string WindowLink(const TForm1& form);

// The step time-out the strip's box holds (3 s without the box).
std::chrono::milliseconds WindowStepTimeout(const TForm1& form);

class SequenceRunner : public QObject {
public:
    SequenceRunner(TForm1& form, QObject* parent);

    // Starts `sequence`; `done` is called once, after its end.
    void Run(commission::Sequence sequence, std::function<void()> done);
    void Cancel();

    bool Running() const { return sequence_ && sequence_->Running(); }
    // The sequence that runs or ran last; only after a Run.
    const commission::Sequence& Last() const { return *sequence_; }

private:
    void Do(commission::Sequence::Action action);

    TForm1& form_;
    std::optional<commission::Sequence> sequence_;
    std::function<void()> done_;
    QTimer stepTimer_;
};

}  // namespace console
