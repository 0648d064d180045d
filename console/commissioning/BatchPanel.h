#pragma once
// The batch panel: commissions one converter after another, each with its
// own identity (serial number, inspector, address), from a profile and either
// a first serial number or a unit list. Each unit: write all, verify, its
// record (JSON, HTML, PDF) and a line in the batch log. Non-modal; the port
// may be closed and reopened between units.

#include <optional>
#include <string>

#include <QDialog>

#include "commission/BatchLog.h"
#include "commission/UnitWorkflow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace console {

class TForm1;

class BatchPanel : public QDialog {
public:
    explicit BatchPanel(TForm1& form);

    // "Commission next unit": checks everything, then runs the next unit.
    void CommissionNext();
    // Gives the next unit's serial number up without sending anything.
    void Skip();
    // Stops the unit in progress; it fails.
    void Stop();

    bool Running() const { return unit_.has_value(); }

private:
    // The next unit by the panel's settings; throws with a message naming
    // what is wrong. `log` is the batch log of the panel.
    commission::UnitIdentity NextIdentity(const commission::BatchLog& log) const;
    void AfterWrite();
    void AfterVerify();
    void Finish();
    void AddRow(const commission::BatchLogEntry& entry);
    void ShowVerdict(const QString& serial, bool pass, const QString& why);
    void SetRunning(bool running);
    QString Refuse(const QString& text);

    TForm1& form_;
    std::optional<commission::UnitWorkflow> unit_;

    QLineEdit* profile_ = nullptr;
    QLineEdit* firstSerial_ = nullptr;
    QComboBox* inspector_ = nullptr;
    QComboBox* addressRule_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLineEdit* unitList_ = nullptr;
    QLineEdit* recordFolder_ = nullptr;
    QLineEdit* batchLog_ = nullptr;
    QLabel* verdict_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* skip_ = nullptr;
    QPushButton* stop_ = nullptr;
};

// Adds "Batch…" to the window's action strip; the panel opens from it.
void AddBatchPanel(TForm1& form);

}  // namespace console
