#pragma once
// Records what passes through the window into the traffic log, from the
// window's own signals. Each block costs a copy and a time stamp; formatting
// happens only when the log window shows it.

#include <QObject>
#include <QString>

#include "console/traffic/TrafficLog.h"

namespace console {

class TForm1;

class TrafficRecorder : public QObject {
    Q_OBJECT
public:
    explicit TrafficRecorder(TForm1& form, TrafficLogLimits limits = {});

    TrafficLog& Log() { return log_; }
    // A port entry with this text ("Reconnected: …").
    void Note(const QString& text);

private:
    void Add(TrafficEntry::Kind kind, std::string bytes);
    // "/dev/ttyUSB0 9600 8N1, DTR on, RTS off"
    std::string DescribeOpenPort() const;

    TForm1& form_;
    TrafficLog log_;
    std::string openPort_;  // the settings of the port open now, for its close
};

}  // namespace console
