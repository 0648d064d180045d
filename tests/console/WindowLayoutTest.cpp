#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>

#include "protocol/FieldNames.h"
#include "console/window/PortComboBox.h"
#include "tests/console/WindowFixture.h"
#include "tests/console/WindowsSkips.h"

using namespace consoletest;
using console::ItemIndex;

namespace {

struct Placed {
    const char* name;
    QRect geometry;  // within the window's client area
};

QRect InClient(QWidget* widget, QWidget* client) {
    return QRect(widget->mapTo(client, QPoint(0, 0)), widget->size());
}

}  // namespace

TEST_F(WindowTest, FormIsAFixedSilverWindowCaptionedTQ410K) {
    EXPECT_EQ(form->objectName(), "Form1");
    EXPECT_EQ(form->windowTitle(), "TQ410-K");
    auto* client = form->centralWidget();
    EXPECT_EQ(client->size(), QSize(1010, 816));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_EQ(client->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
}

TEST_F(WindowTest, EveryControlAtItsPlace) {
    const Placed controls[] = {
        {"Image1", {8, 8, 97, 41}},          {"Label41", {211, 8, 598, 41}},
        {"GroupBox1", {16, 56, 777, 49}},    {"SPREALCOM", {16 + 112, 56 + 16, 57, 21}},
        {"ComboBox1", {16 + 228, 72, 61, 21}}, {"ComboBox2", {16 + 350, 72, 65, 21}},
        {"ComboBox3", {16 + 484, 72, 45, 21}}, {"Button1", {16 + 560, 72, 57, 25}},
        {"Button6", {16 + 640, 72, 121, 25}}, {"PageControl1", {16, 112, 953, 505}},
        {"Button8", {776, 568, 129, 33}},    {"CheckBox2", {120, 632, 97, 17}},
        {"CheckBox1", {256, 632, 129, 17}},  {"discomm", {120, 664, 825, 21}},
        {"Memo8", {120, 696, 841, 65}},      {"Button26", {24, 736, 81, 25}},
    };
    auto* client = form->centralWidget();
    for (const auto& c : controls) {
        SCOPED_TRACE(c.name);
        auto* widget = find<QWidget>(c.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(InClient(widget, client), c.geometry);
        EXPECT_TRUE(client->rect().contains(InClient(widget, client)));
    }
    EXPECT_EQ(find<QLabel>("Label29")->pos(), QPoint(720, 40));
    EXPECT_EQ(find<QLabel>("Label41")->font().pixelSize(), 24);
    EXPECT_TRUE(find<QLabel>("Label41")->font().bold());
    EXPECT_FALSE(find<QLabel>("Image1")->pixmap().isNull());
}

TEST_F(WindowTest, NoCaptionRunsUnderAControlBesideIt) {
    SKIP_ON_WINDOWS(consoletest::kFontUnderWine);
    for (auto* label : form->findChildren<QLabel*>()) {
        for (auto* sibling : label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (qobject_cast<QLabel*>(sibling) || qobject_cast<QGroupBox*>(sibling)) continue;
            EXPECT_FALSE(label->geometry().intersects(sibling->geometry()))
                << label->text().toStdString() << " under " << sibling->objectName().toStdString();
        }
    }
}

TEST_F(WindowTest, CaptionsAndTextsExactly) {
    EXPECT_EQ(find<QLabel>("Label41")->text(), "TQ410-K Smart Converter Configuration Software");
    EXPECT_EQ(find<QLabel>("Label29")->text(), "V3.0(20240127)");
    EXPECT_EQ(find<QGroupBox>("GroupBox1")->title(), "Communication Serial Port");
    EXPECT_EQ(find<QPushButton>("Button1")->text(), "Open");
    EXPECT_EQ(find<QPushButton>("Button6")->text(), "Communication Query");
    EXPECT_EQ(find<QPushButton>("Button8")->text(), "Parameter Initialization");
    EXPECT_EQ(find<QPushButton>("Button26")->text(), "Clear Buffer");
    EXPECT_EQ(find<QCheckBox>("CheckBox2")->text(), "COM_DTR");
    EXPECT_EQ(find<QCheckBox>("CheckBox1")->text(), "COM_RTS");
    EXPECT_FALSE(find<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_FALSE(find<QCheckBox>("CheckBox2")->isChecked());
    EXPECT_TRUE(find<QLineEdit>("discomm")->text().isEmpty());
    EXPECT_TRUE(find<QPlainTextEdit>("Memo8")->toPlainText().isEmpty());
    QStringList labels;
    for (auto* label : form->centralWidget()->findChildren<QLabel*>()) labels << label->text();
    for (const char* caption : {"Serial Port Number:", "Baud:", "Parity:", "Stop Bits:", "Send Buffer:",
                                "Receive Buffer:"})
        EXPECT_TRUE(labels.contains(caption)) << caption;

    auto* pages = find<QTabWidget>("PageControl1");
    ASSERT_EQ(pages->count(), 3);
    const char* sheets[][2] = {
        {"TabSheet1", "System Parameter"},
        {"TabSheet2", "Modbus Instrument Parameter Configuration（Analog Signal）"},
        {"TabSheet3", "Modbus Instrument Parameter Configuration（Totalizer）"},
    };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(pages->widget(i)->objectName(), sheets[i][0]);
        EXPECT_EQ(pages->tabText(i), QString::fromUtf8(sheets[i][1]));
    }
    EXPECT_EQ(pages->currentIndex(), 0);
}

TEST_F(WindowTest, ParameterInitializationShowsOverEveryPage) {
    auto* button = find<QPushButton>("Button8");
    EXPECT_EQ(button->parentWidget(), form->centralWidget());
    auto* pages = find<QTabWidget>("PageControl1");
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        const QPoint centre = button->geometry().center();
        EXPECT_EQ(form->centralWidget()->childAt(centre), button) << "page " << i;
    }
}

TEST_F(WindowTest, PortBoxesHoldTheirItemsAndDefaults) {
    struct Row {
        const char* name;
        QStringList firstItems;
        QString text;
        int index;
    };
    QStringList com;
    for (int n = 1; n <= 12; ++n) com << QString("COM%1").arg(n);
    const Row rows[] = {
        {"SPREALCOM", com, "COM4", 3},
        {"ComboBox1", {"1200", "2400", "4800", "9600", "19200"}, "9600", 3},
        {"ComboBox2", {"None", "Odd", "Even"}, "None", 0},
        {"ComboBox3", {"1", "2"}, "1", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto* box = find<QComboBox>(row.name);
        QStringList items;
        for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
        EXPECT_EQ(items.mid(0, row.firstItems.size()), row.firstItems);
        EXPECT_TRUE(box->isEditable());
        EXPECT_EQ(box->currentText(), row.text);
        EXPECT_EQ(ItemIndex(box), row.index);
    }
    // The port box lists the devices present after the COM names, nothing else.
    auto* port = find<QComboBox>("SPREALCOM");
    QStringList devices;
    for (int i = 12; i < port->count(); ++i) devices << port->itemText(i);
    QStringList present;
    for (const auto& device : console::PresentSerialPorts()) present << device.label;
    EXPECT_EQ(devices, present);
}

TEST_F(WindowTest, TypedTextDecidesTheItemIndex) {
    struct Row {
        const char* box;
        QString typed;
        int index;
    };
    const Row rows[] = {
        {"ComboBox1", "19200", 4}, {"ComboBox1", "1920", -1}, {"ComboBox1", "38400", -1},
        {"ComboBox2", "Even", 2},  {"ComboBox2", "even", -1}, {"ComboBox3", "2", 1},
        {"ComboBox3", "", -1},     {"SPREALCOM", "COM12", 11}, {"SPREALCOM", "/dev/ttyX9", -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.box + (" " + row.typed.toStdString()));
        type(row.box, row.typed);
        auto* box = find<QComboBox>(row.box);
        EXPECT_EQ(box->currentText(), row.typed);
        EXPECT_EQ(ItemIndex(box), row.index);
    }
}

TEST_F(WindowTest, RefreshingThePortListKeepsTypedText) {
    type("SPREALCOM", "/dev/my-converter");
    auto* port = form->findChild<console::TPortComboBox*>("SPREALCOM");
    ASSERT_NE(port, nullptr);
    port->RefreshDevices();
    port->showPopup();
    port->hidePopup();
    EXPECT_EQ(port->currentText(), "/dev/my-converter");
    EXPECT_EQ(port->itemText(3), "COM4");
}

TEST_F(WindowTest, ClearBufferEmptiesTheReceiveBufferOnly) {
    find<QPlainTextEdit>("Memo8")->setPlainText("reply");
    find<QLineEdit>("discomm")->setText("PPPPPP#VAR#");
    click("Button26");
    EXPECT_TRUE(find<QPlainTextEdit>("Memo8")->toPlainText().isEmpty());
    EXPECT_EQ(find<QLineEdit>("discomm")->text(), "PPPPPP#VAR#");
}

TEST_F(WindowTest, StartsClosedWithNothingExpected) {
    EXPECT_FALSE(form->PortIsOpen());
    EXPECT_EQ(form->ReplyMode(), 0);
    EXPECT_TRUE(form->ReceivedText().empty());
    EXPECT_FALSE(form->Timer2().isActive());
    EXPECT_EQ(form->Timer2().interval(), 300);
    EXPECT_EQ(find<QLabel>("PortState")->text(), "Port closed");
}

// Messages about a field name it the way a person reads it; every setting on
// the pages must have such a name.
TEST_F(WindowTest, EverySettingOnThePagesHasAName) {
    auto* pages = form->findChild<QTabWidget*>("PageControl1");
    int settings = 0;
    for (auto* field : pages->findChildren<QWidget*>()) {
        if (!qobject_cast<QLineEdit*>(field) && !qobject_cast<QComboBox*>(field)) continue;
        if (field->objectName().isEmpty()) continue;  // a combo box's own line edit
        ++settings;
        EXPECT_TRUE(protocol::FieldLabel(field->objectName().toStdString())) << field->objectName().toStdString();
    }
    EXPECT_EQ(settings, 18 + 16 * 7 + 12 * 7 + 6 * 5);
}
