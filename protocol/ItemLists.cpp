#include "protocol/ItemLists.h"

#include "protocol/ChannelTable.h"
#include "protocol/CustomCommands.h"

namespace protocol {

const ItemList& MonitoringItems() {
    static const ItemList items = {"0_Disable Monitoring", "1_RS485 "};
    return items;
}

const ItemList& FrameTypeItems() {
    static const ItemList items = {"0 RTU Query-Response", "1 General Message Frame", "2 Message Frame 2",
                                   "3 Message Frame 3"};
    return items;
}

const ItemList& LineBaudItems() {
    static const ItemList items = {"1200", "2400", "4800", "9600", "19200"};
    return items;
}

const ItemList& LineParityItems() {
    static const ItemList items = {"None", "Odd", "Even"};
    return items;
}

const ItemList& LineStopItems() {
    static const ItemList items = {"1", "2"};
    return items;
}

const ItemList& EnableItems() {
    static const ItemList items = {"0_Close", "1_RS485B"};
    return items;
}

const ItemList* ItemsOf(std::string_view control) {
    if (control == "ComboBox4") return &MonitoringItems();
    if (control == "SENDXIEYI") return &FrameTypeItems();
    for (std::string_view line : {"Z", "A", "B"}) {
        if (control.starts_with(line)) {
            const auto rest = control.substr(1);
            if (rest == "MR485BT") return &LineBaudItems();
            if (rest == "MR485JN") return &LineParityItems();
            if (rest == "RS485STOP") return &LineStopItems();
        }
    }
    for (const auto& group : CustomCommandGroups)
        if (group.enable == control) return &EnableItems();
    for (const auto* table : {&AnalogChannels(), &TotalizerChannels()})
        for (int n = 1; n <= table->ChannelCount(); ++n)
            for (const auto& column : table->columns)
                if (column.IsComboBox() && ControlName(column, n) == control) return &column.items;
    return nullptr;
}

std::optional<std::string> ItemText(std::string_view control, int index) {
    const ItemList* items = ItemsOf(control);
    if (!items || index < 0 || static_cast<std::size_t>(index) >= items->size()) return std::nullopt;
    return (*items)[static_cast<std::size_t>(index)];
}

}  // namespace protocol
