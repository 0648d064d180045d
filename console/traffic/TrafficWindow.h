#pragma once
// The traffic log's window: a table of the log's entries (time, kind,
// length, bytes as text or as hex), the selected entry in full below, and
// pause, clear, copy and save. It takes in what the log gained a few times a
// second, never one update per block.

#include <cstdint>

#include <QAbstractTableModel>
#include <QTimer>
#include <QWidget>

#include "console/traffic/TrafficLog.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace console {

// The entries [first, end) of a log as rows.
class TrafficModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time, Kind, Length, Content, ColumnCount };
    explicit TrafficModel(const TrafficLog& log, QObject* parent);

    // Takes in what the log gained since (unless `paused`) and lets go of
    // what it dropped or cleared.
    void Update(bool paused);
    void SetForm(TrafficForm form);
    TrafficForm Form() const { return form_; }
    // The log's number of the entry shown in `row`.
    std::uint64_t NumberOf(int row) const { return first_ + static_cast<std::uint64_t>(row); }
    std::uint64_t First() const { return first_; }
    std::uint64_t End() const { return end_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const TrafficLog& log_;
    TrafficForm form_ = TrafficForm::Text;
    std::uint64_t first_ = 0, end_ = 0;
};

class TrafficWindow : public QWidget {
    Q_OBJECT
public:
    // A window of its own, kept by `owner` (the main window).
    TrafficWindow(TrafficLog& log, QWidget* owner);

    TrafficModel& Model() { return *model_; }
    // Brings the table up to date with the log (the timer does it while shown).
    void Flush();
    // The selected entries as saved lines, one per line.
    QString SelectedText() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildButtons();
    void BuildTable();
    void BuildDetail();
    void LayOut();
    void Connect();

    void CopySelection();
    void SaveLog();
    void ShowCurrentEntry();

    TrafficLog& log_;
    TrafficModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QPlainTextEdit* detail_ = nullptr;
    QPushButton* hex_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* save_ = nullptr;
    QLabel* counts_ = nullptr;
    QTimer flush_;
};

}  // namespace console
