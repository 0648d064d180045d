#pragma once
// The items of the window's drop-down lists whose values travel as item
// indexes, so that records and messages can name a value by its item.

#include <string>
#include <vector>

namespace protocol {

using ItemList = std::vector<std::string>;

const ItemList& MonitoringItems();  // "0_Disable Monitoring", "1_RS485 "
const ItemList& FrameTypeItems();   // "0 RTU Query-Response" ...
const ItemList& LineBaudItems();    // "1200" ... "19200"
const ItemList& LineParityItems();  // "None", "Odd", "Even"
const ItemList& LineStopItems();    // "1", "2"
const ItemList& EnableItems();      // a custom command's "0_Close", "1_RS485B"
// The items of a setting's drop-down by its control: protocol/FieldNames' ItemsOf.

}  // namespace protocol
