#include "console/commissioning/SequenceRunner.h"

#include <QStatusBar>

#include "console/window/Form1.h"

namespace console {

using commission::Sequence;
using Kind = Sequence::Action::Kind;

SequenceRunner::SequenceRunner(TForm1& form, QObject* parent) : QObject(parent), form_(form) {
    stepTimer_.setSingleShot(true);
    connect(&stepTimer_, &QTimer::timeout, this, [this] {
        if (Running()) Do(sequence_->TimeOut());
    });
    connect(&form_, &TForm1::CommandSent, this, [this](const QByteArray&, bool sent) {
        lastSent_ = sent;
        answer_.clear();
    });
    connect(&form_, &TForm1::BlockReceived, this, [this](const QByteArray& block, bool accepted) {
        if (!Running()) return;
        if (accepted) answer_.append(block.constData(), static_cast<std::size_t>(block.size()));
        Later([](Sequence& s) { return s.BlockReceived(); });
    });
    connect(&form_, &TForm1::ReplyParsed, this, [this](int code) {
        if (!Running()) return;
        // An answer in pieces is read from every block since the command.
        Later([this, code, text = answer_](Sequence& s) {
            const std::string label = s.CurrentStep().label;
            auto next = s.ReplyParsed(text);
            std::optional<std::string> failed;
            if (next.kind != Kind::Nothing && record_ && commission::FillFromReply(*record_, code, text, &failed) &&
                failed)
                faults_.push_back(label + ": the answer holds '" + *failed + "', not a valid integer value");
            return next;
        });
    });
    auto portGone = [this] {
        if (Running()) Do(sequence_->PortLost());
    };
    connect(&form_, &TForm1::PortClosed, this, portGone);
    connect(&form_, &TForm1::PortLost, this, portGone);
}

void SequenceRunner::Run(Sequence sequence, commission::Configuration* record, std::function<void()> done) {
    sequence_.emplace(std::move(sequence));
    record_ = record;
    done_ = std::move(done);
    faults_.clear();
    Do(sequence_->Start());
}

void SequenceRunner::Cancel() {
    if (Running()) Do(sequence_->Cancel());
}

void SequenceRunner::Later(std::function<Sequence::Action(Sequence&)> event) {
    // The window's handler that emitted the signal finishes first, and an
    // event meant for an earlier step never moves a later one.
    const std::size_t step = sequence_->CurrentIndex();
    QTimer::singleShot(0, this, [this, event = std::move(event), step] {
        if (Running() && sequence_->CurrentIndex() == step) Do(event(*sequence_));
    });
}

void SequenceRunner::Do(Sequence::Action action) {
    switch (action.kind) {
        case Kind::Nothing: return;
        case Kind::Send: {
            const auto& step = sequence_->CurrentStep();
            form_.statusBar()->showMessage(QString::fromStdString(sequence_->Progress()));
            lastSent_ = false;
            form_.SendCommand(step.command, step.code);
            if (const auto next = sequence_->Sent(lastSent_); next.kind != Kind::Nothing) {
                Do(next);
                return;
            }
            stepTimer_.start(static_cast<int>(sequence_->Timeout().count()));
            return;
        }
        case Kind::Finish:
            stepTimer_.stop();
            if (auto done = std::exchange(done_, {})) done();
            return;
    }
}

}  // namespace console
