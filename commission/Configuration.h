#pragma once
// The converter's whole configuration as one record: every setting the
// window can set, keyed by the object name of the control that holds it, each
// value as it travels on the wire (item indexes as numbers, edits as text).

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "protocol/ChannelProtocol.h"
#include "protocol/CommandTable.h"
#include "protocol/Protocol.h"

namespace commission {

using Value = protocol::ColumnValue;  // item index or text

// One setting of the record.
struct Field {
    std::string control;    // object name of the window's control
    std::string parameter;  // the converter's parameter word it travels with: "ADR", "ZDAD07", "COMP03"
    std::string key;        // its name within that parameter in a profile: "address", "coefficient"
    bool isIndex = false;   // an item index (else text)
    int itemCount = 0;      // item indexes: 0 .. itemCount - 1 are items
    Value defaultValue;
    bool readBack = true;   // the converter reports it to a query
    protocol::Travel travel = protocol::Travel::Text;  // how it travels in its set command
    std::size_t width = 0;  // characters of its record field (and of a padded value)
    bool hexadecimal = false;  // a shorter text may be padded with hexadecimal digits
};

// Every setting in write order: the system rows, analog 1-16, totalizer 1-12,
// then custom commands 1-6 and their parsing rules.
const std::vector<Field>& Fields();
// The same for the set commands given (protocol::AllSetCommands).
std::vector<Field> MakeFields(const protocol::CommandTable& commands);
const Field* FindField(std::string_view control);

struct Configuration {
    std::map<std::string, Value> values;  // by control name; a record read back may lack some

    bool Has(const std::string& control) const { return values.count(control) != 0; }
    const Value& At(const std::string& control) const { return values.at(control); }
    int Index(const std::string& control) const;
    const std::string& Text(const std::string& control) const;
    bool operator==(const Configuration&) const = default;
};

// The converter's factory settings, which are also the window's defaults.
Configuration DefaultConfiguration();

// Applies what a reply parser assigns to controls of the record; anything
// else (ReplyMode) is ignored. Returns the text that stopped the parse, if any.
std::optional<std::string> Apply(Configuration& record, const protocol::ParseResult& parse);

// Runs the parser of reply `code` on `text` into the record.
// False when no parser belongs to the code.
bool FillFromReply(Configuration& record, protocol::ReplyCode code, std::string_view text,
                   std::optional<std::string>* failedText = nullptr);

// A value as a person reads it: the item index, or the text in quotes.
std::string Show(const Value& value);

}  // namespace commission
