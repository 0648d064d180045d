#include "console/devices/Reconnect.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QStatusBar>

#include "console/window/ConsoleApplication.h"
#include "console/widgets/Controls.h"
#include "console/devices/DeviceWatcher.h"
#include "console/window/Form1.h"
#include "console/window/PortComboBox.h"
#include "console/window/StatusTexts.h"

namespace console {

namespace {

constexpr int NoticeTimeoutMs = 15000;

QString FromLocal(const std::string& text) { return QString::fromLocal8Bit(text.c_str()); }

}  // namespace

Reconnect::Reconnect(TForm1& form, DeviceWatcher& watcher, QCheckBox& enabled,
                     std::function<void(const QString&)> note)
    : QObject(&form), form_(form), watcher_(watcher), enabled_(enabled), note_(std::move(note)) {
    connect(&form, &TForm1::PortOpened, this, &Reconnect::PortOpened);
    connect(&form, &TForm1::PortClosed, this, [this] { StopWaiting({}); });
    connect(&form, &TForm1::PortLost, this, &Reconnect::PortLost);
    connect(&watcher, &DeviceWatcher::Appeared, this, &Reconnect::DeviceAppeared);
    // Pressed rather than clicked: the click handler may end in an error box,
    // and the waiting must end all the same.
    connect(&form.OpenButton(), &QPushButton::pressed, this,
            [this] { StopWaiting("Reconnect: stopped waiting"); });
    connect(&enabled, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) StopWaiting("Reconnect: stopped waiting");
    });
}

PortSettings Reconnect::ReadPortGroup() const {
    const auto line = form_.LineSettings();
    return {.name = QFile::encodeName(line.port.currentText()).toStdString(),
            .baud = line.baud.currentText().toStdString(),
            .parity = ItemIndex(&line.parity),
            .stopBits = ItemIndex(&line.stopBits),
            .dtr = line.dtr.isChecked(),
            .rts = line.rts.isChecked()};
}

void Reconnect::WritePortGroup(const PortSettings& settings) const {
    const auto line = form_.LineSettings();
    line.port.setEditText(QFile::decodeName(QByteArray::fromStdString(settings.name)));
    line.baud.setEditText(QString::fromStdString(settings.baud));
    SetItemIndex(&line.parity, settings.parity);
    SetItemIndex(&line.stopBits, settings.stopBits);
    line.dtr.setChecked(settings.dtr);
    line.rts.setChecked(settings.rts);
}

void Reconnect::PortOpened() {
    // The port group was read for this open and nothing has changed it since.
    lastOpen_.emplace(ReadPortGroup(), form_.Comm1().DevicePath());
}

void Reconnect::PortLost() {
    if (!enabled_.isChecked() || !lastOpen_) return;
    waitingSince_ = std::chrono::steady_clock::now();
    const QString path = FromLocal(lastOpen_->DevicePath());
    if (!DeviceWatcher::IsDevicePath(path)) {
        watchedFile_ = path;
        watcher_.WatchFile(path);
    }
    Say("Connection lost: waiting for " + path + " to return", true);
}

void Reconnect::DeviceAppeared(const QString& node, const QStringList& links) {
    if (!Waiting()) return;
    std::vector<std::string> linkNames;
    for (const auto& link : links) linkNames.push_back(QFile::encodeName(link).toStdString());
    if (auto name = lastOpen_->NameToOpen(QFile::encodeName(node).toStdString(), linkNames)) Reopen(*name);
}

void Reconnect::Reopen(const std::string& name) {
    const auto since = *waitingSince_;
    const PortSettings settings = [&] {
        PortSettings s = lastOpen_->Settings();
        s.name = name;
        return s;
    }();
    // One attempt: whatever it gives, the waiting ends here.
    StopWaiting({});
    try {
        WritePortGroup(settings);
        form_.Button1Click();
    } catch (...) {
        Say("Reconnect failed: the port did not open again", false);
        if (auto* app = TApplication::Instance())
            app->HandleException(std::current_exception());
        else
            throw;
        return;
    }
    const auto state = form_.Comm1().ReadLineState();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
    const std::string lineState = state ? DescribeLineState(form_.Comm1().DevicePath(), *state) : name;
    Say(FromLocal(DescribeReconnected(lineState, seconds)), false);
    emit Reconnected();
}

void Reconnect::StopWaiting(const QString& why) {
    if (!Waiting()) return;
    waitingSince_.reset();
    if (!watchedFile_.isEmpty()) watcher_.UnwatchFile(watchedFile_);
    watchedFile_.clear();
    form_.statusBar()->clearMessage();
    if (!why.isEmpty()) Say(why, false);
}

void Reconnect::Say(const QString& text, bool lasting) {
    form_.statusBar()->showMessage(text, lasting ? 0 : NoticeTimeoutMs);
    if (note_) note_(text);
}

}  // namespace console
