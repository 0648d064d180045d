#include "console/traffic/TrafficRecorder.h"

#include "console/window/Form1.h"
#include "console/window/StatusTexts.h"
#include "serial/PortName.h"

namespace console {

TrafficRecorder::TrafficRecorder(TForm1& form, TrafficLogLimits limits)
    : QObject(&form), form_(form), log_(limits) {
    connect(&form, &TForm1::CommandSent, this, [this](const QByteArray& bytes, bool sent) {
        Add(sent ? TrafficEntry::Kind::Sent : TrafficEntry::Kind::NotSent, bytes.toStdString());
    });
    connect(&form, &TForm1::BlockReceived, this, [this](const QByteArray& bytes, bool accepted) {
        Add(accepted ? TrafficEntry::Kind::Received : TrafficEntry::Kind::Dropped, bytes.toStdString());
    });
    connect(&form, &TForm1::PortOpened, this, [this] {
        openPort_ = DescribeOpenPort();
        Add(TrafficEntry::Kind::Port, "Opened: " + openPort_);
    });
    connect(&form, &TForm1::PortClosed, this, [this] { Add(TrafficEntry::Kind::Port, "Closed: " + openPort_); });
    connect(&form, &TForm1::PortLost, this, [this](const QString&) {
        Add(TrafficEntry::Kind::Port, "Lost: " + openPort_);
    });
}

void TrafficRecorder::Note(const QString& text) { Add(TrafficEntry::Kind::Port, text.toStdString()); }

void TrafficRecorder::Add(TrafficEntry::Kind kind, std::string bytes) {
    log_.Append({.time = std::chrono::system_clock::now(), .kind = kind, .bytes = std::move(bytes)});
}

std::string TrafficRecorder::DescribeOpenPort() const {
    auto& comm = form_.Comm1();
    const auto state = comm.ReadLineState();
    std::string text =
        state ? DescribeLineState(comm.DevicePath(), *state) : serial::ShownDeviceName(comm.DevicePath());
    text += comm.DtrControl() == serial::TDtrControl::DtrEnable ? ", DTR on" : ", DTR off";
    text += comm.RtsControl() == serial::TRtsControl::RtsEnable ? ", RTS on" : ", RTS off";
    return text;
}

}  // namespace console
