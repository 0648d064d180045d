#include "console/commissioning/FindDialog.h"

#include <algorithm>
#include <string>

#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "console/window/Form1.h"
#include "console/window/PortComboBox.h"
#include "console/window/SequenceRunner.h"

namespace console {

namespace {

using commission::LineScan;
using commission::SequenceClock;
using Kind = LineScan::Action::Kind;

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

// The port group's item indexes of a setting (parity None, Odd, Even; stop bits 1, 2).
int ParityIndex(serial::TParity p) { return p == serial::TParity::Odd ? 1 : p == serial::TParity::Even ? 2 : 0; }
int StopIndex(serial::TStopBits s) { return s == serial::TStopBits::_2 ? 1 : 0; }

}  // namespace

FindDialog::FindDialog(TForm1& form) : QDialog(&form), form_(form) {
    setObjectName("FindDialog");
    setWindowTitle("Find the converter");
    // The window's port belongs to the search while it runs.
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    text_ = new QLabel(this);
    text_->setObjectName("FindProgressText");
    text_->setMinimumWidth(380);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("FindProgress");
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setObjectName("FindCancelButton");
    layout->addWidget(new QLabel("Trying the line settings of the port group until the converter answers.", this));
    layout->addWidget(new QLabel("Only queries are sent: nothing in the converter changes.", this));
    layout->addWidget(text_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    connect(cancel_, &QPushButton::clicked, this, [this] { Cancel(); });
    connect(this, &QDialog::rejected, this, [this] { Cancel(); });  // Escape, the window's close box

    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (Running()) Do(scan_->Tick(SequenceClock::now()));
    });
    connect(&form_, &TForm1::BlockReceived, this, [this](const QByteArray& block, bool) {
        if (Running())
            Do(scan_->BlockReceived(std::string_view(block.constData(), static_cast<std::size_t>(block.size())),
                                    SequenceClock::now() - commission::QuietInterval));
    });
    auto portGone = [this] {
        if (Running() && !reopening_) Do(scan_->PortLost());
    };
    connect(&form_, &TForm1::PortClosed, this, portGone);
    connect(&form_, &TForm1::PortLost, this, portGone);
}

void FindDialog::Start() {
    if (Running()) return;
    // One user of the port at a time: a sequence or a batch unit runs to its end first.
    if (form_.Runner().Running()) {
        form_.ShowNotice("Find: a sequence is running on the port; cancel it first.");
        return;
    }
    const auto line = form_.LineSettings();
    before_ = {.baud = line.baud.currentText(),
               .parity = line.parity.currentIndex(),
               .stopBits = line.stopBits.currentIndex(),
               .open = form_.PortIsOpen()};
    report_.clear();
    scan_.emplace(commission::ScanOptions{});
    bar_->setRange(0, static_cast<int>(scan_->Settings().size()));
    bar_->setValue(0);
    show();
    raise();
    form_.SequenceRunning(true);  // blocks are only shown: nothing is parsed into the pages
    Do(scan_->Start());
}

void FindDialog::Cancel() {
    if (Running()) Do(scan_->Cancel());
}

void FindDialog::SetPortGroup(const QString& baud, int parity, int stopBits) {
    const auto line = form_.LineSettings();
    const int index = line.baud.findText(baud);
    if (index >= 0) line.baud.setCurrentIndex(index);
    else line.baud.setEditText(baud);
    line.parity.setCurrentIndex(parity);
    line.stopBits.setCurrentIndex(stopBits);
}

void FindDialog::ClosePort() {
    if (!form_.PortIsOpen()) return;
    reopening_ = true;
    form_.Button1Click();
    reopening_ = false;
}

bool FindDialog::OpenAt(const commission::LineSetting& s, std::string& why) {
    ClosePort();
    SetPortGroup(QString::number(s.baud), ParityIndex(s.parity), StopIndex(s.stopBits));
    try {
        form_.Button1Click();
    } catch (const std::exception& e) {
        why = e.what();
    }
    return form_.PortIsOpen();
}

void FindDialog::Do(LineScan::Action action) {
    for (;;) {
        if (action.kind == Kind::Open) {
            std::string why;
            const bool opened = OpenAt(scan_->CurrentSetting(), why);
            action = scan_->Opened(opened, why);
        } else if (action.kind == Kind::Send) {
            const auto progress = FromUtf8(scan_->Progress());
            text_->setText(progress);
            form_.statusBar()->showMessage(progress);
            bar_->setValue(static_cast<int>(scan_->Tried()));
            bool sent = false;
            try {
                // Shown in the receive buffer, never parsed into the pages.
                sent = form_.SendCommand(scan_->CurrentCommand(), protocol::ReplyCode::Shown);
            } catch (const std::exception&) {
                sent = false;
            }
            action = scan_->Sent(sent, SequenceClock::now());
        } else {
            break;
        }
    }
    if (action.kind == Kind::Finish) {
        Finish();
        return;
    }
    if (const auto wake = scan_->WakeAt()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*wake - SequenceClock::now());
        timer_.start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count())));
    }
}

void FindDialog::Restore() {
    ClosePort();
    SetPortGroup(before_.baud, before_.parity, before_.stopBits);
    if (!before_.open) return;
    try {
        form_.Button1Click();
    } catch (const std::exception& e) {
        form_.ShowNotice(FromUtf8(e.what()));
    }
}

void FindDialog::Finish() {
    timer_.stop();
    form_.SequenceRunning(false);
    hide();
    const std::string port = form_.LineSettings().port.currentText().toStdString();
    report_ = FromUtf8(scan_->Report(port)).trimmed();
    const auto& found = scan_->Found();
    if (scan_->state() == LineScan::State::Finished && !found.empty()) {
        const auto& f = found.front();
        const QString question = report_ + "\n\nSet the port group to " +
                                 FromUtf8(commission::DescribeSetting(f.setting)) + " and open the port?";
        const bool yes = confirm_ ? confirm_(question)
                                  : QMessageBox::question(&form_, "Find", question) == QMessageBox::Yes;
        if (yes) {
            std::string why;
            if (!OpenAt(f.setting, why)) form_.ShowMessage(FromUtf8(why));
            form_.ShowNotice(FromUtf8("TQ410-K at " + commission::DescribeSetting(f.setting)));
            return;
        }
        Restore();
        return;
    }
    Restore();
    form_.ShowNotice(scan_->state() == LineScan::State::Cancelled ? report_ : QString("Find: no TQ410-K found"));
    if (scan_->state() != LineScan::State::Cancelled) form_.ShowMessage(report_);
}

FindDialog& FindDialogOf(TForm1& form) {
    auto* dialog = static_cast<FindDialog*>(form.findChild<QDialog*>("FindDialog"));
    return dialog ? *dialog : *new FindDialog(form);
}

void AddFindButton(TForm1& form) {
    auto* button = new QPushButton("Find…", form.centralWidget());
    button->setObjectName("FindButton");
    button->setToolTip("Try every baud rate, parity and stop-bit setting on this port until the converter answers");
    // Beside the port group, level with its buttons, under the contact lines.
    button->setGeometry(808, 72, 65, 25);
    QWidget::setTabOrder(&form.QueryButton(), button);
    QObject::connect(button, &QPushButton::clicked, &form, [&form] { FindDialogOf(form).Start(); });
}

}  // namespace console
