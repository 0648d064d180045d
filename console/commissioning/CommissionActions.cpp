#include "console/commissioning/CommissionActions.h"

#include <algorithm>
#include <cstdlib>

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>

#include "commission/Commands.h"
#include "commission/Outcome.h"
#include "console/window/ConsoleApplication.h"
#include "console/window/Form1.h"
#include "commission/Profile.h"
#include "console/commissioning/StepTimeoutBox.h"
#include "console/commissioning/WindowRecord.h"
#include "console/widgets/Marks.h"
#include "console/window/SequenceRunner.h"

namespace console {

namespace {

using commission::Sequence;
using Kind = Sequence::Action::Kind;

QPushButton* MakeStripButton(TForm1& form, const char* name, const QString& caption, const QKeySequence& keys,
                             const QString& tip) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    button->setShortcut(keys);
    button->setToolTip(tip + " (" + keys.toString(QKeySequence::NativeText) + ")");
    button->setFixedSize(button->fontMetrics().horizontalAdvance(caption) + 16, 25);
    form.AddToActionStrip(button);
    return button;
}

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.c_str()); }

}  // namespace

CommissionActions::CommissionActions(TForm1& form) : QObject(&form), form_(form) {
    setObjectName("CommissionActions");
    readAll_ = MakeStripButton(form, "ReadAllButton", "Read all", QKeySequence("Ctrl+R"),
                               "Send every query and fill the window");
    writeAll_ = MakeStripButton(form, "WriteAllButton", "Write all", QKeySequence("Ctrl+W"),
                                "Send every setting of the window");
    // Ctrl+E is a line edit's "end of line": it never reached the button.
    verify_ = MakeStripButton(form, "VerifyButton", "Verify", QKeySequence("Ctrl+Shift+V"),
                              "Read everything back and list what differs from the window");
    save_ = MakeStripButton(form, "SaveProfileButton", "Save\u2026", QKeySequence("Ctrl+S"),
                            "Save the window's settings as a profile");
    load_ = MakeStripButton(form, "LoadProfileButton", "Load\u2026", QKeySequence("Ctrl+O"),
                            "Fill the window from a profile");
    cancel_ = MakeStripButton(form, "CancelSequenceButton", "Cancel", QKeySequence(Qt::Key_Escape),
                              "Stop the running sequence");
    cancel_->setEnabled(false);
    AddStepTimeoutBox(form, [&form](std::chrono::milliseconds timeout) { form.SetStepTimeout(timeout); });
    connect(readAll_, &QPushButton::clicked, this, &CommissionActions::ReadAll);
    connect(writeAll_, &QPushButton::clicked, this, &CommissionActions::WriteAll);
    connect(verify_, &QPushButton::clicked, this, &CommissionActions::Verify);
    connect(save_, &QPushButton::clicked, this, &CommissionActions::SaveProfile);
    connect(load_, &QPushButton::clicked, this, &CommissionActions::LoadProfile);
    connect(cancel_, &QPushButton::clicked, this, &CommissionActions::Cancel);
    connect(&form_.Runner(), &SequenceRunner::RunningChanged, this, [this](bool running) {
        if (!running_) ShowOtherRunning(running);
    });
}

void CommissionActions::SetTimeout(std::chrono::milliseconds timeout) { form_.SetStepTimeout(timeout); }

QString CommissionActions::Title() const {
    switch (purpose_) {
        case Purpose::Read: return "Read all";
        case Purpose::Write: return "Write all";
        case Purpose::Verify: return "Verify";
    }
    return {};
}

void CommissionActions::ReadAll() {
    if (form_.Runner().Running()) return;
    Begin(Purpose::Read, commission::ReadAllSteps());
}

void CommissionActions::WriteAll() {
    if (form_.Runner().Running()) return;
    std::vector<commission::FieldFailure> failures;
    const auto record = ReadWindow(&form_, &failures);
    auto plan = commission::WriteAllSteps(record);
    // A text refused for its characters is named once, not again for its stand-in.
    for (auto& failure : plan.failures)
        if (std::none_of(failures.begin(), failures.end(),
                         [&](const auto& refused) { return refused.control == failure.control; }))
            failures.push_back(std::move(failure));
    if (!failures.empty()) {
        form_.ShowMessage(FromUtf8(commission::DescribeFailures(failures)));
        return;
    }
    warnings_ = commission::FrameWarnings(record);
    Begin(Purpose::Write, std::move(plan.steps));
}

void CommissionActions::Verify() {
    if (form_.Runner().Running()) return;
    ClearMarks();
    expected_ = ReadWindow(&form_);
    Begin(Purpose::Verify, commission::ReadAllSteps());
}

void CommissionActions::Cancel() {
    if (running_) form_.Runner().Cancel();
}

void CommissionActions::Begin(Purpose purpose, std::vector<commission::Step> steps) {
    purpose_ = purpose;
    if (!form_.PortIsOpen()) {
        lastSummary_ = Title() + ": the port is closed; open it first.";
        form_.ShowNotice(lastSummary_);
        return;
    }
    const char* verb = purpose == Purpose::Read ? "Reading" : purpose == Purpose::Write ? "Writing" : "Verifying";
    running_ = true;
    ShowRunning(true);
    form_.Runner().Run(Sequence(verb, std::move(steps), form_.StepTimeout()), [this] { End(); });
}

void CommissionActions::End() {
    const Sequence& sequence = form_.Runner().Last();
    running_ = false;
    ShowRunning(false);
    const auto items = [this](const std::string& control, int index) -> std::optional<std::string> {
        const auto* box = qobject_cast<QComboBox*>(FindSettingControl(&form_, control));
        if (!box || index < 0 || index >= box->count()) return std::nullopt;
        return box->itemText(index).toStdString();
    };
    const auto outcome = commission::Judge(static_cast<commission::Purpose>(purpose_), sequence,
                                           WindowLink(form_), expected_, "window", items);
    QString text = FromUtf8(outcome.text);
    if (purpose_ == Purpose::Read) {
        // What was read whole goes into the window; the rest keeps what it showed.
        ShowInWindow(&form_, sequence.Answers());
        stale_ = outcome.staleSteps.size();
    }
    if (purpose_ == Purpose::Verify) {
        MarkDifferences(outcome.differences);
        if (const auto warnings = commission::FrameWarnings(expected_); !warnings.empty())
            text += "\n\n" + FromUtf8(commission::DescribeWarnings(warnings));
    }
    if (purpose_ == Purpose::Write && !warnings_.empty())
        text += "\n\n" + FromUtf8(commission::DescribeWarnings(warnings_));
    lastSummary_ = text;
    form_.ShowNotice(FromUtf8(outcome.status));
    const bool cancelled = sequence.state() == Sequence::State::Cancelled;
    if (sequence.state() == Sequence::State::GaveUp && find_) {
        // Nothing answered: the line settings may not be the converter's.
        auto* app = TApplication::Instance();
        const QString offer = text + "\n\nFind… tries every baud rate, parity and stop-bit setting on this port "
                                     "until the converter answers.";
        if (app ? app->ShowMessageOffering(offer, "Find…") : (form_.ShowMessage(offer), false)) find_();
        return;
    }
    if (purpose_ == Purpose::Verify ||
        (outcome.verdict == commission::Outcome::Verdict::Failed && !cancelled) ||
        (purpose_ == Purpose::Write && !warnings_.empty()))
        form_.ShowMessage(text);
}

void CommissionActions::ShowRunning(bool running) {
    for (auto* button : {readAll_, writeAll_, verify_, save_, load_}) button->setEnabled(!running);
    cancel_->setEnabled(running);
}

void CommissionActions::ShowOtherRunning(bool running) {
    // Another feature's sequence (a batch unit) holds the port: one sequence at a time.
    for (auto* button : {readAll_, writeAll_, verify_, load_}) button->setEnabled(!running);
}

void CommissionActions::MarkDifferences(const std::vector<commission::Difference>& differences) {
    for (const auto& d : differences) {
        QWidget* widget = FindSettingControl(&form_, d.control);
        if (!widget) continue;
        SetMark(widget, Mark::Differs, true);
        auto unmark = [this, widget, control = d.control] {
            SetMark(widget, Mark::Differs, false);
            disconnect(marks_[control]);
            marks_.erase(control);
        };
        if (auto* box = qobject_cast<QComboBox*>(widget))
            marks_[d.control] = connect(box, &QComboBox::currentTextChanged, this, unmark);
        else if (auto* edit = qobject_cast<QLineEdit*>(widget))
            marks_[d.control] = connect(edit, &QLineEdit::textChanged, this, unmark);
    }
}

void CommissionActions::ClearMarks() {
    for (auto& [control, connection] : marks_) {
        disconnect(connection);
        if (QWidget* widget = FindSettingControl(&form_, control)) SetMark(widget, Mark::Differs, false);
    }
    marks_.clear();
}

void CommissionActions::SaveProfile() {
    if (Running()) return;  // verify shows the converter's values while it reads
    if (stale_ > 0) {
        const QString question = QString("%1 %2 not read; save anyway?")
                                     .arg(stale_)
                                     .arg(stale_ == 1 ? "section was" : "sections were");
        const bool yes = confirm_ ? confirm_(question)
                                  : QMessageBox::question(&form_, "Save profile", question) == QMessageBox::Yes;
        if (!yes) return;
    }
    const QString path = askPath_ ? askPath_(true)
                                  : QFileDialog::getSaveFileName(&form_, "Save profile", {},
                                                                 "Profiles (*.json);;All files (*)");
    if (path.isEmpty()) return;
    try {
        commission::SaveProfile(QFile::encodeName(path).toStdString(), ReadWindow(&form_));
        form_.ShowNotice("Profile saved: " + path);
    } catch (const commission::EProfileError& e) {
        form_.ShowMessage(FromUtf8(e.what()));
    }
}

void CommissionActions::LoadProfile() {
    if (Running()) return;
    const QString path = askPath_ ? askPath_(false)
                                  : QFileDialog::getOpenFileName(&form_, "Load profile", {},
                                                                 "Profiles (*.json);;All files (*)");
    if (path.isEmpty()) return;
    try {
        // Checked whole before the window changes.
        const auto record = commission::LoadProfile(QFile::encodeName(path).toStdString());
        ClearMarks();
        ShowInWindow(&form_, record);
        stale_ = 0;
        form_.ShowNotice("Profile loaded: " + path);
    } catch (const commission::EProfileError& e) {
        form_.ShowMessage(FromUtf8(e.what()));
    }
}

}  // namespace console
