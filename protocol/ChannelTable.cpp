#include "protocol/ChannelTable.h"

#include <stdexcept>

#include "protocol/ReplyCodes.h"

namespace protocol {
namespace {

const std::vector<std::string> CommandCodeItems = {
    "0_NO use",    "1_Command 1", "2_Command 2", "3_Command 3",
    "4_Command 4", "5_Command 5", "6_Command 6",
};

const std::vector<std::string> DataFormatItems = {"0_4321", "1_2143"};

// Items 0 to 17 of both "Data Type" lists; the first three carry full-width
// parentheses, item 16 closes with one.
std::vector<std::string> CommonDataTypes() {
    return {
        "0-Float（4321）",
        "1-Float（2143）",
        "2-Float（1234）",
        "3-Unsigned int(4321)",
        "4-Unsigned int(2143)",
        "5-Unsigned int(1234)",
        "6-Signed int(4321)",
        "7-Signed int(2143)",
        "8-Signed int",
        "9-Signed int(invert)",
        "10-Signed int(not inverted)",
        "11-BCD(high low order)",
        "12-BCD(low high order)",
        "13-Character string(high low order)",
        "14-Character string(low high order)",
        "15-Double(high low order)",
        "16-Double(low high order）",
        "17-BCD(low high order-0X33)",
    };
}

std::vector<std::string> WithTail(std::vector<std::string> head, std::vector<std::string> tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// The seven columns shared by both pages; only names, the data type list and
// the data address defaults differ.
struct ColumnNames {
    std::string use, madr, dadr, xin, xs, sadrPrefix, fartPrefix;
};

std::vector<ChannelColumn> Columns(const std::string& channelPrefix, const ColumnNames& n,
                                   std::vector<std::string> dataTypes,
                                   std::vector<std::string> dataAddresses) {
    using E = FieldEncoding;
    return {
        {.header = "Command Code", .namePrefix = channelPrefix, .nameSuffix = n.use, .encoding = E::ItemIndex,
         .recordOffset = 7, .recordWidth = 1, .items = CommandCodeItems},
        {.header = "Address", .namePrefix = channelPrefix, .nameSuffix = n.madr, .encoding = E::Text,
         .recordOffset = 9, .recordWidth = 3, .defaultText = "001"},
        {.header = "Length", .namePrefix = channelPrefix, .nameSuffix = n.dadr, .encoding = E::Text,
         .recordOffset = 13, .recordWidth = 1, .defaultText = "4"},
        {.header = "Data Type", .namePrefix = channelPrefix, .nameSuffix = n.xin, .encoding = E::TwoDigitItemIndex,
         .recordOffset = 15, .recordWidth = 2, .items = std::move(dataTypes)},
        {.header = "Coefficient", .namePrefix = channelPrefix, .nameSuffix = n.xs, .encoding = E::Text,
         .recordOffset = 18, .recordWidth = 5, .defaultText = "00001"},
        {.header = "Data Address", .namePrefix = n.sadrPrefix, .encoding = E::Text,
         .recordOffset = 24, .recordWidth = 3, .channelDefaults = std::move(dataAddresses)},
        {.header = "Data Format", .namePrefix = n.fartPrefix, .encoding = E::ItemIndex,
         .recordOffset = 28, .recordWidth = 1, .items = DataFormatItems},
    };
}

// Data addresses by channel: the first ones given, every later channel as the last.
std::vector<std::string> Addresses(std::vector<std::string> first, std::size_t channels) {
    first.resize(channels, first.back());
    return first;
}

ChannelTable MakeAnalog() {
    ChannelTable t{
        .rowLabelPrefix = "MAD",
        .kindName = "Analog",
        .setWord = "ZDAD",
        .replyTag = "ZDAD",
        .replyCode = ReplyCode::AnalogChannels,
        .replyModeResetAfter = 4,
        .setButtons = {"Button170", "Button171", "Button172", "Button173", "Button13", "Button12",
                       "Button11",  "Button18",  "Button19",  "Button20",  "Button21", "Button23",
                       "Button24",  "Button25",  "Button27",  "Button28"},
    };
    // Channel 4 is "008", and from channel 7 on every channel is "014".
    t.columns = Columns("MAD", {"USE", "MADR", "DADR", "XIN", "XS", "ADSADR", "ADFART"},
                        WithTail(CommonDataTypes(),
                                 {
                                     "18-Tancy 4 float(4BYTE)V1.2",
                                     "19-Tancy(Cangnan)4 float (4BYTE)V1.3",
                                     "20-Bit Extraction",
                                     "21-Bit Shifting",
                                     "22-String-Float",
                                     "23-Scientific Notation (2 Decimal Places)",
                                     "24-Scientific notation (3 decimal places)",
                                 }),
                        Addresses({"000", "002", "004", "008", "010", "012", "014"}, t.setButtons.size()));
    return t;
}

ChannelTable MakeTotalizer() {
    ChannelTable t{
        .rowLabelPrefix = "MPU",
        .kindName = "Totalizer",
        .setWord = "ZDPU",
        .replyTag = "ZDPD",
        .replyCode = ReplyCode::TotalizerChannels,
        .replyModeResetAfter = 0,
        .setButtons = {"Button174", "Button175", "Button176", "Button177", "Button16", "Button15",
                       "Button14",  "Button29",  "Button30",  "Button31",  "Button32", "Button33"},
    };
    // From channel 7 on every channel is "028".
    t.columns = Columns("MPD", {"USE", "MADR", "DADR", "XIN", "XS", "PUSADR", "PUFART"},
                        WithTail(CommonDataTypes(),
                                 {
                                     "18-Integer(bits 0,1 are positive, others are negative)",
                                     "19-Octet integer(Four bits higher*coefficient+low four)",
                                     "20-Tancy 4 float(4BYTE)V1.2",
                                     "21-Tancy(Cangnan)4 float (4BYTE)V1.3",
                                     "22-Cangnan LQ8S 6 bit float",
                                     "23-Bit Extraction",
                                     "24-Bit Shifting",
                                 }),
                        Addresses({"016", "018", "020", "022", "024", "026", "028"}, t.setButtons.size()));
    return t;
}

}  // namespace

const ChannelTable& AnalogChannels() {
    static const ChannelTable table = MakeAnalog();
    return table;
}

const ChannelTable& TotalizerChannels() {
    static const ChannelTable table = MakeTotalizer();
    return table;
}

std::string ChannelDigits(int channel) {
    if (channel < 1 || channel > 99) throw std::out_of_range("channel " + std::to_string(channel));
    return (channel < 10 ? "0" : "") + std::to_string(channel);
}

std::string ControlName(const ChannelColumn& column, int channel) {
    return column.namePrefix + std::to_string(channel) + column.nameSuffix;
}

std::string RowLabel(const ChannelTable& table, int channel) {
    return table.rowLabelPrefix + std::to_string(channel) + ":";
}

std::string DefaultText(const ChannelColumn& column, int channel) {
    if (column.channelDefaults.empty()) return column.defaultText;
    return column.channelDefaults.at(static_cast<std::size_t>(channel - 1));
}

}  // namespace protocol
