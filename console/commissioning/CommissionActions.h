#pragma once
// The commissioning actions of the window, in its action strip: read all,
// write all, verify, save and load a profile, cancel. Runs the commissioning
// library's sequences in the window's one sequence slot.

#include <chrono>
#include <functional>
#include <map>
#include <optional>

#include <QObject>
#include <QString>
#include <QTimer>

#include "commission/Configuration.h"
#include "commission/Outcome.h"
#include "commission/Sequence.h"
#include "commission/Verify.h"

class QPushButton;

namespace console {

class TForm1;

class CommissionActions : public QObject {
public:
    // Adds its buttons to the form's action strip; the form owns it. The
    // form's sequence slot must be filled.
    explicit CommissionActions(TForm1& form);

    void ReadAll();
    void WriteAll();
    void Verify();
    void SaveProfile();
    void LoadProfile();
    void Cancel();

    // A sequence of its own runs (not a batch unit's).
    bool Running() const { return running_; }
    // How long a step waits for its answer (default 3 s): the form's step time-out.
    void SetTimeout(std::chrono::milliseconds timeout);
    // The summary of the last sequence that ended.
    const QString& LastSummary() const { return lastSummary_; }

    // Asks for the profile's file name (saving: for a file to write); an
    // empty answer does nothing. Tests replace the file dialog with this.
    using PathAsker = std::function<QString(bool saving)>;
    void SetPathAsker(PathAsker asker) { askPath_ = std::move(asker); }

    // What the give-up message offers: a search of the line settings (Find…).
    void SetFinder(std::function<void()> find) { find_ = std::move(find); }

    // Asks a yes/no question; tests replace the message box with this.
    using Confirmer = std::function<bool(const QString& question)>;
    void SetConfirmer(Confirmer confirm) { confirm_ = std::move(confirm); }

private:
    using Purpose = commission::Purpose;

    void Begin(Purpose purpose, std::vector<commission::Step> steps);
    void End();
    void ShowRunning(bool running);
    void ShowOtherRunning(bool running);
    void MarkDifferences(const std::vector<commission::Difference>& differences);
    void ClearMarks();
    QString Title() const;

    TForm1& form_;
    bool running_ = false;
    Purpose purpose_ = Purpose::Read;
    commission::Configuration expected_;  // verify: the window's record at the start
    std::vector<std::string> warnings_;   // write: frames with a wrong CRC, shown at the end
    std::size_t stale_ = 0;               // sections the last read all did not read
    std::map<std::string, QMetaObject::Connection> marks_;
    QString lastSummary_;
    PathAsker askPath_;
    Confirmer confirm_;
    std::function<void()> find_;

    QPushButton* readAll_ = nullptr;
    QPushButton* writeAll_ = nullptr;
    QPushButton* verify_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace console
