#pragma once
// Runs one commissioning sequence through the window's send step and reply
// path: feeds it the window's signals, arms its time-out, and calls back
// when it has ended.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QTimer>

#include "commission/Configuration.h"
#include "commission/Sequence.h"

namespace console {

class TForm1;

class SequenceRunner : public QObject {
public:
    SequenceRunner(TForm1& form, QObject* parent);

    // Starts `sequence`; answers it takes go into `record` when given (it
    // must outlive the run). `done` is called once, after the end.
    void Run(commission::Sequence sequence, commission::Configuration* record, std::function<void()> done);
    void Cancel();

    bool Running() const { return sequence_ && sequence_->Running(); }
    const commission::Sequence& Last() const { return *sequence_; }
    // Answers taken whose parse stopped at a field that does not convert.
    const std::vector<std::string>& Faults() const { return faults_; }

private:
    void Do(commission::Sequence::Action action);
    void Later(std::function<commission::Sequence::Action(commission::Sequence&)> event);

    TForm1& form_;
    std::optional<commission::Sequence> sequence_;
    commission::Configuration* record_ = nullptr;
    std::function<void()> done_;
    QTimer stepTimer_;
    bool lastSent_ = false;
    std::string answer_;
    std::vector<std::string> faults_;
};

}  // namespace console
