#pragma once
// The console's application object. Nothing a handler throws may cross Qt's
// event loop: notify() catches it and hands it to the error handler, which
// shows the message in a box. Every box goes through one replaceable hook, so
// tests can capture boxes instead of blocking on them.

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

#include <QApplication>
#include <QString>

namespace console {

// A failure whose box carries, besides its message, a detail text (the
// operating system's reason, and what the user can do about it).
class EDetailedError : public std::runtime_error {
public:
    EDetailedError(const std::string& message, std::string detail)
        : std::runtime_error(message), detail_(std::move(detail)) {}
    const std::string& Detail() const noexcept { return detail_; }

private:
    std::string detail_;
};

// A failure whose message is Unicode text in UTF-8 (one that quotes what the
// user typed into a box, which need not be one byte per character).
class ETextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TApplication : public QApplication {
    Q_OBJECT
public:
    using MessageHook = std::function<void(const QString& text, const QString& detail)>;
    using NoticeSink = std::function<void(const QString& text)>;

    TApplication(int& argc, char** argv);
    ~TApplication() override;

    // The running application object; null when the program made another kind.
    static TApplication* Instance();

    bool notify(QObject* receiver, QEvent* event) override;

    // The error handler: shows the message of an exception that escaped a handler.
    void HandleException(std::exception_ptr error);
    // A modal message box, through the hook. While a box is already open the
    // message goes to the notice sink instead of opening a box inside a box.
    void ShowMessage(const QString& text, const QString& detail = {});

    // The same with one more button, `action` ("Find…"): true when the user
    // chose it. Through the hook (tests) the box is shown and the action not chosen.
    bool ShowMessageOffering(const QString& text, const QString& action);

    // Replaces the box (tests); an empty hook restores the real message box.
    void SetMessageHook(MessageHook hook);
    // Where messages go while a box is open (the main window's status bar).
    void SetNoticeSink(NoticeSink sink);

private:
    static void ShowMessageBox(const QString& text, const QString& detail);

    MessageHook hook_;
    NoticeSink noticeSink_;
    bool boxOpen_ = false;
};

}  // namespace console
