// The analog and totalizer pages: where every row sits and what it shows at start.

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "tests/console/WindowFixture.h"

namespace consoletest {
namespace {

struct PageLayout {
    const char* sheet;
    const char* namePrefix;  // MAD / MPD
    const char* sadr;        // ADSADR / PUSADR
    const char* fart;        // ADFART / PUFART
    const char* label;       // MAD / MPU
    struct Group {
        const char* name;  // empty: found by caption
        const char* caption;
        QRect geometry;
        int firstChannel, lastChannel, firstRowTop;
        const char* query;
        QPoint queryAt;
    };
    std::vector<Group> groups;
    std::array<int, 7> left, width;
    int setLeft;
    std::vector<const char*> setButtons;
    std::vector<const char*> dataAddresses;
    const char* dataType18;
    const char* dataType24;
};

const PageLayout Pages[] = {
    {"TabSheet2", "MAD", "ADSADR", "ADFART", "MAD",
     {{"GroupBox38", "Analog Signal 1-8", {8, 4, 841, 229}, 1, 8, 34, "Button5", {750, 88}},
      {"GroupBox9", "Analog Signal 9-16", {8, 240, 841, 241}, 9, 16, 34, "Button46", {750, 88}}},
     {50, 152, 192, 232, 456, 512, 560},
     {95, 25, 25, 217, 41, 41, 73},
     648,
     {"Button170", "Button171", "Button172", "Button173", "Button13", "Button12", "Button11", "Button18",
      "Button19", "Button20", "Button21", "Button23", "Button24", "Button25", "Button27", "Button28"},
     {"000", "002", "004", "008", "010", "012", "014", "014", "014", "014", "014", "014", "014", "014", "014",
      "014"},
     "18-Tancy 4 float(4BYTE)V1.2",
     "24-Scientific notation (3 decimal places)"},
    {"TabSheet3", "MPD", "PUSADR", "PUFART", "MPU",
     {{"", "Totalizer 1-6", {8, 4, 841, 189}, 1, 6, 34, "Button9", {742, 88}},
      {"", "Totalizer 7-12", {8, 200, 841, 193}, 7, 12, 36, "Button47", {742, 80}}},
     {58, 160, 200, 240, 472, 528, 576},
     {95, 25, 25, 225, 41, 41, 81},
     672,
     {"Button174", "Button175", "Button176", "Button177", "Button16", "Button15", "Button14", "Button29",
      "Button30", "Button31", "Button32", "Button33"},
     {"016", "018", "020", "022", "024", "026", "028", "028", "028", "028", "028", "028"},
     "18-Integer(bits 0,1 are positive, others are negative)",
     "24-Bit Shifting"},
};

QGroupBox* GroupOf(QWidget* sheet, const PageLayout::Group& g) {
    for (auto* box : sheet->findChildren<QGroupBox*>())
        if (box->title() == g.caption) return box;
    return nullptr;
}

TEST_F(WindowTest, ChannelPagesPlaceEveryRowFromItsTable) {
    for (const PageLayout& page : Pages) {
        SCOPED_TRACE(page.sheet);
        auto* sheet = find<QWidget>(page.sheet);
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->findChildren<QGroupBox*>().size(), 2);
        for (const auto& g : page.groups) {
            SCOPED_TRACE(g.caption);
            auto* group = GroupOf(sheet, g);
            ASSERT_NE(group, nullptr);
            if (*g.name) {
                EXPECT_EQ(group->objectName(), g.name);
            }
            EXPECT_EQ(group->geometry(), g.geometry);
            auto* query = group->findChild<QPushButton*>(g.query);
            ASSERT_NE(query, nullptr);
            EXPECT_EQ(query->text(), "Query");
            EXPECT_EQ(query->geometry(), QRect(g.queryAt, QSize(51, 25)));

            QStringList labels;
            for (auto* label : group->findChildren<QLabel*>()) labels << label->text();
            for (const char* header : {"Command Code", "Address", "Length", "Data Type", "Coefficient",
                                       "Data Address", "Data Format"})
                EXPECT_TRUE(labels.contains(header)) << header;

            for (int n = g.firstChannel; n <= g.lastChannel; ++n) {
                SCOPED_TRACE(n);
                const QString num = QString::number(n);
                const QString names[7] = {page.namePrefix + num + "USE", page.namePrefix + num + "MADR",
                                          page.namePrefix + num + "DADR", page.namePrefix + num + "XIN",
                                          page.namePrefix + num + "XS", page.sadr + num, page.fart + num};
                const int top = g.firstRowTop + (n - g.firstChannel) * 24;
                EXPECT_TRUE(labels.contains(page.label + num + ":"));
                for (int c = 0; c < 7; ++c) {
                    auto* field = group->findChild<QWidget*>(names[c]);
                    ASSERT_NE(field, nullptr) << names[c].toStdString();
                    EXPECT_EQ(field->geometry(), QRect(page.left[c], top, page.width[c], 21))
                        << names[c].toStdString();
                }
                auto* set = group->findChild<QPushButton*>(page.setButtons[n - 1]);
                ASSERT_NE(set, nullptr);
                EXPECT_EQ(set->text(), "Set");
                EXPECT_EQ(set->geometry(), QRect(page.setLeft, top, 41, 20));

                // Defaults.
                EXPECT_EQ(find<QComboBox>(qPrintable(names[0]))->currentText(), "0_NO use");
                EXPECT_EQ(find<QLineEdit>(qPrintable(names[1]))->text(), "001");
                EXPECT_EQ(find<QLineEdit>(qPrintable(names[2]))->text(), "4");
                EXPECT_EQ(find<QComboBox>(qPrintable(names[3]))->currentText(),
                          QString::fromUtf8("0-Float\uFF084321\uFF09"));
                EXPECT_EQ(find<QLineEdit>(qPrintable(names[4]))->text(), "00001");
                EXPECT_EQ(find<QLineEdit>(qPrintable(names[5]))->text(), page.dataAddresses[n - 1]);
                EXPECT_EQ(find<QComboBox>(qPrintable(names[6]))->currentText(), "0_4321");
            }
        }
        // The lists of the boxes, as the user picks from them.
        const QString first = QString(page.namePrefix) + "1";
        auto* use = find<QComboBox>(qPrintable(first + "USE"));
        EXPECT_EQ(use->count(), 7);
        EXPECT_EQ(use->itemText(6), "6_Command 6");
        auto* type = find<QComboBox>(qPrintable(first + "XIN"));
        EXPECT_EQ(type->count(), 25);
        EXPECT_EQ(type->itemText(16), QString::fromUtf8("16-Double(low high order\uFF09"));
        EXPECT_EQ(type->itemText(18), QString::fromUtf8(page.dataType18));
        EXPECT_EQ(type->itemText(24), QString::fromUtf8(page.dataType24));
        auto* format = find<QComboBox>(qPrintable(QString(page.fart) + "1"));
        EXPECT_EQ(format->count(), 2);
        EXPECT_EQ(format->itemText(1), "1_2143");
        // Every box is editable, typed text is neither completed nor added to
        // its list, and the list opens wide enough for its longest item.
        EXPECT_TRUE(type->isEditable());
        EXPECT_EQ(type->completer(), nullptr);
        EXPECT_EQ(type->insertPolicy(), QComboBox::NoInsert);
        type->showPopup();
        EXPECT_GE(type->view()->width(), type->view()->sizeHintForColumn(0) + 8);
        type->hidePopup();
    }
}

}  // namespace
}  // namespace consoletest
