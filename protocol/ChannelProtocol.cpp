#include "protocol/ChannelProtocol.h"

namespace protocol {

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
            result.assignments.push_back(Assignment::SetReplyMode(ReplyCode::None));
    }
    result.assignments.push_back(Assignment::SetReplyMode(ReplyCode::None));
    return result;
}

}  // namespace protocol
