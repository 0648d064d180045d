#pragma once
// The commissioning actions of the window, in its action strip: read all,
// write all, verify, save and load a profile, cancel. Drives the
// commissioning library's sequences from the window's own signals, through
// the window's send step and reply path.

#include <chrono>
#include <functional>
#include <map>
#include <optional>

#include <QObject>
#include <QString>
#include <QTimer>

#include "commission/Configuration.h"
#include "commission/Sequence.h"
#include "commission/Verify.h"
#include "protocol/ReplyPath.h"

class QPushButton;

namespace console {

class TForm1;

class CommissionActions : public QObject {
public:
    // Adds its buttons to the form's action strip; the form owns it.
    explicit CommissionActions(TForm1& form);

    void ReadAll();
    void WriteAll();
    void Verify();
    void SaveProfile();
    void LoadProfile();
    void Cancel();

    bool Running() const { return sequence_ && sequence_->Running(); }
    // How long a step waits for its answer (default 3 s).
    void SetTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
    // The summary of the last sequence that ended.
    const QString& LastSummary() const { return lastSummary_; }

    // Asks for the profile's file name (saving: for a file to write); an
    // empty answer does nothing. Tests replace the file dialog with this.
    using PathAsker = std::function<QString(bool saving)>;
    void SetPathAsker(PathAsker asker) { askPath_ = std::move(asker); }

private:
    enum class Purpose { Read, Write, Verify };

    // The buttons in the action strip.
    void AddButtons();
    // The step time-out, the blocks received and the port going away.
    void FollowTheWindow();
    // A command button pressed while a sequence runs cancels it first.
    void GiveWayToCommandButtons();

    void Begin(Purpose purpose, std::vector<commission::Step> steps, commission::Pace pace);
    void Do(commission::Sequence::Action action);
    // Runs `event` once the window's handler that reported it has returned,
    // if the sequence is still at the step it is at now.
    void AtThisStep(std::function<void()> event);
    // A query's answer, parsed whole by the window's reply path.
    void TakeReply(const protocol::ReplyPath::Parsed& parsed);
    void End();
    void ShowRunning(bool running);
    void MarkDifferences(const std::vector<commission::Difference>& differences);
    void ClearMarks();
    QString Title() const;

    TForm1& form_;
    std::optional<commission::Sequence> sequence_;
    Purpose purpose_ = Purpose::Read;
    QTimer stepTimer_;
    std::chrono::milliseconds timeout_{std::chrono::seconds(3)};
    commission::Configuration expected_;  // verify: the window's record at the start
    std::vector<std::string> warnings_;   // write: frames with a wrong CRC, shown at the end
    commission::Configuration reported_;  // verify: what the converter answered
    commission::Configuration read_;      // read all: what the converter answered
    std::map<std::string, QMetaObject::Connection> marks_;
    QString lastSummary_;
    PathAsker askPath_;

    QPushButton* readAll_ = nullptr;
    QPushButton* writeAll_ = nullptr;
    QPushButton* verify_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace console
