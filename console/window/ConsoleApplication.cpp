#include "console/window/ConsoleApplication.h"

#include <cstdio>

#include <QMessageBox>
#include <QPushButton>

#include "console/window/WindowLook.h"
#include "protocol/FieldCheck.h"

namespace console {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("tq410k-console");
    setApplicationDisplayName("TQ410-K");
    // The window is laid out in pixels; an 11-pixel font of Arial's widths
    // lets every caption fit its place.
    ApplyWindowLook(*this);
    // Group boxes carry their caption on the frame's top line, so that controls
    // placed 16 pixels below a box's top sit inside the frame.
    setStyleSheet(
        "QGroupBox { border: 1px solid #808080; border-radius: 2px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 7px; padding: 0 2px; }");
}

TApplication::~TApplication() = default;

TApplication* TApplication::Instance() { return qobject_cast<TApplication*>(QCoreApplication::instance()); }

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
        return true;
    }
}

void TApplication::HandleException(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const EDetailedError& e) {
        ShowMessage(QString::fromLatin1(e.what()), QString::fromLocal8Bit(e.Detail().c_str()));
    } catch (const ETextError& e) {
        ShowMessage(QString::fromUtf8(e.what()));
    } catch (const protocol::EFieldRefused& e) {
        ShowMessage(QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        // The console's texts are bytes, one character each (a field's text
        // in a conversion error among them).
        ShowMessage(QString::fromLatin1(e.what()));
    } catch (...) {
        ShowMessage("Unknown error");
    }
}

void TApplication::ShowMessage(const QString& text, const QString& detail) {
    if (boxOpen_) {
        const QString notice = detail.isEmpty() ? text : text + " (" + detail + ")";
        if (noticeSink_)
            noticeSink_(notice);
        else
            std::fprintf(stderr, "%s\n", notice.toLocal8Bit().constData());
        return;
    }
    boxOpen_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{boxOpen_};
    if (hook_)
        hook_(text, detail);
    else
        ShowMessageBox(text, detail);
}

bool TApplication::ShowMessageOffering(const QString& text, const QString& action) {
    if (boxOpen_ || hook_) {
        ShowMessage(text);
        return false;
    }
    boxOpen_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{boxOpen_};
    QMessageBox box(QMessageBox::Warning, applicationDisplayName(), text, QMessageBox::Ok, activeWindow());
    QAbstractButton* offered = box.addButton(action, QMessageBox::ActionRole);
    box.exec();
    return box.clickedButton() == offered;
}

void TApplication::SetMessageHook(MessageHook hook) { hook_ = std::move(hook); }

void TApplication::SetNoticeSink(NoticeSink sink) { noticeSink_ = std::move(sink); }

void TApplication::ShowMessageBox(const QString& text, const QString& detail) {
    QMessageBox box(QMessageBox::Warning, applicationDisplayName(), text, QMessageBox::Ok,
                    activeWindow());
    if (!detail.isEmpty()) box.setInformativeText(detail);
    box.exec();
}

}  // namespace console
