#pragma once
// Form1, the console's one window: the port group, the three pages of
// parameters, the send and receive buffers, the serial port component Comm1,
// the send step every command button uses, and the receive handler and Timer2
// that run the reply path. The features beside the window reach its controls
// through the typed accessors below, never by looking a name up.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QList>
#include <QMainWindow>
#include <QStringList>
#include <QTimer>

#include "console/pages/ConsoleHost.h"
#include "console/window/ReplyPath.h"
#include "serial/TComm.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace console {

class NotificationWaker;
class SequenceRunner;
class TPortComboBox;

namespace reply = protocol::reply;

class TForm1 : public QMainWindow, public ConsoleHost {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // ConsoleHost
    int& ReplyMode() override { return replies_.Mode(); }
    bool SendCommand(const std::string& command, std::optional<protocol::ReplyCode> code) override;
    void ShowMessage(const QString& text) override;

    bool PortIsOpen() const { return portIsOpen_; }
    const std::string& ReceivedText() const { return replies_.Text(); }
    serial::TComm& Comm1() { return comm1_; }
    const serial::TComm& Comm1() const { return comm1_; }
    QTimer& Timer2() { return timer2_; }

    // What the features beside the window need of it.
    // Every button that sends a command: the window's own and the pages'.
    QList<QPushButton*> CommandButtons() const;
    // The port group's boxes, and the DTR and RTS boxes beside them.
    struct LineBoxes {
        TPortComboBox& port;
        QComboBox& baud;
        QComboBox& parity;
        QComboBox& stopBits;
        QCheckBox& dtr;
        QCheckBox& rts;
    };
    LineBoxes LineSettings() const {
        return {.port = *SPREALCOM,
                .baud = *ComboBox1,
                .parity = *ComboBox2,
                .stopBits = *ComboBox3,
                .dtr = *CheckBox2,
                .rts = *CheckBox1};
    }
    // "Open"/"Close", the port group's first button.
    QPushButton& OpenButton() const { return *Button1; }
    // "Communication Query", the last button of the port group.
    QPushButton& QueryButton() const { return *Button6; }
    // The items of the system page's inspector box.
    QStringList InspectorItems() const;
    // How long each step of a sequence waits for its answer.
    std::chrono::milliseconds StepTimeout() const { return stepTimeout_; }
    void SetStepTimeout(std::chrono::milliseconds timeout) { stepTimeout_ = timeout; }
    // The one sequence slot: filled once by the assembly that builds the
    // features (MakeConsole); throws std::logic_error while it is empty.
    SequenceRunner& Runner() const;
    void SetRunner(SequenceRunner& runner) { runner_ = &runner; }

    // Handlers.
    void FormCreate();
    void Button1Click();
    void Button6Click();
    void Button26Click();
    void Comm1ReceiveData(serial::TComm& Sender, const std::uint8_t* Buffer, std::uint16_t BufferLength);
    void Comm1ReceiveError(serial::TComm& Sender, std::uint32_t EventMask);
    void Comm1ModemStateChange(serial::TComm& Sender, std::uint32_t ModemEvent);
    void Comm1RequestHangup(serial::TComm& Sender);
    void Timer2Timer();

    // A notice in the status bar (line events, a lost connection, errors met
    // while a message box is open).
    void ShowNotice(const QString& text);

    // Adds a widget to the strip of actions under the receive buffer, after
    // those already there. The strip takes ownership.
    void AddToActionStrip(QWidget* widget);

    // A sequence starts or has ended. While it runs, the receive handler only
    // shows its blocks, at once: no settle wait, no parse into the controls.
    // The sequence reads the answers itself (BlockReceived).
    void SequenceRunning(bool running);

    // How the receive handler waits out its settle wait: a plain sleep of the
    // window's thread. Tests count the waits instead.
    using SettleSleep = std::function<void(std::chrono::milliseconds)>;
    void SetSettleSleep(SettleSleep sleep) { settleSleep_ = std::move(sleep); }

signals:
    // What passes through the window, for the features beside it (traffic
    // log, sequences). Connected slots only observe: they must not send.
    // A command the send step handed to the port (sent) or could not (!sent).
    void CommandSent(const QByteArray& bytes, bool sent);
    // Every block received, before the reply table judges it; `accepted` says
    // whether the receive handler takes it in (shows it, and for a page's
    // reply parses it later).
    void BlockReceived(const QByteArray& bytes, bool accepted);
    // Timer2 ran the parser of `code` on the received text.
    void ReplyParsed(int code);
    // The port was opened, closed by the user, or lost.
    void PortOpened();
    void PortClosed();
    void PortLost(const QString& device);

private:
    // Building the window (Form1Layout.cpp).
    void BuildWindow();
    void BuildHeader(QWidget* client);
    void BuildPortGroup(QWidget* client);
    void BuildPages(QWidget* client);
    void BuildBuffers(QWidget* client);
    void BuildActionStrip(QWidget* client);
    void BuildStatusBar();
    void OrderTabChain();

    void ConfigureComm1();
    void DrainNotifications();
    void EnableTimer2();
    void ShowPortState();
    void ShowTraffic();

    serial::TComm comm1_;
    QTimer timer2_;
    std::unique_ptr<NotificationWaker> notifier_;

    bool portIsOpen_ = false;
    ReplyPath replies_;
    SettleSleep settleSleep_;
    std::chrono::milliseconds stepTimeout_{std::chrono::seconds(3)};
    SequenceRunner* runner_ = nullptr;
    std::uint64_t bytesSent_ = 0;
    std::uint64_t bytesReceived_ = 0;

    // Controls, owned by the window.
    TPortComboBox* SPREALCOM = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button6 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QPushButton* Button8 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QLineEdit* discomm = nullptr;
    QPlainTextEdit* Memo8 = nullptr;
    QPushButton* Button26 = nullptr;
    QComboBox* inspector_ = nullptr;  // the system page's
    QLabel* portState_ = nullptr;
    QLabel* traffic_ = nullptr;
    QWidget* actionStrip_ = nullptr;
};

}  // namespace console
