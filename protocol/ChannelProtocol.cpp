#include "protocol/ChannelProtocol.h"

#include <stdexcept>

namespace protocol {

std::string ComposeChannelSet(const ChannelTable& table, int channel,
                              std::span<const ColumnValue> values) {
    if (channel < 1 || channel > table.ChannelCount())
        throw std::out_of_range("no channel " + std::to_string(channel));
    if (values.size() != table.columns.size())
        throw std::invalid_argument("a channel has " + std::to_string(table.columns.size()) +
                                    " fields");
    std::vector<std::string> fields;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const ChannelColumn& column = table.columns[i];
        switch (column.encoding) {
        case FieldEncoding::ItemIndex:
            fields.push_back(ItemIndexField(std::get<int>(values[i])));
            break;
        case FieldEncoding::TwoDigitItemIndex:
            fields.push_back(TwoDigitItemIndexField(std::get<int>(values[i])));
            break;
        case FieldEncoding::Text:
            fields.push_back(std::get<std::string>(values[i]));
            break;
        }
    }
    return ComposeCommand(SetPrefix, table.setWord + ChannelDigits(channel), fields);
}

std::string ChannelReplyTag(const ChannelTable& table, int channel) {
    return table.replyTag + ChannelDigits(channel) + ":";
}

ParseResult ParseChannelReply(const ChannelTable& table, std::string_view text) {
    ParseResult result;
    for (int channel = 1; channel <= table.ChannelCount(); ++channel) {
        if (auto position = FindTag(text, ChannelReplyTag(table, channel))) {
            RecordReader record(text, *position, result);
            for (const ChannelColumn& column : table.columns) {
                const std::string control = ControlName(column, channel);
                if (column.IsComboBox())
                    record.ItemIndex(column.recordOffset, column.recordWidth, control);
                else
                    record.Text(column.recordOffset, column.recordWidth, control);
                if (record.stopped()) break;
            }
            if (record.failed()) return result;
        }
        if (channel == table.replyModeResetAfter)
            result.assignments.push_back(Assignment::SetReplyMode(0));
    }
    result.assignments.push_back(Assignment::SetReplyMode(0));
    return result;
}

}  // namespace protocol
