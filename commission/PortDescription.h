#pragma once
// A port and its line settings in words, the same in every message and record.

#include <cstdint>
#include <string>

#include "serial/TComm.h"

namespace commission {

struct PortLine {
    std::string port;  // as the user named it
    std::uint32_t baud = 9600;
    serial::TByteSize byteSize = serial::TByteSize::_8;
    serial::TParity parity = serial::TParity::None;
    serial::TStopBits stopBits = serial::TStopBits::_1;
};

// "no", "odd", "even", "mark", "space": the parity as the messages name it.
const char* ParityWord(serial::TParity parity);

// The settings a port was opened with.
PortLine PortLineOf(const serial::TComm& comm);

// "9600 baud, 8 data bits, no parity, 1 stop bit"
std::string DescribeSettings(const PortLine& line);
// "9600 baud, no parity, 1 stop bit": the line without its data bits
std::string DescribeLine(const PortLine& line);
// "/dev/ttyUSB0 at 9600 baud, no parity, 1 stop bit", for messages
std::string DescribeLink(const PortLine& line);

}  // namespace commission
