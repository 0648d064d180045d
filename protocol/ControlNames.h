#pragma once
// The object names of the system page's setting controls, in one table. A
// setting is known by its control's name everywhere: in replies parsed into
// the window, in records and profiles, in messages, and to tests and screen
// readers. The channel pages' names come from protocol/ChannelTable.h, the
// custom command groups' from protocol/CustomCommands.h.

#include <string_view>

namespace protocol::control {

inline constexpr std::string_view SlaveAddress = "Edit1";
inline constexpr std::string_view Monitoring = "ComboBox4";
inline constexpr std::string_view AnalogBase = "ADBESARD";
inline constexpr std::string_view PulseBase = "PUBESARD";
inline constexpr std::string_view ReadInterval = "Edit2";
inline constexpr std::string_view SendInterval = "Edit3";
inline constexpr std::string_view FrameType = "SENDXIEYI";
inline constexpr std::string_view SerialNumber = "PCBSN";
inline constexpr std::string_view Inspector = "JIANZHI";

// The three boxes of one RS485 interface.
struct LineControls {
    std::string_view baud;
    std::string_view parity;
    std::string_view stopBits;
};
inline constexpr LineControls LineIRS485{.baud = "ZMR485BT", .parity = "ZMR485JN", .stopBits = "ZRS485STOP"};
inline constexpr LineControls LineOARS485{.baud = "AMR485BT", .parity = "AMR485JN", .stopBits = "ARS485STOP"};
inline constexpr LineControls LineOBRS485{.baud = "BMR485BT", .parity = "BMR485JN", .stopBits = "BRS485STOP"};

}  // namespace protocol::control
