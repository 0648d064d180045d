#pragma once
// Reply codes: what the console expects next, set by each command, and what
// the receive handler does with a block under each. The window's reply mode
// holds a code as an integer; any other number in it takes no block.

namespace protocol {

enum class ReplyCode : int {
    None = 0,
    Shown = 100,              // acknowledgements of set commands, "VAR", "PCBSN"
    CustomCommandSet = 106,   // "COMW1" to "COMW6"
    SystemParameters = 201,   // "QX1"
    AnalogChannels = 202,     // "QX2", "QX3"
    TotalizerChannels = 203,  // "QX4", "QX5"
    CustomCommand = 1501,     // "COMR01" to "COMR06"
    ParsingRule = 1502,       // "COMP01" to "COMP06", query and set
};

// The number the window's reply mode holds for a code.
constexpr int Code(ReplyCode code) { return static_cast<int>(code); }

namespace reply {

// Accepted and parsed when Timer2 fires.
constexpr bool IsParsed(int mode) {
    for (auto code : {ReplyCode::SystemParameters, ReplyCode::AnalogChannels, ReplyCode::TotalizerChannels,
                      ReplyCode::CustomCommand, ReplyCode::ParsingRule})
        if (mode == Code(code)) return true;
    return false;
}
// Accepted and shown only.
constexpr bool IsShownOnly(int mode) {
    return mode == Code(ReplyCode::Shown) || mode == Code(ReplyCode::CustomCommandSet);
}

}  // namespace reply
}  // namespace protocol
