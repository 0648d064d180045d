#pragma once
// The window's one sequence slot: runs one commissioning sequence at a time on
// the window. Sends its commands through the window's send step, feeds it
// every block received and the time, wakes it when its quiet interval or
// time-out is due, and calls back once it has ended. The sequence alone keeps
// and judges the answers; the window's controls stay as they are while it
// runs. A command button of the window or its pages cancels the running
// sequence before it sends: one command is in flight at a time.

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

class SequenceRunner : public QObject {
    Q_OBJECT
public:
    // The form's command buttons must all exist: each cancels the sequence.
    SequenceRunner(TForm1& form, QObject* parent);

    // Starts `sequence`; `done` is called once, after its end. Not while one runs.
    void Run(commission::Sequence sequence, std::function<void()> done);
    void Cancel();

    bool Running() const { return sequence_ && sequence_->Running(); }
    // The sequence that runs or ran last; only after a Run.
    const commission::Sequence& Last() const { return *sequence_; }

signals:
    // A sequence starts (true) or has ended (false, before its `done`).
    void RunningChanged(bool running);

private:
    void Do(commission::Sequence::Action action);

    TForm1& form_;
    std::optional<commission::Sequence> sequence_;
    std::function<void()> done_;
    QTimer stepTimer_;
};

}  // namespace console
