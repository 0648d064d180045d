#pragma once
// Reply codes: what the console expects next, set by each command, and what
// the receive handler does with a block under each.

namespace protocol::reply {

inline constexpr int None = 0;
inline constexpr int Shown = 100;              // acknowledgements of set commands, "VAR", "PCBSN"
inline constexpr int CustomCommandSet = 106;   // "COMW1" to "COMW6"
inline constexpr int SystemParameters = 201;   // "QX1"
inline constexpr int AnalogChannels = 202;     // "QX2", "QX3"
inline constexpr int TotalizerChannels = 203;  // "QX4", "QX5"
inline constexpr int CustomCommand = 1501;     // "COMR01" to "COMR06"
inline constexpr int ParsingRule = 1502;       // "COMP01" to "COMP06", query and set

// Accepted and parsed when Timer2 fires.
constexpr bool IsParsed(int code) {
    return code == SystemParameters || code == AnalogChannels || code == TotalizerChannels ||
           code == CustomCommand || code == ParsingRule;
}
// Accepted and shown only.
constexpr bool IsShownOnly(int code) { return code == Shown || code == CustomCommandSet; }

}  // namespace protocol::reply
