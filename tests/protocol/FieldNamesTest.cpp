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

TEST(FieldNames, ItemsAreThoseOfTheSettingsDropDown) {
    const struct {
        const char* control;
        int index;
        std::optional<std::string> text;
    } cases[] = {
        {.control = "ZMR485BT", .index = 3, .text = "9600"},
        {.control = "ComboBox4", .index = 1, .text = "1_RS485 "},
        {.control = "COMAD6", .index = 0, .text = "0_Close"},
        {.control = "MPD12XIN", .index = 24, .text = "24-Bit Shifting"},
        {.control = "ComboBox4", .index = 2, .text = std::nullopt},
        {.control = "SENDXIEYI", .index = -1, .text = std::nullopt},
        {.control = "Edit1", .index = 0, .text = std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ItemText(c.control, c.index), c.text) << c.control;
}
