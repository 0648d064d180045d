#pragma once
// The serial component's public types beside TComm: the line property values,
// the error OpenPort raises, and the line settings read back from the driver.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace serial {

enum class TByteSize { _5, _6, _7, _8 };
enum class TParity { None, Odd, Even, Mark, Space };
enum class TStopBits { _1, _1_5, _2 };
enum class TDtrControl { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };

// Raised by OpenPort only. what() is the component's message, exactly;
// Reason() is the operating system's explanation ("Permission denied",
// "Device or resource busy"), empty when there is none.
class ECommsError : public std::runtime_error {
public:
    explicit ECommsError(const std::string& message, std::string reason = {})
        : std::runtime_error(message), reason_(std::move(reason)) {}
    const std::string& Reason() const noexcept { return reason_; }

private:
    std::string reason_;
};

// The line settings the driver actually holds, read back from the port.
struct TLineState {
    std::uint32_t BaudRate = 0;
    int DataBits = 8;
    char Parity = 'N';  // 'N', 'O', 'E', 'M', 'S'
    int StopBits = 1;   // 1 or 2
};

}  // namespace serial
