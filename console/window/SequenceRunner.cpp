#include "console/window/SequenceRunner.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <QPushButton>
#include <QStatusBar>

#include "commission/Outcome.h"
#include "commission/PortDescription.h"
#include "console/window/Form1.h"

namespace console {

using commission::Sequence;
using commission::SequenceClock;
using Kind = Sequence::Action::Kind;

std::string WindowLink(const TForm1& form) { return commission::DescribeLink(commission::PortLineOf(form.Comm1())); }

SequenceRunner::SequenceRunner(TForm1& form, QObject* parent) : QObject(parent), form_(form) {
    stepTimer_.setSingleShot(true);
    stepTimer_.setTimerType(Qt::PreciseTimer);
    connect(&stepTimer_, &QTimer::timeout, this, [this] {
        if (Running()) Do(sequence_->Tick(SequenceClock::now()));
    });
    connect(&form_, &TForm1::BlockReceived, this, [this](const QByteArray& block, bool) {
        // Every block, also one the reply code drops: the sequence judges the
        // whole answer. The reader handed it over after the line's quiet interval.
        if (Running())
            Do(sequence_->BlockReceived(std::string_view(block.constData(), static_cast<std::size_t>(block.size())),
                                        SequenceClock::now() - commission::QuietInterval));
    });
    auto portGone = [this] {
        if (Running()) Do(sequence_->PortLost());
    };
    connect(&form_, &TForm1::PortClosed, this, portGone);
    connect(&form_, &TForm1::PortLost, this, portGone);
    for (auto* button : form_.CommandButtons()) connect(button, &QPushButton::pressed, this, &SequenceRunner::Cancel);
}

void SequenceRunner::Run(Sequence sequence, std::function<void()> done) {
    if (Running()) throw std::logic_error("a sequence is already running on the window");
    sequence_.emplace(std::move(sequence));
    done_ = std::move(done);
    form_.SequenceRunning(true);
    emit RunningChanged(true);
    Do(sequence_->Start());
}

void SequenceRunner::Cancel() {
    if (Running()) Do(sequence_->Cancel());
}

void SequenceRunner::Do(Sequence::Action action) {
    switch (action.kind) {
        case Kind::Nothing: break;
        case Kind::Send: {
            const auto& step = sequence_->CurrentStep();
            form_.statusBar()->showMessage(QString::fromUtf8(sequence_->Progress().c_str()));
            bool sent = false;
            std::string why;
            try {
                sent = form_.SendCommand(step.command, step.code);
            } catch (const std::exception& e) {
                why = e.what();  // a step that cannot be sent ends the sequence as failed
            }
            Do(sequence_->Sent(sent && why.empty(), SequenceClock::now(), why));
            return;
        }
        case Kind::Finish:
            stepTimer_.stop();
            form_.SequenceRunning(false);
            emit RunningChanged(false);
            if (auto done = std::exchange(done_, {})) done();
            return;
    }
    // Wake when the step's quiet interval or its time-out is due.
    if (const auto wake = Running() ? sequence_->WakeAt() : std::nullopt) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*wake - SequenceClock::now());
        stepTimer_.start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count())));
    }
}

}  // namespace console
