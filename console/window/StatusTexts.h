#pragma once
// Texts the window shows about the port: its state as the driver holds it,
// traffic, line errors, modem-line changes, why an open failed. Plain C++.

#include <cstdint>
#include <string>

#include "serial/TComm.h"

namespace console {

// "/dev/ttyUSB0 9600 8N1"
std::string DescribeLineState(const std::string& devicePath, const serial::TLineState& state);
// "Line error: framing, parity" from the CE_ flags of a receive error.
std::string DescribeLineErrors(std::uint32_t errors);
// "Modem lines: ring, carrier detect changed" from the modem event bits.
std::string DescribeModemEvent(std::uint32_t modemEvent);
// "Sent 11 bytes, received 40 bytes"
std::string DescribeTraffic(std::uint64_t sent, std::uint64_t received);
// The detail text of a failed open: the operating system's reason and, when
// access was refused, how to get it.
std::string DescribeOpenFailure(const std::string& reason, const std::string& devicePath);

}  // namespace console
