#include "serial/TComm.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "serial/PortIo.h"
#include "serial/PortLine.h"
#include "serial/PortThread.h"
#include "serial/ReadThread.h"
#include "serial/ThreadLinks.h"
#include "serial/WriteThread.h"

namespace serial {

namespace {

// Steps above normal priority, as the reader and the writer ask for them.
constexpr int ReaderPriority = 2;
constexpr int WriterPriority = 1;

std::string ReasonOf(int negativeErrno) { return std::strerror(-negativeErrno); }

// Runs `make`; a thread or an event the system refuses becomes the
// component's error with the message given.
template <class Make>
void Making(const char* message, Make make) {
    try {
        make();
    } catch (const std::system_error& e) {
        throw ECommsError(message, ReasonOf(-e.code().value()));
    }
}

// Runs its action when the scope is left, unless dismissed first.
template <class Action>
class Rollback {
public:
    explicit Rollback(Action action) : action_(std::move(action)) {}
    ~Rollback() {
        if (armed_) action_();
    }
    Rollback(const Rollback&) = delete;
    Rollback& operator=(const Rollback&) = delete;
    void Dismiss() noexcept { armed_ = false; }

private:
    Action action_;
    bool armed_ = true;
};

}  // namespace

struct TComm::Impl {
    explicit Impl(std::shared_ptr<PortIo> portIo) : io(std::move(portIo)) {}

    std::shared_ptr<PortIo> io;
    std::string commName = "COM2";
    TLineProperties line;
    TCommTimeouts timeouts;
    std::shared_ptr<NotifyQueue> notify =
        std::make_shared<NotifyQueue>(QueueBound{.Messages = OwnerQueueMessages, .Bytes = OwnerQueueBytes});

    // While open.
    int port = -1;
    std::string devicePath;
    std::shared_ptr<EventFd> stop;
    std::shared_ptr<TimeoutsCell> portTimeouts;
    std::shared_ptr<NotifyQueue> writerQueue;
    std::unique_ptr<PortThread> reader;
    std::unique_ptr<PortThread> writer;
    std::uint64_t openSerial = 0;
    std::uint64_t notificationSerial = 0;

    bool IsOpen() const { return port >= 0; }

    void ApplyLineSettings() { ApplyLine(*io, port, line); }

    void ApplyTimeouts() { portTimeouts->Set(BuildTimeouts(timeouts)); }

    template <class T>
    void SetLine(T& field, T value) {
        if (field == value) return;
        field = value;
        if (IsOpen()) ApplyLineSettings();
    }

    void SetTimeout(std::uint32_t& field, std::uint32_t value) {
        if (field == value) return;
        field = value;
        if (IsOpen()) ApplyTimeouts();
    }

    // Releases the port itself; the threads are gone by now.
    void ReleasePort() {
        io->Unlock(port);
        io->Close(port);
        port = -1;
        stop.reset();
        portTimeouts.reset();
        writerQueue.reset();
    }

    void StopThread(std::unique_ptr<PortThread>& thread, TQueue direction) {
        if (!thread) return;
        stop->Signal();
        io->Flush(port, direction);
        thread->Wait();
        thread.reset();
    }
};

TComm::TComm() : TComm(SystemPortIo()) {}

TComm::TComm(std::shared_ptr<PortIo> io) : impl_(std::make_unique<Impl>(std::move(io))) {}

TComm::~TComm() {
    ClosePort();
    impl_->notify->Close();
}

const std::string& TComm::CommName() const { return impl_->commName; }
void TComm::SetCommName(const std::string& value) { impl_->commName = value; }
std::uint32_t TComm::BaudRate() const { return impl_->line.BaudRate; }
void TComm::SetBaudRate(std::uint32_t value) { impl_->SetLine(impl_->line.BaudRate, value); }
bool TComm::ParityCheck() const { return impl_->line.ParityCheck; }
void TComm::SetParityCheck(bool value) { impl_->SetLine(impl_->line.ParityCheck, value); }
bool TComm::Outx_CtsFlow() const { return impl_->line.Outx_CtsFlow; }
void TComm::SetOutx_CtsFlow(bool value) { impl_->SetLine(impl_->line.Outx_CtsFlow, value); }
bool TComm::Outx_DsrFlow() const { return impl_->line.Outx_DsrFlow; }
void TComm::SetOutx_DsrFlow(bool value) { impl_->SetLine(impl_->line.Outx_DsrFlow, value); }
TDtrControl TComm::DtrControl() const { return impl_->line.DtrControl; }
void TComm::SetDtrControl(TDtrControl value) { impl_->SetLine(impl_->line.DtrControl, value); }
bool TComm::DsrSensitivity() const { return impl_->line.DsrSensitivity; }
void TComm::SetDsrSensitivity(bool value) { impl_->SetLine(impl_->line.DsrSensitivity, value); }
bool TComm::TxContinueOnXoff() const { return impl_->line.TxContinueOnXoff; }
void TComm::SetTxContinueOnXoff(bool value) { impl_->SetLine(impl_->line.TxContinueOnXoff, value); }
bool TComm::Outx_XonXoffFlow() const { return impl_->line.Outx_XonXoffFlow; }
void TComm::SetOutx_XonXoffFlow(bool value) { impl_->SetLine(impl_->line.Outx_XonXoffFlow, value); }
bool TComm::Inx_XonXoffFlow() const { return impl_->line.Inx_XonXoffFlow; }
void TComm::SetInx_XonXoffFlow(bool value) { impl_->SetLine(impl_->line.Inx_XonXoffFlow, value); }
bool TComm::ReplaceWhenParityError() const { return impl_->line.ReplaceWhenParityError; }
void TComm::SetReplaceWhenParityError(bool value) { impl_->SetLine(impl_->line.ReplaceWhenParityError, value); }
bool TComm::IgnoreNullChar() const { return impl_->line.IgnoreNullChar; }
void TComm::SetIgnoreNullChar(bool value) { impl_->SetLine(impl_->line.IgnoreNullChar, value); }
TRtsControl TComm::RtsControl() const { return impl_->line.RtsControl; }
void TComm::SetRtsControl(TRtsControl value) { impl_->SetLine(impl_->line.RtsControl, value); }
std::uint16_t TComm::XonLimit() const { return impl_->line.XonLimit; }
void TComm::SetXonLimit(std::uint16_t value) { impl_->SetLine(impl_->line.XonLimit, value); }
std::uint16_t TComm::XoffLimit() const { return impl_->line.XoffLimit; }
void TComm::SetXoffLimit(std::uint16_t value) { impl_->SetLine(impl_->line.XoffLimit, value); }
TByteSize TComm::ByteSize() const { return impl_->line.ByteSize; }
void TComm::SetByteSize(TByteSize value) { impl_->SetLine(impl_->line.ByteSize, value); }
TParity TComm::Parity() const { return impl_->line.Parity; }
// Stored only: the line takes it at the next OpenPort or the next change of
// another line property.
void TComm::SetParity(TParity value) { impl_->line.Parity = value; }
TStopBits TComm::StopBits() const { return impl_->line.StopBits; }
void TComm::SetStopBits(TStopBits value) { impl_->SetLine(impl_->line.StopBits, value); }
char TComm::XonChar() const { return impl_->line.XonChar; }
void TComm::SetXonChar(char value) { impl_->SetLine(impl_->line.XonChar, value); }
char TComm::XoffChar() const { return impl_->line.XoffChar; }
void TComm::SetXoffChar(char value) { impl_->SetLine(impl_->line.XoffChar, value); }
char TComm::ReplacedChar() const { return impl_->line.ReplacedChar; }
void TComm::SetReplacedChar(char value) { impl_->SetLine(impl_->line.ReplacedChar, value); }
std::uint32_t TComm::ReadIntervalTimeout() const { return impl_->timeouts.ReadIntervalTimeout; }
void TComm::SetReadIntervalTimeout(std::uint32_t value) {
    impl_->SetTimeout(impl_->timeouts.ReadIntervalTimeout, value);
}
std::uint32_t TComm::ReadTotalTimeoutMultiplier() const { return impl_->timeouts.ReadTotalTimeoutMultiplier; }
void TComm::SetReadTotalTimeoutMultiplier(std::uint32_t value) {
    impl_->SetTimeout(impl_->timeouts.ReadTotalTimeoutMultiplier, value);
}
std::uint32_t TComm::ReadTotalTimeoutConstant() const { return impl_->timeouts.ReadTotalTimeoutConstant; }
void TComm::SetReadTotalTimeoutConstant(std::uint32_t value) {
    impl_->SetTimeout(impl_->timeouts.ReadTotalTimeoutConstant, value);
}
std::uint32_t TComm::WriteTotalTimeoutMultiplier() const { return impl_->timeouts.WriteTotalTimeoutMultiplier; }
void TComm::SetWriteTotalTimeoutMultiplier(std::uint32_t value) {
    impl_->SetTimeout(impl_->timeouts.WriteTotalTimeoutMultiplier, value);
}
std::uint32_t TComm::WriteTotalTimeoutConstant() const { return impl_->timeouts.WriteTotalTimeoutConstant; }
void TComm::SetWriteTotalTimeoutConstant(std::uint32_t value) {
    impl_->SetTimeout(impl_->timeouts.WriteTotalTimeoutConstant, value);
}

void TComm::OpenPort() {
    Impl& m = *impl_;
    if (m.IsOpen()) throw ECommsError("This serial port already opened");

    const std::string path = DevicePathForPortName(m.commName);
    const int fd = m.io->Open(path);
    if (fd < 0) throw ECommsError("Error opening serial port", ReasonOf(fd));
    // The port is ours alone: another opener, in this process or another,
    // root included, is refused.
    if (const int r = m.io->Lock(fd); r != 0) {
        m.io->Close(fd);
        throw ECommsError("Error opening serial port", ReasonOf(r));
    }
    m.port = fd;
    // Until both threads are made, a failure lets go of all made so far.
    Rollback rollback([&m] {
        m.StopThread(m.reader, TQueue::Input);  // never started: let go without running
        m.StopThread(m.writer, TQueue::Output);
        m.ReleasePort();
    });
    if (!m.io->IsTerminal(fd)) throw ECommsError("File handle is not a comm handle ", ReasonOf(-ENOTTY));
    // The driver's queues are the kernel's own; there is nothing to size.

    m.devicePath = path;
    m.io->Flush(fd, TQueue::Both);
    Making("Unable to create event", [&m] {
        m.portTimeouts = std::make_shared<TimeoutsCell>();
        m.stop = std::make_shared<EventFd>();
        m.writerQueue = std::make_shared<NotifyQueue>();
    });
    m.ApplyTimeouts();
    m.ApplyLineSettings();

    ThreadLinks links{m.io, fd, m.stop, m.notify, m.openSerial + 1};
    links.Hangup->WriterQueue = m.writerQueue;
    Making("Unable to create read thread", [&] {
        auto body = std::make_shared<TReadThread>(links, m.portTimeouts);
        m.reader = std::make_unique<PortThread>("TComm reader", [body] { body->Run(); });
    });
    m.reader->SetPriority(ReaderPriority);
    Making("Unable to create write thread", [&] {
        auto body = std::make_shared<TWriteThread>(links, m.writerQueue);
        m.writer = std::make_unique<PortThread>("TComm writer", [body] { body->Run(); });
    });
    m.writer->SetPriority(WriterPriority);
    rollback.Dismiss();

    ++m.openSerial;
    m.reader->Start();
    m.writer->Start();
}

void TComm::ClosePort() {
    Impl& m = *impl_;
    if (!m.IsOpen()) return;
    m.StopThread(m.reader, TQueue::Input);
    m.StopThread(m.writer, TQueue::Output);
    m.ReleasePort();
}

bool TComm::SendData(const void* Buffer, std::size_t Length) {
    Impl& m = *impl_;
    if (!m.writer || Length == 0 || Length > MaxSendLength || Buffer == nullptr) return false;
    Block block = CopyToBlock(Buffer, Length);
    if (!block) return false;
    // A refused hand-off (the writer has ended) releases the block here.
    return m.writerQueue->Post(Message{MSG_WRITE_BLOCK, Length, 0, std::move(block), m.openSerial});
}

bool TComm::IsOpen() const { return impl_->IsOpen(); }

const std::string& TComm::DevicePath() const { return impl_->devicePath; }

std::optional<TLineState> TComm::ReadLineState() const {
    if (!impl_->IsOpen()) return std::nullopt;
    return ReadLine(*impl_->io, impl_->port);
}

int TComm::NotifyFd() const { return impl_->notify->Fd(); }

bool TComm::ReceivedDataWaiting() const { return impl_->notify->Holds(MSG_DATA_RECEIVED); }

void TComm::ProcessNotifications() {
    while (ProcessNotification()) {
    }
}

bool TComm::ProcessNotification() {
    Impl& m = *impl_;
    std::optional<Message> message = m.notify->Take();
    if (!message) return false;
    // A handler may drain the queue itself (a modal box runs a nested event
    // loop); when that inner drain ends, the outer handler's open is restored.
    struct RestoreSerial {
        std::uint64_t& serial;
        const std::uint64_t outer;
        ~RestoreSerial() { serial = outer; }
    } restore{m.notificationSerial, m.notificationSerial};
    m.notificationSerial = message->OpenSerial;
    // The block is released when `message` goes, after the handler,
    // whether or not one is assigned, and also when a handler throws.
    switch (message->Number) {
        case MSG_DATA_RECEIVED:
            if (OnReceiveData)
                OnReceiveData(*this, message->Data.get(), static_cast<std::uint16_t>(message->WParam & 0xFFFF));
            break;
        case MSG_RECEIVE_ERROR:
            if (OnReceiveError) OnReceiveError(*this, static_cast<std::uint32_t>(message->LParam));
            break;
        case MSG_REQUEST_HANGUP:
            if (OnRequestHangup) OnRequestHangup(*this);
            break;
        case MSG_MODEM_STATE:
            if (OnModemStateChange) OnModemStateChange(*this, static_cast<std::uint32_t>(message->LParam));
            break;
        case MSG_SEND_EMPTY:
            if (OnSendDataEmpty) OnSendDataEmpty(*this);
            break;
        default:
            break;
    }
    return true;
}

std::uint64_t TComm::OpenSerial() const { return impl_->openSerial; }

std::uint64_t TComm::NotificationOpenSerial() const { return impl_->notificationSerial; }

}  // namespace serial
