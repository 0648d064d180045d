#include "console/traffic/TrafficWindow.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include "console/window/ConsoleApplication.h"

namespace console {

namespace {

// A row shows this many bytes of a block; the pane below shows it whole.
constexpr std::size_t RowBytes = 96;
constexpr int FlushIntervalMs = 100;

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

// ---- The model ----

TrafficModel::TrafficModel(const TrafficLog& log, QObject* parent)
    : QAbstractTableModel(parent), log_(log), first_(log.FirstNumber()), end_(log.FirstNumber()) {}

void TrafficModel::Update(bool paused) {
    const std::uint64_t logFirst = log_.FirstNumber();
    if (logFirst > first_) {
        const std::uint64_t gone = std::min(logFirst, end_) - first_;
        if (gone > 0) {
            beginRemoveRows({}, 0, static_cast<int>(gone) - 1);
            first_ += gone;
            endRemoveRows();
        }
        first_ = logFirst;
        end_ = std::max(end_, first_);
    }
    const std::uint64_t logEnd = log_.EndNumber();
    if (!paused && logEnd > end_) {
        const int row = rowCount();
        beginInsertRows({}, row, row + static_cast<int>(logEnd - end_) - 1);
        end_ = logEnd;
        endInsertRows();
    }
}

void TrafficModel::SetForm(TrafficForm form) {
    if (form == form_) return;
    form_ = form;
    if (rowCount() > 0) emit dataChanged(index(0, Content), index(rowCount() - 1, Content));
}

int TrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(end_ - first_);
}

int TrafficModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    const std::uint64_t number = NumberOf(index.row());
    // Rows may briefly outlive entries the log dropped until the next update.
    if (!index.isValid() || number < log_.FirstNumber() || number >= log_.EndNumber()) return {};
    const TrafficEntry& entry = log_.ByNumber(number);
    const bool isPort = entry.kind == TrafficEntry::Kind::Port;
    if (role == Qt::TextAlignmentRole && index.column() == Length)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case Time: return QString::fromStdString(FormatTime(entry.time, false));
        case Kind: return QString::fromLatin1(KindName(entry.kind));
        case Length: return isPort ? QString() : QString::number(entry.bytes.size());
        case Content: {
            if (isPort || entry.bytes.size() <= RowBytes) return FromUtf8(FormatContent(entry, form_));
            const TrafficEntry head{.time = entry.time, .kind = entry.kind, .bytes = entry.bytes.substr(0, RowBytes)};
            return FromUtf8(FormatContent(head, form_)) + " …";
        }
        default: return {};
    }
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const titles[] = {"Time", "", "Length", "Bytes"};
    return section >= 0 && section < ColumnCount ? QString(titles[section]) : QVariant();
}

// ---- The window ----

TrafficWindow::TrafficWindow(TrafficLog& log, QWidget* owner)
    : QWidget(owner, Qt::Window), log_(log), model_(new TrafficModel(log, this)) {
    setObjectName("TrafficWindow");
    setWindowTitle("Traffic");
    resize(900, 520);
    BuildButtons();
    BuildTable();
    BuildDetail();
    LayOut();
    Connect();
    flush_.setInterval(FlushIntervalMs);
    connect(&flush_, &QTimer::timeout, this, &TrafficWindow::Flush);
    Flush();
}

void TrafficWindow::BuildButtons() {
    auto makeButton = [this](const char* name, const QString& caption, bool checkable) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        button->setCheckable(checkable);
        return button;
    };
    hex_ = makeButton("TrafficHex", "Hex", true);
    hex_->setToolTip("Show the bytes as hex with the text beside them");
    pause_ = makeButton("TrafficPause", "Pause", true);
    pause_->setToolTip("Hold the table still; the log keeps recording");
    clear_ = makeButton("TrafficClear", "Clear", false);
    copy_ = makeButton("TrafficCopy", "Copy", false);
    save_ = makeButton("TrafficSave", "Save log…", false);
    counts_ = new QLabel(this);
    counts_->setObjectName("TrafficCounts");
}

void TrafficWindow::BuildTable() {
    table_ = new QTableView(this);
    table_->setObjectName("TrafficTable");
    table_->setModel(model_);
    table_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setWordWrap(false);
    table_->setTextElideMode(Qt::ElideRight);
    table_->verticalHeader()->hide();
    // Rows of one height: the table never measures its entries.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setColumnWidth(TrafficModel::Time, table_->fontMetrics().horizontalAdvance("00:00:00.000") + 12);
    table_->setColumnWidth(TrafficModel::Kind, table_->fontMetrics().horizontalAdvance("received") + 12);
    table_->setColumnWidth(TrafficModel::Length, table_->fontMetrics().horizontalAdvance("Length") + 12);
}

void TrafficWindow::BuildDetail() {
    detail_ = new QPlainTextEdit(this);
    detail_->setObjectName("TrafficEntry");
    detail_->setReadOnly(true);
    detail_->setFont(table_->font());
    detail_->setMaximumHeight(detail_->fontMetrics().height() * 5 + 12);
}

void TrafficWindow::LayOut() {
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {hex_, pause_, clear_, copy_, save_}) buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(counts_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(table_, 1);
    layout->addWidget(detail_);
}

void TrafficWindow::Connect() {
    connect(hex_, &QPushButton::toggled, this, [this](bool on) {
        model_->SetForm(on ? TrafficForm::Hex : TrafficForm::Text);
        ShowCurrentEntry();
    });
    connect(pause_, &QPushButton::toggled, this, [this] { Flush(); });
    connect(clear_, &QPushButton::clicked, this, [this] {
        log_.Clear();
        Flush();
    });
    connect(copy_, &QPushButton::clicked, this, &TrafficWindow::CopySelection);
    connect(new QShortcut(QKeySequence::Copy, table_, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, &TrafficWindow::CopySelection);
    connect(save_, &QPushButton::clicked, this, &TrafficWindow::SaveLog);
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TrafficWindow::ShowCurrentEntry);
}

void TrafficWindow::Flush() {
    auto* bar = table_->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    const int before = model_->rowCount();
    model_->Update(pause_->isChecked());
    if (following && model_->rowCount() != before) table_->scrollToBottom();
    QString counts = QString("%1 entries, %2 dropped").arg(log_.Size()).arg(log_.Dropped());
    if (model_->End() < log_.EndNumber()) counts += QString(", %1 not shown").arg(log_.EndNumber() - model_->End());
    counts_->setText(counts);
}

QString TrafficWindow::SelectedText() const {
    QList<int> rows;
    for (const auto& index : table_->selectionModel()->selectedRows()) rows << index.row();
    std::sort(rows.begin(), rows.end());
    QString text;
    for (int row : rows) {
        const std::uint64_t number = model_->NumberOf(row);
        if (number < log_.FirstNumber() || number >= log_.EndNumber()) continue;
        text += FromUtf8(FormatLine(log_.ByNumber(number), model_->Form())) + '\n';
    }
    return text;
}

void TrafficWindow::CopySelection() {
    const QString text = SelectedText();
    if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void TrafficWindow::SaveLog() {
    const QString path = QFileDialog::getSaveFileName(this, "Save log", "traffic.log",
                                                      "Log files (*.log *.txt);;All files (*)");
    if (path.isEmpty()) return;
    try {
        SaveTrafficLog(log_, log_.FirstNumber(), log_.EndNumber(), model_->Form(),
                       QFile::encodeName(path).toStdString());
    } catch (const std::exception& e) {
        if (auto* app = TApplication::Instance()) app->ShowMessage("The log was not saved", QString::fromLocal8Bit(e.what()));
    }
}

void TrafficWindow::ShowCurrentEntry() {
    const QModelIndex current = table_->currentIndex();
    const std::uint64_t number = current.isValid() ? model_->NumberOf(current.row()) : 0;
    if (!current.isValid() || number < log_.FirstNumber() || number >= log_.EndNumber()) {
        detail_->clear();
        return;
    }
    detail_->setPlainText(FromUtf8(FormatLine(log_.ByNumber(number), model_->Form())));
}

void TrafficWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Flush();
    flush_.start();
}

void TrafficWindow::hideEvent(QHideEvent* event) {
    flush_.stop();
    QWidget::hideEvent(event);
}

}  // namespace console
