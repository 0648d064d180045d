#pragma once
// The converter's own parameters: the commands of the "System Parameter" page
// and the reader of the answer to the parameter query "QX1".

#include <string>
#include <string_view>

#include "protocol/Protocol.h"
#include "protocol/ReplyCodes.h"

namespace protocol {

// The texts of numeric edits are converted while composing, left to right;
// a text that is not an integer throws EConvertError and nothing is composed.
std::string ParameterQueryCommand();                                    // "PPPPPP#QX1#"
std::string ResetCommand();                                             // "HQLNVE#RESET#"
std::string SlaveAddressCommand(std::string_view address);              // "HQLNVE#ADR:001#"
std::string MonitoringCommand(int monitoringIndex);                     // "HQLNVE#MDO:0#"
std::string BaseAddressesCommand(std::string_view analogBase,
                                 std::string_view pulseBase);           // "HQLNVE#BADR:00000,00000#"
std::string ReadIntervalCommand(std::string_view interval);             // "HQLNVE#JTM:010#"
std::string SendIntervalCommand(std::string_view interval,
                                int frameTypeIndex);                    // "HQLNVE#STM:010,00#"
// word is "MR485Z", "MR485A" or "MR485B"; the three item indexes of the line.
std::string LineSettingsCommand(std::string_view word, int baudIndex, int parityIndex,
                                int stopBitsIndex);                     // "HQLNVE#MR485Z:3,0,0#"
// The board's serial number and the inspector's number (the box's text, not
// its item index); sent with the query prefix.
std::string BoardIdentityCommand(std::string_view serialNumber,
                                 std::string_view inspector);           // "PPPPPP#PCBSN:00000000,001#"

// Reads the answer to "QX1": each tag is searched over the whole text in a
// fixed order and its fields go to the page's controls. A tag not found, or a
// record cut short by the end of the text, leaves the rest of its controls as
// they are; a non-digit where an index is expected stops the whole parse.
// ReplyMode is not touched: it stays 201.
ParseResult ParseSystemParameters(std::string_view text);

// The slave address tag "ADR:", skipping any occurrence that is the end of
// "BADR:" (the base addresses are no slave address).
std::optional<std::size_t> FindSlaveAddressTag(std::string_view text);

}  // namespace protocol
