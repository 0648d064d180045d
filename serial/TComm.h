#pragma once
// TComm: owns one serial port for its owner. It opens and configures the port,
// runs a reader and a writer thread, and hands everything the threads report to
// the owner as events raised on the owner's thread from ProcessNotifications().
//
// Standard library and the operating system only (POSIX or Win32); no toolkit.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "serial/CommTypes.h"
#include "serial/PortName.h"

namespace serial {

class TComm;
class PortIo;

using TReceiveDataEvent =
    std::function<void(TComm& Sender, const std::uint8_t* Buffer, std::uint16_t BufferLength)>;
using TReceiveErrorEvent = std::function<void(TComm& Sender, std::uint32_t EventMask)>;
using TModemStateChangeEvent = std::function<void(TComm& Sender, std::uint32_t ModemEvent)>;
using TNotifyEvent = std::function<void(TComm& Sender)>;
using TSendDataEmptyEvent = std::function<void(TComm& Sender)>;

// The longest block SendData takes.
inline constexpr std::size_t MaxSendLength = 65535;

// How much received data may wait for the owner: past either figure the
// reader reads nothing more until the owner drains (the bytes wait in the
// driver and the line's flow control; none is dropped).
inline constexpr std::size_t OwnerQueueMessages = 10000;
inline constexpr std::size_t OwnerQueueBytes = 1 << 20;

class TComm {
public:
    TComm();  // works on the system's ports
    // Works through the given port I/O (tests script one).
    explicit TComm(std::shared_ptr<PortIo> io);
    ~TComm();  // closes the port first when it is open
    TComm(const TComm&) = delete;
    TComm& operator=(const TComm&) = delete;

    // Published properties. A setter does nothing for an equal value; otherwise
    // it stores the value and, while the port is open, applies the line settings
    // or the time-outs at once. CommName and Parity are only stored.
    const std::string& CommName() const;
    void SetCommName(const std::string& value);
    std::uint32_t BaudRate() const;
    void SetBaudRate(std::uint32_t value);
    bool ParityCheck() const;
    void SetParityCheck(bool value);
    bool Outx_CtsFlow() const;
    void SetOutx_CtsFlow(bool value);
    bool Outx_DsrFlow() const;
    void SetOutx_DsrFlow(bool value);
    TDtrControl DtrControl() const;
    void SetDtrControl(TDtrControl value);
    bool DsrSensitivity() const;
    void SetDsrSensitivity(bool value);
    bool TxContinueOnXoff() const;
    void SetTxContinueOnXoff(bool value);
    bool Outx_XonXoffFlow() const;
    void SetOutx_XonXoffFlow(bool value);
    bool Inx_XonXoffFlow() const;
    void SetInx_XonXoffFlow(bool value);
    bool ReplaceWhenParityError() const;
    void SetReplaceWhenParityError(bool value);
    bool IgnoreNullChar() const;
    void SetIgnoreNullChar(bool value);
    TRtsControl RtsControl() const;
    void SetRtsControl(TRtsControl value);
    std::uint16_t XonLimit() const;
    void SetXonLimit(std::uint16_t value);
    std::uint16_t XoffLimit() const;
    void SetXoffLimit(std::uint16_t value);
    TByteSize ByteSize() const;
    void SetByteSize(TByteSize value);
    TParity Parity() const;
    void SetParity(TParity value);
    TStopBits StopBits() const;
    void SetStopBits(TStopBits value);
    char XonChar() const;
    void SetXonChar(char value);
    char XoffChar() const;
    void SetXoffChar(char value);
    char ReplacedChar() const;
    void SetReplacedChar(char value);
    std::uint32_t ReadIntervalTimeout() const;
    void SetReadIntervalTimeout(std::uint32_t value);
    std::uint32_t ReadTotalTimeoutMultiplier() const;
    void SetReadTotalTimeoutMultiplier(std::uint32_t value);
    std::uint32_t ReadTotalTimeoutConstant() const;
    void SetReadTotalTimeoutConstant(std::uint32_t value);
    std::uint32_t WriteTotalTimeoutMultiplier() const;
    void SetWriteTotalTimeoutMultiplier(std::uint32_t value);
    std::uint32_t WriteTotalTimeoutConstant() const;
    void SetWriteTotalTimeoutConstant(std::uint32_t value);

    // Events, raised only from ProcessNotifications(). An empty handler is skipped.
    TReceiveDataEvent OnReceiveData;
    TReceiveErrorEvent OnReceiveError;
    TModemStateChangeEvent OnModemStateChange;
    TNotifyEvent OnRequestHangup;
    TSendDataEmptyEvent OnSendDataEmpty;

    void OpenPort();   // throws ECommsError
    void ClosePort();  // never throws; nothing to do when closed
    // Copies the bytes and hands them to the writer. False when closed, for
    // length 0 or above MaxSendLength (nothing is sent), once the writer has
    // ended, and after the threads asked for a hang-up.
    bool SendData(const void* Buffer, std::size_t Length);

    bool IsOpen() const;
    // The device path the last OpenPort resolved CommName to ("COM4" ->
    // /dev/ttyS3 on Linux, \\.\COM4 on Windows).
    const std::string& DevicePath() const;
    // The settings the driver holds now; empty while closed.
    std::optional<TLineState> ReadLineState() const;

    // The owner's side of the notification queue: the descriptor is readable
    // while notifications wait (on Windows it is the value of an event handle,
    // signalled meanwhile; WaitReadable() in serial/EventFd.h waits on either);
    // ProcessNotifications() raises them one by one, in posting order, until
    // the queue is empty.
    int NotifyFd() const;
    void ProcessNotifications();
    // Raises the first waiting notification only; false when none waited.
    bool ProcessNotification();
    // Whether a received block waits in the queue, behind the one being handled.
    bool ReceivedDataWaiting() const;

    // Each successful OpenPort gets a new serial number. While a handler runs,
    // NotificationOpenSerial() tells which open's threads posted the message, so
    // an owner can ignore what the threads of an earlier open reported.
    std::uint64_t OpenSerial() const;
    std::uint64_t NotificationOpenSerial() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace serial
