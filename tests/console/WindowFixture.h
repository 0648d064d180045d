#pragma once
// A Form1 for each test, with the application's message boxes captured.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QComboBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include "console/Console.h"
#include "console/window/ConsoleApplication.h"
#include "console/widgets/Controls.h"
#include "console/window/Form1.h"

namespace consoletest {

struct Box {
    QString text;
    QString detail;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        app().SetMessageHook([this](const QString& text, const QString& detail) {
            boxes.push_back({text, detail});
            if (onBox) onBox();
        });
        form = console::MakeConsole();
        form->show();
    }
    void TearDown() override {
        form.reset();
        app().SetMessageHook({});
    }

    static console::TApplication& app() { return *console::TApplication::Instance(); }

    template <class T>
    T* find(const char* name) {
        auto* widget = form->findChild<T*>(name);
        if (!widget) ADD_FAILURE() << "no control named " << name;
        return widget;
    }
    void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    void type(const char* combo, const QString& text) {
        auto* box = find<QComboBox>(combo);
        box->lineEdit()->clear();
        // Key clicks know ASCII only; other text arrives as if pasted.
        bool ascii = true;
        for (QChar c : text) ascii = ascii && c.unicode() < 128;
        if (ascii)
            QTest::keyClicks(box->lineEdit(), text);
        else
            box->lineEdit()->insert(text);
    }
    // Opens the port on `path` with the Open button.
    void openOn(const std::string& path) {
        type("SPREALCOM", QString::fromStdString(path));
        click("Button1");
    }
    QString statusText() const { return form->statusBar()->currentMessage(); }
    // Runs the event loop until `done` holds or `limit` passes.
    static bool waitFor(const std::function<bool()>& done,
                        std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            QTest::qWait(5);
        }
        return true;
    }

    std::unique_ptr<console::TForm1> form;
    std::vector<Box> boxes;
    std::function<void()> onBox;
};

}  // namespace consoletest
