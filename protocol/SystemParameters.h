#pragma once
// The converter's own parameters: the parameter query "QX1" and the reader of
// its answer. The set commands are rows of protocol/CommandTable.

#include <string>
#include <string_view>

#include "protocol/CommandTable.h"
#include "protocol/Protocol.h"

namespace protocol {

std::string ParameterQueryCommand();  // "PPPPPP#QX1#"

// Reads the answer to "QX1": the records of the parameter commands, in the
// order of their places, each tag searched over the whole text but never as
// the end of another record's longer tag ("ADR:" in "BADR:"); the fields go
// to the page's controls. A tag not found, or a record cut short by the end
// of the text, leaves the rest of its controls as they are; a non-digit where
// an index is expected stops the whole parse. ReplyMode is not touched: it stays 201.
ParseResult ParseSystemParameters(std::string_view text, const CommandTable& parameters = ParameterCommands());

}  // namespace protocol
