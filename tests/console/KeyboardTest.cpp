// The keyboard and screen readers: Tab walks each page row by row, left to
// right, every control a screen reader meets has a name taken from its label
// or column header, and every action can be reached with the keyboard.

#include <QAccessible>
#include <QApplication>
#include <QSet>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>

#include "protocol/ChannelTable.h"
#include "console/widgets/DigitKeyFilter.h"
#include "tests/console/WindowFixture.h"
#include "tests/console/WindowsSkips.h"

using namespace consoletest;

// Lists of names read as lists in failures.
static void PrintTo(const QStringList& names, std::ostream* os) { *os << names.join(", ").toStdString(); }

namespace {

class KeyboardTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        QApplication::setActiveWindow(form.get());
        pages = find<QTabWidget>("PageControl1");
    }

    // Presses Tab from `start` and collects the controls that take the focus
    // until it comes back to `start`, or at most `limit` presses.
    std::vector<QWidget*> TabWalk(QWidget* start, int limit = 400) {
        std::vector<QWidget*> walked;
        start->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < limit; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focus = QApplication::focusWidget();
            if (!focus || focus == start) break;
            walked.push_back(focus);
        }
        return walked;
    }

    // The walk of page `index`, from its tab to the first control beyond it.
    std::vector<QWidget*> PageWalk(int index) {
        pages->setCurrentIndex(index);
        QWidget* page = pages->widget(index);
        std::vector<QWidget*> onPage;
        for (QWidget* w : TabWalk(pages->tabBar())) {
            if (!page->isAncestorOf(w)) break;
            onPage.push_back(w);
        }
        return onPage;
    }

    static QString Name(QWidget* w) { return w->objectName(); }
    static QString AccessibleName(QWidget* w) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        return a ? a->text(QAccessible::Name) : QString();
    }
    // The name given to the control, else the one Qt makes of its caption.
    static QString GivenName(QWidget* w) {
        return w->accessibleName().isEmpty() ? AccessibleName(w) : w->accessibleName();
    }

    QTabWidget* pages = nullptr;
};

// Names of the page's controls in the order Tab visits them.
QStringList Names(const std::vector<QWidget*>& walk) {
    QStringList names;
    for (QWidget* w : walk) names << w->objectName();
    return names;
}

// The channel rows of a page in order, each row's fields then its "Set", and
// after each group of rows the group's "Query".
QStringList ChannelPageOrder(const protocol::ChannelTable& table,
                             std::initializer_list<std::pair<int, const char*>> groups) {
    QStringList names;
    int channel = 1;
    for (const auto& [last, query] : groups) {
        for (; channel <= last; ++channel) {
            for (const auto& column : table.columns)
                names << QString::fromStdString(protocol::ControlName(column, channel));
            names << QString::fromStdString(table.setButtons[static_cast<std::size_t>(channel - 1)]);
        }
        names << query;
    }
    return names;
}

}  // namespace

TEST_F(KeyboardTest, TabWalksEachPageRowByRowLeftToRight) {
    SKIP_ON_WINDOWS(consoletest::kFocusUnderWine);
    QStringList system = {
        "Edit1", "Button2",  "ComboBox4", "Button3", "ADBESARD", "PUBESARD", "Button4",
        "Edit2", "Button7",  "Edit3",     "SENDXIEYI", "Button10",
        "ZMR485BT", "ZMR485JN", "ZRS485STOP", "Button188",
        "AMR485BT", "AMR485JN", "ARS485STOP", "Button22",
        "BMR485BT", "BMR485JN", "BRS485STOP", "Button17",
        "PCBSN", "JIANZHI", "Button53",
    };
    const char* groups[6][6] = {
        {"Button76", "Button73", "A", "Button74", "Button75", "1"}, {"Button81", "Button78", "B", "Button79", "Button80", "2"},
        {"Button87", "Button82", "C", "Button85", "Button86", "3"}, {"Button37", "Button36", "D", "Button35", "Button34", "4"},
        {"Button41", "Button38", "E", "Button39", "Button40", "5"}, {"Button45", "Button44", "F", "Button43", "Button42", "6"},
    };
    for (const auto& g : groups) {
        const QString n = g[5], b = g[2];
        system << "COMAD" + n << "COMDDATA" + n << g[0] << g[1] << b + "COMBY1" << b + "COMBY2" << b + "COMBY3"
               << g[3] << g[4];
    }
    system << "Button49";
    const QStringList expected[] = {
        system,
        ChannelPageOrder(protocol::AnalogChannels(), {{8, "Button5"}, {16, "Button46"}}),
        ChannelPageOrder(protocol::TotalizerChannels(), {{6, "Button9"}, {12, "Button47"}}),
    };
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        const auto walk = PageWalk(page);
        EXPECT_EQ(Names(walk), expected[page]);
        // Within a row of a group, left to right (labels stand a little lower than fields).
        for (std::size_t i = 1; i < walk.size(); ++i) {
            QWidget *a = walk[i - 1], *b = walk[i];
            if (a->parentWidget() == b->parentWidget() && std::abs(a->y() - b->y()) <= 8) {
                EXPECT_GT(b->x(), a->x()) << Name(a).toStdString() << " then " << Name(b).toStdString();
            }
        }
    }
}

TEST_F(KeyboardTest, TabGoesFromThePortGroupThroughThePageToTheBuffers) {
    SKIP_ON_WINDOWS(consoletest::kFocusUnderWine);
    auto* extra = new QPushButton("Extra");  // an action added beside the window later
    extra->setObjectName("ExtraAction");
    form->AddToActionStrip(extra);
    QCoreApplication::processEvents();  // the strip shows what it was given
    const QStringList walk = Names(TabWalk(find<QWidget>("SPREALCOM")));
    ASSERT_GT(walk.size(), 12);
    // Find… beside the port group follows it.
    EXPECT_EQ(walk.mid(0, 7), QStringList({"ComboBox1", "ComboBox2", "ComboBox3", "Button1", "Button6", "FindButton",
                                           "qt_tabwidget_tabbar"}));
    EXPECT_EQ(walk.at(7), "Edit1");  // the first control of the page shown
    // The receive buffer lets Tab through rather than typing it.
    const int below = static_cast<int>(walk.indexOf("Button8"));
    EXPECT_EQ(walk.mid(below, 6),
              QStringList({"Button8", "CheckBox2", "CheckBox1", "discomm", "Memo8", "Button26"}));
    // Then the strip of actions, in the order they were added: the one added last comes last.
    auto* strip = find<QWidget>("ActionStrip");
    const int extraAt = static_cast<int>(walk.indexOf("ExtraAction"));
    ASSERT_GT(extraAt, below + 5);
    for (int i = below + 6; i <= extraAt; ++i)
        EXPECT_EQ(find<QWidget>(walk.at(i).toUtf8().constData())->parentWidget(), strip) << walk.at(i).toStdString();
    if (extraAt + 1 < walk.size()) {
        EXPECT_NE(find<QWidget>(walk.at(extraAt + 1).toUtf8().constData())->parentWidget(), strip);
    }
    EXPECT_EQ(walk.indexOf("Button49"), below - 1);
    EXPECT_TRUE(find<QPlainTextEdit>("Memo8")->toPlainText().isEmpty());
}

TEST_F(KeyboardTest, EveryControlIsNamedFromItsLabelOrColumnHeader) {
    const struct {
        const char* control;
        const char* name;
    } cases[] = {
        {"SPREALCOM", "Serial Port Number"},
        {"ComboBox3", "Stop Bits"},
        {"Button1", "Open"},
        {"Edit1", "MODBUS Slave Address"},
        {"Button2", "Set MODBUS Slave Address"},
        {"ComboBox4", "Serial Port Data Monitoring"},
        {"SENDXIEYI", "RS485 Data Interval Frame Type"},
        {"ZMR485BT", "IRS485 Communication Interface Baud"},
        {"Button17", "Set OBRS485 Communication Interface"},
        {"JIANZHI", "Inspector"},
        {"COMAD3", "Command 3 Enable"},
        {"CCOMBY2", "Command 3 Byte2"},
        {"Button86", "Set Command 3 Response Data Parsing"},
        {"MAD3XS", "MAD3 Coefficient"},
        {"MAD3XIN", "MAD3 Data Type"},
        {"Button172", "Set MAD3"},
        {"Button46", "Query Analog Signal 9-16"},
        {"PUFART12", "MPU12 Data Format"},
        {"CheckBox2", "COM_DTR"},
        {"discomm", "Send Buffer"},
        {"Memo8", "Receive Buffer"},
        {"Button26", "Clear Buffer"},
    };
    for (const auto& c : cases) {
        auto* w = find<QWidget>(c.control);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(GivenName(w), c.name) << c.control;
        // What a screen reader reads: the name, or for a combo box (whose name is
        // its text on Linux) the description.
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        EXPECT_TRUE(a->text(QAccessible::Name) == c.name || a->text(QAccessible::Description) == c.name)
            << c.control;
    }
    // A visible caption is tied to its field, so the reader names it there too.
    for (const char* labelled : {"Edit1", "ZMR485BT", "JIANZHI", "SPREALCOM", "Memo8"}) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(find<QWidget>(labelled));
        EXPECT_FALSE(a->relations(QAccessible::Label).isEmpty()) << labelled;
    }

    // Every control Tab reaches, on every page, has a name of its own.
    QStringList names;
    for (int page = 0; page < 3; ++page)
        for (QWidget* w : PageWalk(page)) {
            const QString name = GivenName(w);
            EXPECT_FALSE(name.isEmpty()) << Name(w).toStdString();
            EXPECT_FALSE(names.contains(name)) << name.toStdString();
            names << name;
        }
}

TEST_F(KeyboardTest, EveryActionCanBeReachedByKeyboard) {
    // Tab reaches every control there is to use, on every page.
    QSet<QWidget*> reached;
    for (int page = 0; page < 3; ++page) {
        pages->setCurrentIndex(page);
        for (QWidget* w : TabWalk(find<QWidget>("SPREALCOM"))) reached.insert(w);
    }
    int controls = 0;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        const bool usable = qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                            qobject_cast<QPlainTextEdit*>(w) ||
                            (qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w->parentWidget()) &&
                             !qobject_cast<QAbstractSpinBox*>(w->parentWidget()));
        // The tab bar's scroll arrows are for the mouse; its arrow keys do the same.
        if (!usable || !w->isEnabled() || qobject_cast<QTabBar*>(w->parentWidget())) continue;
        ++controls;
        EXPECT_TRUE(reached.contains(w) || w == find<QWidget>("SPREALCOM")) << Name(w).toStdString();
    }
    EXPECT_GE(controls, 6 + 82 + 16 * 8 + 2 + 12 * 8 + 2 + 6);  // the port group, the pages, the buffers

    // The arrow keys on the page tabs, or Ctrl+Tab within a page, turn the
    // pages; Space presses the button that has the focus.
    pages->setCurrentIndex(0);
    pages->tabBar()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(pages->tabBar(), Qt::Key_Right);
    EXPECT_EQ(pages->currentIndex(), 1);
    find<QWidget>("MAD1MADR")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), 2);
    auto* button6 = find<QPushButton>("Button6");
    button6->setFocus(Qt::TabFocusReason);
    QTest::keyClick(button6, Qt::Key_Space);
    EXPECT_EQ(find<QLineEdit>("discomm")->text(), "PPPPPP#VAR#");
}

namespace {

enum class Route { CtrlV, ShiftInsert, ContextMenu, Drop };

// Offers the clipboard's or dropped `text` to `edit` by `route`.
void Paste(QLineEdit* edit, Route route, const QString& text) {
    edit->setFocus();
    QApplication::clipboard()->setText(text);
    switch (route) {
        case Route::CtrlV: QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier); break;
        case Route::ShiftInsert: QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier); break;
        case Route::ContextMenu: {
            QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, {2, 2}, edit->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(edit, &menuEvent);
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_TRUE(menu);
            auto* paste = console::DigitKeyFilter::PasteAction(*menu);
            ASSERT_TRUE(paste);
            if (paste->isEnabled()) paste->trigger();
            menu->close();
            break;
        }
        case Route::Drop: {
            QMimeData data;
            data.setText(text);
            QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(edit, &enter);
            QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(edit, &drop);
            break;
        }
    }
}

// Pasted, dropped or offered through the context menu, only digits that fit
// come in; anything else leaves the edit as it was.
TEST_F(KeyboardTest, TheDigitEditsTakeOnlyDigitsThatFitFromEveryWayTextEnters) {
    const struct {
        const char* edit;
        const char* pasted;
        bool taken;
    } cases[] = {
        {"Edit1", "-7", false}, {"Edit1", "12", true}, {"Edit1", "1234", false},
        {"ADBESARD", "987654", false}, {"PUBESARD", "98765", true}, {"Edit2", "1 2", false}, {"Edit3", "", false},
    };
    for (const auto route : {Route::CtrlV, Route::ShiftInsert, Route::ContextMenu, Route::Drop}) {
        for (const auto& c : cases) {
            auto* edit = find<QLineEdit>(c.edit);
            edit->setText("");
            Paste(edit, route, c.pasted);
            EXPECT_EQ(edit->text(), c.taken ? QString(c.pasted) : QString()) << c.edit << " " << c.pasted << " route "
                                                                             << static_cast<int>(route);
        }
    }
    // Typing keeps its filter: a sign is dropped, digits come in up to the limit.
    auto* edit = find<QLineEdit>("Edit1");
    edit->setText("");
    QTest::keyClicks(edit, "-12345");
    EXPECT_EQ(edit->text(), "123");
}

// A paste replaces the selection: what the edit then holds must be digits that fit.
TEST_F(KeyboardTest, APasteOverASelectionIsJudgedByTheTextItLeaves) {
    const struct {
        const char* edit;
        const char* text;
        int start, length;  // the selection
        const char* pasted;
        const char* after;  // the text once pasted, or as it was
    } cases[] = {
        {.edit = "Edit1", .text = "123", .start = 0, .length = 3, .pasted = "456", .after = "456"},
        {.edit = "Edit1", .text = "123", .start = 1, .length = 2, .pasted = "45", .after = "145"},
        {.edit = "Edit1", .text = "123", .start = 1, .length = 1, .pasted = "45", .after = "123"},
        {.edit = "ADBESARD", .text = "12345", .start = 0, .length = 5, .pasted = "7", .after = "7"},
        {.edit = "Edit3", .text = "1x3", .start = 1, .length = 1, .pasted = "2", .after = "123"},
        {.edit = "Edit3", .text = "1x", .start = 0, .length = 1, .pasted = "2", .after = "1x"},
    };
    for (const auto route : {Route::CtrlV, Route::ShiftInsert, Route::ContextMenu}) {
        for (const auto& c : cases) {
            auto* edit = find<QLineEdit>(c.edit);
            edit->setText(c.text);
            edit->setSelection(c.start, c.length);
            Paste(edit, route, c.pasted);
            EXPECT_EQ(edit->text(), QString(c.after)) << c.edit << " " << c.text << " " << c.pasted << " route "
                                              << static_cast<int>(route);
        }
    }
}

}  // namespace
