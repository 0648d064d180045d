#include "console/window/Form1.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>

#include "console/pages/ChannelPage.h"
#include "console/window/ConsoleApplication.h"
#include "console/window/NotificationWaker.h"
#include "console/widgets/Controls.h"
#include "console/window/PortComboBox.h"
#include "protocol/ControlNames.h"
#include "protocol/Protocol.h"
#include "serial/PortName.h"
#include "console/window/StatusTexts.h"
#include "console/pages/SystemPage.h"

namespace console {

namespace {

using namespace std::chrono_literals;

// A drain of the notifications hands the thread back after this long.
constexpr auto DrainBudget = ReplyPath::SettleWait;
constexpr int NoticeTimeoutMs = 15000;

QString FromLocal(const std::string& text) { return QString::fromLocal8Bit(text.c_str()); }

// The baud rate of the text picked or typed (the text, not the item index, so
// a typed rate is used as typed). Anything but a whole number above 0 leaves
// the port closed; the message quotes the text as typed.
std::uint32_t BaudRateOf(const QString& text) {
    const std::string typed = text.toUtf8().toStdString();
    const bool latin1 = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
    const auto rate = latin1 ? protocol::TryStrToInt(ToBytes(text)) : std::nullopt;
    if (!rate) throw ETextError("'" + typed + "' is not a valid integer value");
    if (*rate <= 0)
        throw ETextError("Baud rate \"" + typed + "\" is not a whole number above 0; the port stays closed");
    return static_cast<std::uint32_t>(*rate);
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent), settleSleep_([](std::chrono::milliseconds wait) { std::this_thread::sleep_for(wait); }) {
    setObjectName("Form1");
    BuildWindow();
    ConfigureComm1();

    timer2_.setObjectName("Timer2");
    timer2_.setInterval(static_cast<int>(ReplyPath::ParseInterval.count()));
    timer2_.setTimerType(Qt::PreciseTimer);
    connect(&timer2_, &QTimer::timeout, this, &TForm1::Timer2Timer);

    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button6, &QPushButton::clicked, this, &TForm1::Button6Click);
    connect(Button26, &QPushButton::clicked, this, &TForm1::Button26Click);

    notifier_ = std::make_unique<NotificationWaker>(comm1_.NotifyFd(), [this] { DrainNotifications(); });

    if (auto* app = TApplication::Instance())
        app->SetNoticeSink([this](const QString& text) { ShowNotice(text); });

    // The pages of parameters; each belongs to its tab sheet.
    new SystemPage(TabSheet1, *this);
    new ChannelPage(TabSheet2, *this, AnalogPage());
    new ChannelPage(TabSheet3, *this, TotalizerPage());
    OrderTabChain();
    inspector_ = TabSheet1->findChild<QComboBox*>(
        QString::fromLatin1(protocol::control::Inspector.data(), qsizetype(protocol::control::Inspector.size())));

    FormCreate();
}

TForm1::~TForm1() {
    if (auto* app = TApplication::Instance()) app->SetNoticeSink({});
    timer2_.stop();
}

void TForm1::ConfigureComm1() {
    using namespace serial;
    comm1_.SetCommName("COM2");
    comm1_.SetBaudRate(115200);
    comm1_.SetParityCheck(false);
    comm1_.SetOutx_CtsFlow(false);
    comm1_.SetOutx_DsrFlow(false);
    comm1_.SetDtrControl(TDtrControl::DtrEnable);
    comm1_.SetDsrSensitivity(false);
    comm1_.SetTxContinueOnXoff(true);
    comm1_.SetOutx_XonXoffFlow(true);
    comm1_.SetInx_XonXoffFlow(true);
    comm1_.SetReplaceWhenParityError(false);
    comm1_.SetIgnoreNullChar(false);
    comm1_.SetRtsControl(TRtsControl::RtsEnable);
    comm1_.SetXonLimit(500);
    comm1_.SetXoffLimit(500);
    comm1_.SetByteSize(TByteSize::_8);
    comm1_.SetParity(TParity::None);
    comm1_.SetStopBits(TStopBits::_1);
    comm1_.SetXonChar(17);
    comm1_.SetXoffChar(19);
    comm1_.SetReplacedChar(0);
    comm1_.SetReadIntervalTimeout(100);
    comm1_.SetReadTotalTimeoutMultiplier(0);
    comm1_.SetReadTotalTimeoutConstant(0);
    comm1_.SetWriteTotalTimeoutMultiplier(0);
    comm1_.SetWriteTotalTimeoutConstant(0);

    comm1_.OnReceiveData = [this](TComm& sender, const std::uint8_t* buffer, std::uint16_t length) {
        Comm1ReceiveData(sender, buffer, length);
    };
    comm1_.OnReceiveError = [this](TComm& sender, std::uint32_t mask) { Comm1ReceiveError(sender, mask); };
    comm1_.OnModemStateChange = [this](TComm& sender, std::uint32_t event) {
        Comm1ModemStateChange(sender, event);
    };
    comm1_.OnRequestHangup = [this](TComm& sender) { Comm1RequestHangup(sender); };
}

void TForm1::FormCreate() {
    timer2_.stop();
    Button6->setEnabled(true);
    Button1->setEnabled(true);
    ShowPortState();
    ShowTraffic();
}

// ---- The send step ----

bool TForm1::SendCommand(const std::string& command, std::optional<protocol::ReplyCode> code) {
    if (command.size() > 0xFFFF) throw std::length_error("The command is too long to send");
    // A parse still pending for an earlier reply must not run under the new code.
    replies_.Sending(code ? std::optional<int>(protocol::Code(*code)) : std::nullopt);
    if (code) timer2_.stop();
    discomm->setText(FromBytes(command));
    Memo8->clear();
    const bool sent = comm1_.SendData(command.data(), static_cast<std::uint16_t>(command.size()));
    if (sent) {
        bytesSent_ += command.size();
        ShowTraffic();
    } else {
        ShowNotice(comm1_.IsOpen() ? "not sent: the port no longer accepts data"
                                   : "not sent: the port is closed");
    }
    emit CommandSent(QByteArray(command.data(), static_cast<qsizetype>(command.size())), sent);
    return sent;
}

// ---- What the features beside the window reach ----

QList<QPushButton*> TForm1::CommandButtons() const {
    auto buttons = PageControl1->findChildren<QPushButton*>();
    buttons << Button6 << Button8;
    return buttons;
}

QStringList TForm1::InspectorItems() const {
    QStringList items;
    for (int i = 0; inspector_ && i < inspector_->count(); ++i) items << inspector_->itemText(i);
    return items;
}

SequenceRunner& TForm1::Runner() const {
    if (!runner_) throw std::logic_error("the window's sequence slot is empty: build the window with MakeConsole");
    return *runner_;
}

void TForm1::SequenceRunning(bool running) {
    replies_.SequenceRunning(running);
    timer2_.stop();
}

void TForm1::ShowMessage(const QString& text) {
    if (auto* app = TApplication::Instance())
        app->ShowMessage(text);
    else
        QMessageBox::information(this, windowTitle(), text);
}

void TForm1::ShowNotice(const QString& text) { statusBar()->showMessage(text, NoticeTimeoutMs); }

// ---- Opening and closing ----

void TForm1::Button1Click() {
    using namespace serial;
    if (portIsOpen_) {
        portIsOpen_ = false;
        Button1->setText("Open");
        comm1_.ClosePort();
        ShowPortState();
        emit PortClosed();
        return;
    }
    comm1_.ClosePort();
    // The text, not the item index: a typed rate is used as typed.
    comm1_.SetBaudRate(BaudRateOf(ComboBox1->currentText()));
    const int parity = ItemIndex(ComboBox2);
    if (parity < 0)
        throw ETextError(("Parity \"" + ComboBox2->currentText() +
                          "\" is not one of None, Odd, Even; the port stays closed")
                             .toStdString());
    comm1_.SetParity(static_cast<TParity>(parity));
    comm1_.SetStopBits(ItemIndex(ComboBox3) == 1 ? TStopBits::_2 : TStopBits::_1);
    // A port name is a file name: encoded as the file system names it, not as line bytes.
    comm1_.SetCommName(QFile::encodeName(SPREALCOM->currentText()).toStdString());
    comm1_.SetOutx_XonXoffFlow(false);
    comm1_.SetInx_XonXoffFlow(false);
    try {
        comm1_.OpenPort();
    } catch (const ECommsError& e) {
        throw EDetailedError(e.what(),
                             DescribeOpenFailure(e.Reason(), DevicePathForPortName(comm1_.CommName())));
    }
    comm1_.SetDtrControl(CheckBox2->isChecked() ? TDtrControl::DtrEnable : TDtrControl::DtrDisable);
    comm1_.SetRtsControl(CheckBox1->isChecked() ? TRtsControl::RtsEnable : TRtsControl::RtsDisable);
    portIsOpen_ = true;
    Button1->setText("Close");
    ShowPortState();
    emit PortOpened();
}

void TForm1::Button6Click() { SendCommand(protocol::ComposeCommand(protocol::QueryPrefix, "VAR"), protocol::ReplyCode::Shown); }

void TForm1::Button26Click() { Memo8->clear(); }

// ---- Receiving and dispatching ----

void TForm1::DrainNotifications() {
    // Disabled while draining: a message box inside a handler runs a nested
    // event loop, which must not drain the queue a second time.
    notifier_->SetEnabled(false);
    struct Reenable {
        NotificationWaker& notifier;
        ~Reenable() { notifier.SetEnabled(true); }
    } reenable{*notifier_};
    // A block waited for hands the thread back to the window's own events
    // (input, repaints, Timer2) before the next notification: a converter that
    // streams must not keep the window in here for as long as it streams. The
    // notifier fires again at once for what is still queued.
    const auto start = std::chrono::steady_clock::now();
    while (comm1_.ProcessNotification())
        if (std::chrono::steady_clock::now() - start >= DrainBudget) break;
}

void TForm1::Comm1ReceiveData(serial::TComm&, const std::uint8_t* Buffer, std::uint16_t BufferLength) {
    bytesReceived_ += BufferLength;
    ShowTraffic();
    const std::string_view block(reinterpret_cast<const char*>(Buffer), BufferLength);
    // A later block that is already waiting replaces this one anyway; waiting
    // for each of a fast stream would freeze the window.
    const auto received = replies_.BlockReceived(block, comm1_.ReceivedDataWaiting());
    const bool accepted = received.take != ReplyPath::Take::Dropped;
    emit BlockReceived(QByteArray(block.data(), static_cast<qsizetype>(block.size())), accepted);
    if (!accepted) return;  // dropped, and not waited for
    if (received.settle.count() > 0) settleSleep_(received.settle);
    Memo8->setPlainText(FromBytes(replies_.Text()));
    if (received.take == ReplyPath::Take::ShownForParse)
        EnableTimer2();
    else
        timer2_.stop();
}

void TForm1::EnableTimer2() {
    // Enabling a running timer does not restart its interval.
    if (!timer2_.isActive()) timer2_.start();
}

void TForm1::Timer2Timer() {
    timer2_.stop();
    const auto parsed = replies_.Parse();
    if (!parsed) return;
    // A parse that stops at a bad field has still read the reply.
    try {
        ApplyParseResult(this, parsed->result);
    } catch (...) {
        emit ReplyParsed(parsed->code);
        throw;
    }
    emit ReplyParsed(parsed->code);
}

// ---- Line events ----

void TForm1::Comm1RequestHangup(serial::TComm& Sender) {
    // Only the threads of the port open now may close it.
    if (!Sender.IsOpen() || Sender.NotificationOpenSerial() != Sender.OpenSerial()) return;
    const std::string device = Sender.DevicePath();
    portIsOpen_ = false;
    Button1->setText("Open");
    Sender.ClosePort();
    ShowPortState();
    ShowNotice(FromLocal("Connection lost: " + serial::ShownDeviceName(device) + " was closed"));
    emit PortLost(FromLocal(device));
}

void TForm1::Comm1ReceiveError(serial::TComm&, std::uint32_t EventMask) {
    ShowNotice(FromLocal(DescribeLineErrors(EventMask)));
}

void TForm1::Comm1ModemStateChange(serial::TComm&, std::uint32_t ModemEvent) {
    ShowNotice(FromLocal(DescribeModemEvent(ModemEvent)));
}

// ---- Status bar ----

void TForm1::ShowPortState() {
    const auto state = comm1_.IsOpen() ? comm1_.ReadLineState() : std::nullopt;
    portState_->setText(state ? FromLocal(DescribeLineState(comm1_.DevicePath(), *state))
                              : QString("Port closed"));
}

void TForm1::ShowTraffic() { traffic_->setText(FromLocal(DescribeTraffic(bytesSent_, bytesReceived_))); }

}  // namespace console
