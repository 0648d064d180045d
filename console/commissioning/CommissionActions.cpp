#include "console/commissioning/CommissionActions.h"

#include <algorithm>

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>

#include "commission/Commands.h"
#include "console/window/Form1.h"
#include "commission/Profile.h"
#include "console/commissioning/WindowRecord.h"
#include "console/widgets/Controls.h"
#include "protocol/Protocol.h"

namespace console {

namespace {

using commission::Pace;
using commission::Sequence;
using Kind = Sequence::Action::Kind;

constexpr auto MarkStyle = "background-color: #ffd27f;";

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
    AddButtons();
    FollowTheWindow();
    GiveWayToCommandButtons();
}

void CommissionActions::AddButtons() {
    TForm1& form = form_;
    readAll_ = MakeStripButton(form, "ReadAllButton", "Read all", QKeySequence("Ctrl+R"),
                               "Send every query and fill the window");
    writeAll_ = MakeStripButton(form, "WriteAllButton", "Write all", QKeySequence("Ctrl+W"),
                                "Send every setting of the window");
    verify_ = MakeStripButton(form, "VerifyButton", "Verify", QKeySequence("Ctrl+E"),
                              "Read everything back and list what differs from the window");
    save_ = MakeStripButton(form, "SaveProfileButton", "Save\u2026", QKeySequence("Ctrl+S"),
                            "Save the window's settings as a profile");
    load_ = MakeStripButton(form, "LoadProfileButton", "Load\u2026", QKeySequence("Ctrl+O"),
                            "Fill the window from a profile");
    cancel_ = MakeStripButton(form, "CancelSequenceButton", "Cancel", QKeySequence(Qt::Key_Escape),
                              "Stop the running sequence");
    cancel_->setEnabled(false);
    connect(readAll_, &QPushButton::clicked, this, &CommissionActions::ReadAll);
    connect(writeAll_, &QPushButton::clicked, this, &CommissionActions::WriteAll);
    connect(verify_, &QPushButton::clicked, this, &CommissionActions::Verify);
    connect(save_, &QPushButton::clicked, this, &CommissionActions::SaveProfile);
    connect(load_, &QPushButton::clicked, this, &CommissionActions::LoadProfile);
    connect(cancel_, &QPushButton::clicked, this, &CommissionActions::Cancel);
}

void CommissionActions::FollowTheWindow() {
    stepTimer_.setSingleShot(true);
    connect(&stepTimer_, &QTimer::timeout, this, [this] {
        if (sequence_) Do(sequence_->TimeOut());
    });
    connect(&form_, &TForm1::BlockReceived, this, [this](const QByteArray&, bool) {
        if (!Running()) return;
        AtThisStep([this] { Do(sequence_->BlockReceived()); });
    });
    auto portGone = [this] {
        if (Running()) Do(sequence_->PortLost());
    };
    connect(&form_, &TForm1::PortClosed, this, portGone);
    connect(&form_, &TForm1::PortLost, this, portGone);
}

void CommissionActions::GiveWayToCommandButtons() {
    // A command button of the pages, or the window's own, cancels a running
    // sequence before it sends: one command is in flight at a time.
    QList<QPushButton*> commandButtons;
    if (auto* pages = form_.findChild<QTabWidget*>("PageControl1")) commandButtons = pages->findChildren<QPushButton*>();
    for (const char* name : {"Button6", "Button8"})
        if (auto* button = form_.findChild<QPushButton*>(name)) commandButtons.push_back(button);
    for (auto* button : commandButtons)
        connect(button, &QPushButton::pressed, this, [this] {
            if (Running()) Cancel();
        });
}

QString CommissionActions::Title() const {
    switch (purpose_) {
        case Purpose::Read: return "Read all";
        case Purpose::Write: return "Write all";
        case Purpose::Verify: return "Verify";
    }
    return {};
}

void CommissionActions::ReadAll() {
    if (Running()) return;
    read_ = {};
    Begin(Purpose::Read, commission::ReadAllSteps(), Pace::ReplyParsed);
}

void CommissionActions::WriteAll() {
    if (Running()) return;
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
    Begin(Purpose::Write, std::move(plan.steps), Pace::BlockReceived);
}

void CommissionActions::Verify() {
    if (Running()) return;
    ClearMarks();
    expected_ = ReadWindow(&form_);
    reported_ = {};
    Begin(Purpose::Verify, commission::ReadAllSteps(), Pace::ReplyParsed);
}

void CommissionActions::Cancel() {
    if (Running()) Do(sequence_->Cancel());
}

void CommissionActions::Begin(Purpose purpose, std::vector<commission::Step> steps, Pace pace) {
    purpose_ = purpose;
    if (!form_.PortIsOpen()) {
        lastSummary_ = Title() + ": the port is closed; open it first.";
        form_.ShowNotice(lastSummary_);
        return;
    }
    const char* verb = purpose == Purpose::Read ? "Reading" : purpose == Purpose::Write ? "Writing" : "Verifying";
    sequence_.emplace(verb, std::move(steps), pace, timeout_);
    // The queries' answers come here whole, not into the controls behind the
    // sequence's back.
    if (pace == Pace::ReplyParsed)
        form_.TakeReplies([this](const protocol::ReplyPath::Parsed& parsed) { TakeReply(parsed); });
    ShowRunning(true);
    Do(sequence_->Start());
}

void CommissionActions::AtThisStep(std::function<void()> event) {
    // The window's handler that reported it must finish first (it may still
    // be taking the block in); and an event meant for an earlier step must not
    // move a later one.
    const std::size_t step = sequence_->CurrentIndex();
    QTimer::singleShot(0, this, [this, event = std::move(event), step] {
        if (Running() && sequence_->CurrentIndex() == step) event();
    });
}

void CommissionActions::TakeReply(const protocol::ReplyPath::Parsed& parsed) {
    AtThisStep([this, parsed] {
        const auto next = sequence_->ReplyParsed(parsed.text);
        std::optional<std::string> failed;
        // One parse fills the record and, for read all, the controls: verify
        // leaves the window as it was, to compare with.
        if (next.kind != Kind::Nothing) {
            failed = commission::Apply(purpose_ == Purpose::Verify ? reported_ : read_, parsed.result);
            if (purpose_ == Purpose::Read) ApplyAssignments(&form_, parsed.result);
        }
        Do(next);
        if (failed) throw protocol::EConvertError(*failed);
    });
}

void CommissionActions::Do(Sequence::Action action) {
    switch (action.kind) {
        case Kind::Nothing: return;
        case Kind::Send: {
            const auto& step = sequence_->CurrentStep();
            form_.statusBar()->showMessage(FromUtf8(sequence_->Progress()));
            const bool sent = form_.SendCommand(step.command, step.code);
            if (const auto next = sequence_->Sent(sent); next.kind != Kind::Nothing) {
                Do(next);
                return;
            }
            stepTimer_.start(static_cast<int>(sequence_->Timeout().count()));
            return;
        }
        case Kind::Finish:
            stepTimer_.stop();
            End();
            return;
    }
}

void CommissionActions::End() {
    form_.TakeReplies({});
    ShowRunning(false);
    const QString summary = FromUtf8(sequence_->Summary(Title().toStdString()));
    lastSummary_ = summary;
    const bool completed = sequence_->state() == Sequence::State::Completed;
    const bool allAnswered = completed && sequence_->Unanswered().empty();
    if (purpose_ == Purpose::Verify) {
        // Mark where the converter differs from what the window holds.
        if (!completed) {
            form_.ShowNotice(summary);
            return;
        }
        const auto differences = commission::Compare(expected_, reported_);
        QString text = FromUtf8(commission::DescribeDifferences(differences, "window"));
        if (!allAnswered) text = summary + "\n" + text;
        if (const auto warnings = commission::FrameWarnings(expected_); !warnings.empty())
            text += "\n\n" + FromUtf8(commission::DescribeWarnings(warnings));
        lastSummary_ = text;
        form_.ShowNotice(differences.empty() ? QString("Verify: no differences")
                                             : QString("Verify: %1 differences").arg(differences.size()));
        MarkDifferences(differences);
        form_.ShowMessage(text);
        return;
    }
    form_.ShowNotice(summary);
    QString text = summary;
    bool showBox = completed && !allAnswered;
    if (completed && purpose_ == Purpose::Write && !warnings_.empty()) {
        text += "\n\n" + FromUtf8(commission::DescribeWarnings(warnings_));
        showBox = true;
    }
    lastSummary_ = text;
    if (showBox) form_.ShowMessage(text);
}

void CommissionActions::ShowRunning(bool running) {
    for (auto* button : {readAll_, writeAll_, verify_, save_, load_}) button->setEnabled(!running);
    cancel_->setEnabled(running);
}

void CommissionActions::MarkDifferences(const std::vector<commission::Difference>& differences) {
    for (const auto& d : differences) {
        QWidget* widget = FindSettingControl(&form_, d.control);
        if (!widget) continue;
        widget->setStyleSheet(MarkStyle);
        widget->setProperty("differs", true);
        auto unmark = [this, widget, control = d.control] {
            widget->setStyleSheet({});
            widget->setProperty("differs", false);
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
        if (QWidget* widget = FindSettingControl(&form_, control)) {
            widget->setStyleSheet({});
            widget->setProperty("differs", false);
        }
    }
    marks_.clear();
}

void CommissionActions::SaveProfile() {
    if (Running()) return;  // verify shows the converter's values while it reads
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
        form_.ShowNotice("Profile loaded: " + path);
    } catch (const commission::EProfileError& e) {
        form_.ShowMessage(FromUtf8(e.what()));
    }
}

}  // namespace console
