#include "commission/PortDescription.h"

namespace commission {
namespace {

std::string StopBitsText(serial::TStopBits stopBits) {
    switch (stopBits) {
        case serial::TStopBits::_1: return "1 stop bit";
        case serial::TStopBits::_1_5: return "1.5 stop bits";
        case serial::TStopBits::_2: return "2 stop bits";
    }
    return "1 stop bit";
}

}  // namespace

const char* ParityWord(serial::TParity parity) {
    switch (parity) {
        case serial::TParity::None: return "no";
        case serial::TParity::Odd: return "odd";
        case serial::TParity::Even: return "even";
        case serial::TParity::Mark: return "mark";
        case serial::TParity::Space: return "space";
    }
    return "no";
}

PortLine PortLineOf(const serial::TComm& comm) {
    return {.port = comm.CommName(),
            .baud = comm.BaudRate(),
            .byteSize = comm.ByteSize(),
            .parity = comm.Parity(),
            .stopBits = comm.StopBits()};
}

std::string DescribeSettings(const PortLine& line) {
    return std::to_string(line.baud) + " baud, " + std::to_string(5 + static_cast<int>(line.byteSize)) +
           " data bits, " + ParityWord(line.parity) + " parity, " + StopBitsText(line.stopBits);
}

std::string DescribeLine(const PortLine& line) {
    return std::to_string(line.baud) + " baud, " + ParityWord(line.parity) + " parity, " + StopBitsText(line.stopBits);
}

std::string DescribeLink(const PortLine& line) { return line.port + " at " + DescribeLine(line); }

}  // namespace commission
