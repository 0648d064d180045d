#include "protocol/FieldNames.h"

#include <gtest/gtest.h>

using namespace protocol;

TEST(FieldNames, NameEachSettingAsAPersonReadsIt) {
    const struct {
        const char* control;
        const char* label;
    } cases[] = {
        {"Edit1", "Slave address"},
        {"BRS485STOP", "OBRS485 interface · Stop bits"},
        {"MAD7XS", "Analog 7 · Coefficient"},
        {"MAD16USE", "Analog 16 · Command Code"},
        {"ADSADR3", "Analog 3 · Data Address"},
        {"MPD12XIN", "Totalizer 12 · Data Type"},
        {"PUFART1", "Totalizer 1 · Data Format"},
        {"COMDDATA6", "Command 6 · Command"},
        {"ACOMBY3", "Command 1 · Byte3"},
    };
    for (const auto& c : cases) EXPECT_EQ(FieldLabel(c.control), c.label) << c.control;
    for (const char* none : {"", "Button2", "MAD17XS", "MAD7X", "SPREALCOM"})
        EXPECT_EQ(FieldLabel(none), std::nullopt) << none;
}
