#include "console/commissioning/BatchPanel.h"

#include <filesystem>

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "commission/PortDescription.h"
#include "commission/UnitList.h"
#include "console/commissioning/RecordPdf.h"
#include "console/commissioning/WindowRecord.h"
#include "console/widgets/Controls.h"
#include "console/window/Form1.h"
#include "console/window/SequenceRunner.h"

namespace console {
namespace {

using commission::Sequence;

enum AddressRule { KeepProfiles = 0, OneForAll = 1, CountUp = 2 };

std::string Path(const QLineEdit* edit) { return QFile::encodeName(edit->text().trimmed()).toStdString(); }

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.c_str()); }

// A line edit with a "…" button that asks for a path. `what` names the
// path for a screen reader: "Profile" names the edit, "Browse for the
// profile" its button.
QLineEdit* PathRow(QFormLayout* form, QWidget* parent, const char* name, const QString& label, const QString& what,
                   bool folder, bool saving) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    SetAccessibleName(edit, what);
    auto* browse = new QPushButton("\u2026", parent);
    browse->setObjectName(QString(name) + "Browse");
    SetAccessibleName(browse, "Browse for the " + what.toLower());
    browse->setFixedWidth(28);
    browse->setAutoDefault(false);
    QObject::connect(browse, &QPushButton::clicked, edit, [edit, label, folder, saving] {
        const QString path = folder   ? QFileDialog::getExistingDirectory(edit, label)
                             : saving ? QFileDialog::getSaveFileName(edit, label, edit->text(), "CSV (*.csv)",
                                                                     nullptr, QFileDialog::DontConfirmOverwrite)
                                      : QFileDialog::getOpenFileName(edit, label, edit->text());
        if (!path.isEmpty()) edit->setText(path);
    });
    auto* row = new QHBoxLayout;
    row->addWidget(edit);
    row->addWidget(browse);
    form->addRow(label, row);
    return edit;
}

}  // namespace

BatchPanel::BatchPanel(TForm1& form) : QDialog(&form), form_(form) {
    setObjectName("BatchPanel");
    setWindowTitle("Batch commissioning");
    auto* settings = new QFormLayout;
    profile_ = PathRow(settings, this, "BatchProfile", "Profile:", "Profile", false, false);
    firstSerial_ = new QLineEdit(this);
    firstSerial_->setObjectName("BatchFirstSerial");
    firstSerial_->setPlaceholderText("8 digits; the next ones count up");
    SetAccessibleName(firstSerial_, "First serial number");
    settings->addRow("First serial number:", firstSerial_);
    inspector_ = new QComboBox(this);
    inspector_->setObjectName("BatchInspector");
    inspector_->setEditable(true);
    inspector_->setInsertPolicy(QComboBox::NoInsert);
    SetAccessibleName(inspector_, "Inspector");
    // The same items as the window's inspector box; a number may be typed.
    inspector_->addItems(form.InspectorItems());
    settings->addRow("Inspector:", inspector_);
    addressRule_ = new QComboBox(this);
    addressRule_->setObjectName("BatchAddressRule");
    addressRule_->addItems({"The profile's", "One for all:", "Count up from:"});
    SetAccessibleName(addressRule_, "Slave address rule");
    address_ = new QLineEdit(this);
    address_->setObjectName("BatchAddress");
    address_->setEnabled(false);
    SetAccessibleName(address_, "Slave address");
    connect(addressRule_, &QComboBox::currentIndexChanged, address_,
            [this](int rule) { address_->setEnabled(rule != KeepProfiles); });
    auto* addressRow = new QHBoxLayout;
    addressRow->addWidget(addressRule_);
    addressRow->addWidget(address_);
    settings->addRow("Slave address:", addressRow);
    unitList_ = PathRow(settings, this, "BatchUnitList", "Or a unit list (CSV):", "Unit list", false, false);
    recordFolder_ = PathRow(settings, this, "BatchRecordFolder", "Record folder:", "Record folder", true, false);
    batchLog_ = PathRow(settings, this, "BatchLogFile", "Batch log (CSV):", "Batch log", false, true);

    verdict_ = new QLabel("Ready", this);
    verdict_->setObjectName("BatchVerdict");
    verdict_->setAlignment(Qt::AlignCenter);
    verdict_->setMinimumHeight(64);
    verdict_->setStyleSheet("font-size: 28px; font-weight: bold;");
    // No name of its own: a screen reader reads its text ("PASS 00001000")
    // as it changes, and the reason (its tool tip) as its description.

    table_ = new QTableWidget(0, 5, this);
    table_->setObjectName("BatchTable");
    table_->setHorizontalHeaderLabels({"Serial", "Address", "Time (UTC)", "Result", "Differences"});
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SetAccessibleName(table_, "Units of the batch");

    next_ = new QPushButton("Commission next unit", this);
    next_->setObjectName("BatchNextButton");
    next_->setDefault(true);  // Enter, wherever the focus is in the panel
    next_->setToolTip("Plug in the next converter, then press Enter");
    SetAccessibleName(next_, next_->text());
    skip_ = new QPushButton("Skip", this);
    skip_->setObjectName("BatchSkipButton");
    skip_->setAutoDefault(false);
    skip_->setToolTip("Give the next serial number up: the log marks it skipped");
    SetAccessibleName(skip_, skip_->text());
    stop_ = new QPushButton("Stop", this);
    stop_->setObjectName("BatchStopButton");
    stop_->setAutoDefault(false);
    stop_->setEnabled(false);
    SetAccessibleName(stop_, stop_->text());
    connect(next_, &QPushButton::clicked, this, &BatchPanel::CommissionNext);
    connect(skip_, &QPushButton::clicked, this, &BatchPanel::Skip);
    connect(stop_, &QPushButton::clicked, this, &BatchPanel::Stop);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(next_);
    buttons->addWidget(skip_);
    buttons->addWidget(stop_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(settings);
    layout->addWidget(verdict_);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    resize(640, 560);
}

QString BatchPanel::Refuse(const QString& text) {
    form_.ShowMessage(text);
    return text;
}

commission::UnitIdentity BatchPanel::NextIdentity(const commission::BatchLog& log) const {
    commission::UnitIdentity unit;
    if (!unitList_->text().trimmed().isEmpty()) {
        for (auto& listed : commission::LoadUnitList(Path(unitList_)))
            if (!log.Holds(listed.serial)) return listed;
        throw std::runtime_error("every unit of the list is in the batch log: the list is done");
    }
    if (firstSerial_->text().trimmed().isEmpty()) throw std::runtime_error("give a first serial number or a unit list");
    const std::string first = commission::CheckSerial(firstSerial_->text().trimmed().toStdString());
    unit.serial = commission::NextFreeSerial(first, log.Serials());
    unit.inspector = commission::CheckInspector(inspector_->currentText().trimmed().toStdString());
    const std::string address = address_->text().trimmed().toStdString();
    if (addressRule_->currentIndex() == OneForAll) unit.address = commission::CheckAddress(address);
    if (addressRule_->currentIndex() == CountUp) {
        // The address follows the serial number, also across skips and resumes.
        const long long next = commission::CheckAddress(address) + std::stoll(unit.serial) - std::stoll(first);
        unit.address = commission::CheckAddress(std::to_string(next));
    }
    return unit;
}

void BatchPanel::Skip() {
    if (Running()) return;
    try {
        if (Path(batchLog_).empty()) throw std::runtime_error("choose a batch log file");
        const auto now = commission::UtcNow();
        // Under the log's lock, as a unit's start: no other station takes the same number.
        const auto entry = commission::BatchLog::Claim(Path(batchLog_), [&](const commission::BatchLog& log) {
            const auto unit = NextIdentity(log);
            return commission::BatchLogEntry{.serial = unit.serial,
                                             .address = unit.address ? std::to_string(*unit.address) : "",
                                             .inspector = unit.inspector,
                                             .started = now,
                                             .finished = now,
                                             .result = "SKIPPED",
                                             .differences = "",
                                             .record = ""};
        });
        AddRow(entry);
        form_.ShowNotice(QString("Batch: %1 skipped").arg(FromUtf8(entry.serial)));
    } catch (const std::exception& e) {
        Refuse("Batch: " + FromUtf8(e.what()));
    }
}

void BatchPanel::Stop() {
    if (Running()) form_.Runner().Cancel();
}

void BatchPanel::CommissionNext() {
    if (Running()) return;
    if (form_.Runner().Running()) {
        Refuse("Batch: a sequence of the window is running; wait for it or cancel it.");
        return;
    }
    const auto line = commission::PortLineOf(form_.Comm1());
    try {
        // Everything that can be refused is refused before anything is sent.
        if (Path(batchLog_).empty()) throw std::runtime_error("choose a batch log file");
        if (Path(recordFolder_).empty()) throw std::runtime_error("choose a record folder");
        if (Path(profile_).empty()) throw std::runtime_error("choose a profile");
        unit_.emplace(commission::UnitSetup{
            .profilePath = Path(profile_),
            .recordFolder = Path(recordFolder_),
            .batchLog = Path(batchLog_),
            .retry = false,
            .choose = [this](const commission::BatchLog* log) { return NextIdentity(*log); },
            .timeout = form_.StepTimeout(),
            .port = line.port,
            .lineSettings = commission::DescribeSettings(line),
            .link = commission::DescribeLink(line),
            .host = commission::HostName(),
            .user = commission::UserName(),
            .extraRecords = {{".pdf", [](const std::string& html) { return RecordPdf(html); }}},
        });
        if (!form_.PortIsOpen()) {
            unit_.reset();
            form_.ShowNotice("Batch: the port is closed; open it, then commission the unit.");
            return;
        }
        auto write = unit_->Begin(commission::UtcNow());
        SetRunning(true);
        verdict_->setText(QString("%1 \u2026").arg(FromUtf8(unit_->Identity().serial)));
        verdict_->setStyleSheet("font-size: 28px; font-weight: bold;");
        form_.Runner().Run(std::move(write), [this] { AfterWrite(); });
    } catch (const std::exception& e) {
        unit_.reset();
        const QString why = FromUtf8(e.what());
        Refuse("Batch: " + (why.contains("nothing was sent") ? why : "nothing was sent: " + why));
    }
}

void BatchPanel::AfterWrite() {
    if (auto verify = unit_->WriteEnded(form_.Runner().Last()))
        form_.Runner().Run(std::move(*verify), [this] { AfterVerify(); });
    else
        Finish();
}

void BatchPanel::AfterVerify() {
    unit_->VerifyEnded(form_.Runner().Last());
    Finish();
}

void BatchPanel::Finish() {
    const auto end = unit_->Finish(commission::UtcNow());
    const commission::UnitRecord record = unit_->Record();  // the unit is let go below
    const bool pass = end.verdict == commission::UnitEnd::Verdict::Pass;
    std::string what = pass ? "" : end.headline.substr(end.headline.find(": ") + 2);
    for (const auto& d : record.result.differences) what += (what.empty() ? "" : "; ") + d;
    AddRow({.serial = end.serial,
            .address = record.identity.address ? std::to_string(*record.identity.address) : "",
            .inspector = record.identity.inspector,
            .started = record.started,
            .finished = record.finished,
            .result = pass ? "PASS" : "FAIL",
            .differences = what,
            .record = end.record.filename().string()});
    unit_.reset();
    SetRunning(false);
    std::string account = end.headline;
    bool gaveUp = false;
    for (const auto& line : end.details) {
        account += "\n" + line;
        gaveUp = gaveUp || line.starts_with("No answer from ");
    }
    ShowVerdict(FromUtf8(end.serial), pass, FromUtf8(account));
    form_.ShowNotice(QString("Batch: %1").arg(FromUtf8(end.headline)));
    // What the engineer must act on is said in a box: a converter that does
    // not answer, or a unit that passed but whose record or log line is not on disk.
    if (gaveUp || (!pass && record.result.pass)) Refuse("Batch: " + FromUtf8(account));
}

void BatchPanel::AddRow(const commission::BatchLogEntry& entry) {
    const int row = table_->rowCount();
    table_->insertRow(row);
    const QString values[] = {FromUtf8(entry.serial), FromUtf8(entry.address), FromUtf8(entry.finished),
                              FromUtf8(entry.result), FromUtf8(entry.differences)};
    for (int column = 0; column < 5; ++column) {
        auto* item = new QTableWidgetItem(values[column]);
        item->setToolTip(values[column]);
        table_->setItem(row, column, item);
    }
    table_->scrollToBottom();
}

void BatchPanel::ShowVerdict(const QString& serial, bool pass, const QString& why) {
    verdict_->setText(QString("%1  %2").arg(pass ? "PASS" : "FAIL", serial));
    verdict_->setToolTip(why);
    verdict_->setStyleSheet(QString("font-size: 28px; font-weight: bold; color: white; background: %1;")
                                .arg(pass ? "#1b7a1b" : "#b00000"));
}

void BatchPanel::SetRunning(bool running) {
    next_->setEnabled(!running);
    skip_->setEnabled(!running);
    stop_->setEnabled(running);
}

void AddBatchPanel(TForm1& form) {
    auto* button = new QPushButton("Batch\u2026");
    button->setObjectName("BatchButton");
    button->setToolTip("Commission a batch of converters, each with its own serial number");
    button->setFixedSize(button->fontMetrics().horizontalAdvance(button->text()) + 16, 25);
    form.AddToActionStrip(button);
    // Made on first use; the window keeps it, hidden, between uses.
    QObject::connect(button, &QPushButton::clicked, &form, [&form] {
        auto* panel = form.findChild<BatchPanel*>("BatchPanel");
        if (!panel) panel = new BatchPanel(form);
        panel->show();
        panel->raise();
        panel->activateWindow();
    });
}

}  // namespace console
