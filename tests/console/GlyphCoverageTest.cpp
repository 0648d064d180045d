// Every character the window shows has a glyph in the fonts it is drawn with
// (the widget's font and the fonts the system falls back on), so no caption,
// page tab or list item shows empty boxes. Fails on a machine that lacks a font
// for some of them (the full-width parentheses of the page tabs and data types).

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QTabBar>

#include "tests/console/WindowFixture.h"
#include "tests/console/WindowsSkips.h"

using namespace consoletest;

namespace {

struct Shown {
    QWidget* widget;
    QString text;
    QFont font;
};

std::vector<Shown> EverythingShown(QWidget* window) {
    std::vector<Shown> shown;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (auto* label = qobject_cast<QLabel*>(w)) shown.push_back({w, label->text(), label->font()});
        if (auto* button = qobject_cast<QAbstractButton*>(w)) shown.push_back({w, button->text(), button->font()});
        if (auto* group = qobject_cast<QGroupBox*>(w)) shown.push_back({w, group->title(), group->font()});
        if (auto* edit = qobject_cast<QLineEdit*>(w)) shown.push_back({w, edit->text(), edit->font()});
        if (auto* tabs = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < tabs->count(); ++i) shown.push_back({w, tabs->tabText(i), tabs->font()});
        if (auto* box = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < box->count(); ++i) {
                shown.push_back({w, box->itemText(i), box->font()});
                shown.push_back({w, box->itemText(i), box->view()->font()});
            }
    }
    return shown;
}

}  // namespace

TEST_F(WindowTest, EveryCharacterShownHasAGlyph) {
    SKIP_ON_WINDOWS(consoletest::kFontUnderWine);
    int characters = 0;
    bool fullWidthSeen = false;
    QStringList missing;  // one line per character and text lacking it
    for (const Shown& s : EverythingShown(form.get())) {
        const QFontMetrics metrics(s.font);
        for (char32_t c : s.text.toUcs4()) {
            ++characters;
            fullWidthSeen = fullWidthSeen || c == 0xFF08;
            if (metrics.inFontUcs4(c)) continue;
            const QString line = QString("U+%1 of \"%2\" (%3, font %4)")
                                     .arg(static_cast<uint>(c), 4, 16, QChar('0'))
                                     .arg(s.text, s.widget->objectName(), s.font.family());
            if (!missing.contains(line)) missing << line;
        }
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.size() << " characters without a glyph, e.g.\n"
                                   << missing.mid(0, 8).join('\n').toStdString();
    EXPECT_GT(characters, 10000);
    EXPECT_TRUE(fullWidthSeen);  // the characters that lacked a font are among those checked
}
