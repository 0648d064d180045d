#pragma once
// Find…: the line settings of the port group tried one after the other on
// the chosen port until the converter answers (commission::LineScan), with
// progress and Cancel. The port is opened at each try's settings through
// the port group itself; what the port group held, and whether the port was
// open, comes back when the search is cancelled or finds nothing. When the
// converter is found, the user is asked whether to keep the port group at
// its settings with the port open.

#include <functional>
#include <optional>

#include <QDialog>
#include <QString>
#include <QTimer>

#include "commission/LineScan.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace console {

class TForm1;

class FindDialog : public QDialog {
public:
    explicit FindDialog(TForm1& form);

    // Starts the search on the port the port group names.
    void Start();
    void Cancel();
    bool Running() const { return scan_ && scan_->Running(); }
    // The account of the last search.
    const QString& LastReport() const { return report_; }

    // Asks a yes/no question; tests replace the message box with this.
    using Confirmer = std::function<bool(const QString& question)>;
    void SetConfirmer(Confirmer confirm) { confirm_ = std::move(confirm); }

private:
    // What the port group held before the search.
    struct PortGroup {
        QString baud;
        int parity = 0;
        int stopBits = 0;
        bool open = false;
    };

    void Do(commission::LineScan::Action action);
    bool OpenAt(const commission::LineSetting& setting, std::string& why);
    void SetPortGroup(const QString& baud, int parity, int stopBits);
    void ClosePort();
    void Restore();
    void Finish();

    TForm1& form_;
    std::optional<commission::LineScan> scan_;
    PortGroup before_;
    bool reopening_ = false;  // the port is closed and opened by the search itself
    QTimer timer_;
    QString report_;
    Confirmer confirm_;
    QLabel* text_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

// Adds the "Find…" button beside the port group; the form owns it. The
// dialog is made on first use (the form's child "FindDialog"), and the window keeps
// it, hidden, between uses.
void AddFindButton(TForm1& form);
// The window's Find dialog, made when there is none yet.
FindDialog& FindDialogOf(TForm1& form);

}  // namespace console
