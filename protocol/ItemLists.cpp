#include "protocol/ItemLists.h"


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

}  // namespace protocol
