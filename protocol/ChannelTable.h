#pragma once
// The converter's channel tables: sixteen analog channels and twelve totalizer
// channels, each a row of seven fields. One table per kind of channel says how
// its controls are named, what they hold at start, and how each field travels
// in the set command and in the reply record. Plain data, no toolkit.

#include <cstddef>
#include <string>
#include <vector>

#include "protocol/ReplyCodes.h"

namespace protocol {

// How a column's value is written into a set command.
enum class FieldEncoding {
    ItemIndex,          // combo box: index in decimal ("3", "-1")
    TwoDigitItemIndex,  // combo box: "0" before an index of 9 or less ("05", "0-1")
    Text,               // edit: the text as typed
};

struct ChannelColumn {
    std::string header;      // column caption over the rows
    std::string namePrefix;  // control of channel n: namePrefix + n + nameSuffix
    std::string nameSuffix;
    FieldEncoding encoding = FieldEncoding::Text;
    std::size_t recordOffset = 0;  // in the reply record, from the tag's first character
    std::size_t recordWidth = 0;
    std::vector<std::string> items;  // combo boxes only
    int defaultIndex = 0;            // combo boxes
    std::string defaultText;         // edits, unless channelDefaults gives one per channel
    std::vector<std::string> channelDefaults;

    bool IsComboBox() const { return encoding != FieldEncoding::Text; }
};

struct ChannelTable {
    std::string rowLabelPrefix;  // row label: rowLabelPrefix + n + ":"
    std::string kindName;        // in a field's name: "Analog 7 · Coefficient"
    std::string setWord;         // set command word: setWord + nn
    std::string replyTag;        // reply record tag: replyTag + nn + ":"
    ReplyCode replyCode = ReplyCode::None;  // ReplyMode of the queries, naming this table's parser
    // The parser returns ReplyMode to 0 after this channel as well as at its
    // end; 0 when it does so only at the end.
    int replyModeResetAfter = 0;
    std::vector<std::string> setButtons;  // object names, one per channel in channel order
    std::vector<ChannelColumn> columns;   // screen order = command order = record order

    int ChannelCount() const { return static_cast<int>(setButtons.size()); }
};

const ChannelTable& AnalogChannels();     // MAD1 … MAD16, "ZDAD", 202
const ChannelTable& TotalizerChannels();  // MPU1 … MPU12, "ZDPU" / "ZDPD", 203

// Channel number in two digits: 7 -> "07", 12 -> "12".
std::string ChannelDigits(int channel);
std::string ControlName(const ChannelColumn& column, int channel);
std::string RowLabel(const ChannelTable& table, int channel);
std::string DefaultText(const ChannelColumn& column, int channel);

}  // namespace protocol
