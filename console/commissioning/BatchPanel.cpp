#include "console/commissioning/BatchPanel.h"

#include <filesystem>
#include <fstream>
#include <sstream>

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
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "commission/AtomicFile.h"
#include "commission/Commands.h"
#include "commission/Profile.h"
#include "commission/Sha256.h"
#include "commission/UnitList.h"
#include "console/commissioning/CommissionActions.h"
#include "console/commissioning/RecordPdf.h"
#include "console/commissioning/WindowRecord.h"
#include "console/window/Form1.h"

namespace console {
namespace {

using commission::Sequence;

// The strip's own actions, idle while a unit runs: one sequence at a time.
constexpr const char* StripActions[] = {"ReadAllButton", "WriteAllButton", "VerifyButton", "LoadProfileButton"};

enum AddressRule { KeepProfiles = 0, OneForAll = 1, CountUp = 2 };

std::string Path(const QLineEdit* edit) { return QFile::encodeName(edit->text().trimmed()).toStdString(); }

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.c_str()); }

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A line edit with a "…" button that asks for a path.
QLineEdit* PathRow(QFormLayout* form, QWidget* parent, const char* name, const QString& label, bool folder,
                   bool saving) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    auto* browse = new QPushButton("\u2026", parent);
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

QString LineSettings(serial::TComm& comm) {
    const char* parity[] = {"no", "odd", "even", "mark", "space"};
    const char* stop[] = {"1", "1.5", "2"};
    return FromUtf8(commission::LineSettingsText(comm.BaudRate(), 5 + static_cast<int>(comm.ByteSize()),
                                                 parity[static_cast<int>(comm.Parity())],
                                                 stop[static_cast<int>(comm.StopBits())]));
}

}  // namespace

BatchPanel::BatchPanel(TForm1& form) : QDialog(&form), form_(form), runner_(form, this) {
    setObjectName("BatchPanel");
    setWindowTitle("Batch commissioning");
    auto* settings = new QFormLayout;
    profile_ = PathRow(settings, this, "BatchProfile", "Profile:", false, false);
    firstSerial_ = new QLineEdit(this);
    firstSerial_->setObjectName("BatchFirstSerial");
    firstSerial_->setPlaceholderText("8 digits; the next ones count up");
    settings->addRow("First serial number:", firstSerial_);
    inspector_ = new QComboBox(this);
    inspector_->setObjectName("BatchInspector");
    inspector_->setEditable(true);
    inspector_->setInsertPolicy(QComboBox::NoInsert);
    // The same items as the window's inspector box; a number may be typed.
    if (auto* box = form.findChild<QComboBox*>("JIANZHI"))
        for (int i = 0; i < box->count(); ++i) inspector_->addItem(box->itemText(i));
    settings->addRow("Inspector:", inspector_);
    addressRule_ = new QComboBox(this);
    addressRule_->setObjectName("BatchAddressRule");
    addressRule_->addItems({"The profile's", "One for all:", "Count up from:"});
    address_ = new QLineEdit(this);
    address_->setObjectName("BatchAddress");
    address_->setEnabled(false);
    connect(addressRule_, &QComboBox::currentIndexChanged, address_,
            [this](int rule) { address_->setEnabled(rule != KeepProfiles); });
    auto* addressRow = new QHBoxLayout;
    addressRow->addWidget(addressRule_);
    addressRow->addWidget(address_);
    settings->addRow("Slave address:", addressRow);
    unitList_ = PathRow(settings, this, "BatchUnitList", "Or a unit list (CSV):", false, false);
    recordFolder_ = PathRow(settings, this, "BatchRecordFolder", "Record folder:", true, false);
    batchLog_ = PathRow(settings, this, "BatchLogFile", "Batch log (CSV):", false, true);

    verdict_ = new QLabel("Ready", this);
    verdict_->setObjectName("BatchVerdict");
    verdict_->setAlignment(Qt::AlignCenter);
    verdict_->setMinimumHeight(64);
    verdict_->setStyleSheet("font-size: 28px; font-weight: bold;");

    table_ = new QTableWidget(0, 5, this);
    table_->setObjectName("BatchTable");
    table_->setHorizontalHeaderLabels({"Serial", "Address", "Time (UTC)", "Result", "Differences"});
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    next_ = new QPushButton("Commission next unit", this);
    next_->setObjectName("BatchNextButton");
    next_->setDefault(true);  // Enter, wherever the focus is in the panel
    next_->setToolTip("Plug in the next converter, then press Enter");
    skip_ = new QPushButton("Skip", this);
    skip_->setObjectName("BatchSkipButton");
    skip_->setAutoDefault(false);
    skip_->setToolTip("Give the next serial number up: the log marks it skipped");
    stop_ = new QPushButton("Stop", this);
    stop_->setObjectName("BatchStopButton");
    stop_->setAutoDefault(false);
    stop_->setEnabled(false);
    connect(next_, &QPushButton::clicked, this, &BatchPanel::CommissionNext);
    connect(skip_, &QPushButton::clicked, this, &BatchPanel::Skip);
    connect(stop_, &QPushButton::clicked, this, &BatchPanel::Stop);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(next_);
    buttons->addWidget(skip_);
    buttons->addWidget(stop_);

    // A command button of the pages, or the window's own, stops the unit
    // before it sends: one command is in flight at a time.
    QList<QPushButton*> commandButtons;
    if (auto* pages = form.findChild<QTabWidget*>("PageControl1")) commandButtons = pages->findChildren<QPushButton*>();
    for (const char* name : {"Button6", "Button8"})
        if (auto* button = form.findChild<QPushButton*>(name)) commandButtons.push_back(button);
    for (auto* button : commandButtons) connect(button, &QPushButton::pressed, this, &BatchPanel::Stop);

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
        const auto now = commission::UtcNow();
        // Chosen under the lock of the batch log, which other stations may share.
        const auto entry = commission::BatchLog::Claim(Path(batchLog_), [&](const commission::BatchLog& fresh) {
            const auto unit = NextIdentity(fresh);
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

void BatchPanel::Stop() { runner_.Cancel(); }

void BatchPanel::CommissionNext() {
    if (Running()) return;
    if (auto* actions = form_.findChild<CommissionActions*>("CommissionActions"); actions && actions->Running()) {
        Refuse("Batch: a sequence of the window is running; wait for it or cancel it.");
        return;
    }
    Unit unit;
    commission::Configuration profile;
    try {
        // Everything that can be refused is refused before anything is sent.
        if (Path(batchLog_).empty()) throw std::runtime_error("choose a batch log file");
        if (Path(recordFolder_).empty()) throw std::runtime_error("choose a record folder");
        commission::CheckFolderWritable(Path(recordFolder_));
        log_.emplace(Path(batchLog_));
        const std::string profilePath = Path(profile_);
        if (profilePath.empty()) throw std::runtime_error("choose a profile");
        profile = commission::LoadProfile(profilePath);
        unit.identity = NextIdentity(*log_);  // a first look; chosen for good below
        unit.expected = commission::WithIdentity(profile, unit.identity);
        auto& r = unit.record;
        r.identity = unit.identity;
        r.profileFile = std::filesystem::path(profilePath).filename().string();
        r.profileSha256 = commission::Sha256Hex(ReadWhole(profilePath));
    } catch (const std::exception& e) {
        Refuse("Batch: nothing was sent: " + FromUtf8(e.what()));
        return;
    }
    auto plan = commission::WriteAllSteps(unit.expected);
    if (!plan.failures.empty()) {
        Refuse("Batch: " + FromUtf8(commission::DescribeFailures(plan.failures)));
        return;
    }
    if (!form_.PortIsOpen()) {
        form_.ShowNotice("Batch: the port is closed; open it, then commission the unit.");
        return;
    }
    auto& r = unit.record;
    r.started = commission::UtcNow();
    r.host = commission::HostName();
    r.user = commission::UserName();
    r.port = form_.Comm1().CommName();
    r.lineSettings = LineSettings(form_.Comm1()).toStdString();
    r.crcWarnings = commission::FrameWarnings(unit.expected);
    try {
        // Before the first command: a crash from here on cannot give this
        // serial number out again.
        // The serial number is chosen under the lock of the batch log, which
        // other stations may share, and its STARTED line is on the disk
        // before the lock goes.
        commission::BatchLog::Claim(Path(batchLog_), [&](const commission::BatchLog& fresh) {
            unit.identity = NextIdentity(fresh);
            unit.expected = commission::WithIdentity(profile, unit.identity);
            plan = commission::WriteAllSteps(unit.expected);
            if (!plan.failures.empty()) throw std::runtime_error(commission::DescribeFailures(plan.failures));
            r.identity = unit.identity;
            r.crcWarnings = commission::FrameWarnings(unit.expected);
            return commission::BatchLogEntry{.serial = unit.identity.serial,
                                             .address = unit.identity.address ? std::to_string(*unit.identity.address) : "",
                                             .inspector = unit.identity.inspector,
                                             .started = r.started,
                                             .finished = "",
                                             .result = "STARTED",
                                             .differences = "",
                                             .record = ""};
        });
    } catch (const std::exception& e) {
        Refuse("Batch: nothing was sent: " + FromUtf8(e.what()));
        return;
    }
    unit_ = std::move(unit);
    SetRunning(true);
    verdict_->setText(QString("%1 \u2026").arg(FromUtf8(unit_->identity.serial)));
    verdict_->setStyleSheet("font-size: 28px; font-weight: bold;");
    runner_.Run(Sequence("Writing", std::move(plan.steps), WindowStepTimeout(form_)), [this] { AfterWrite(); });
}

void BatchPanel::AfterWrite() {
    unit_->written = commission::OutcomeOf(runner_.Last(), commission::Purpose::Write, WindowLink(form_), unit_->expected);
    unit_->record.writeSummary = unit_->written->summary;
    if (!unit_->written->Whole()) {
        unit_->record.verifySummary = "Verify: not started.";
        Finish();
        return;
    }
    runner_.Run(Sequence("Verifying", commission::ReadAllSteps(), WindowStepTimeout(form_)), [this] { AfterVerify(); });
}

void BatchPanel::AfterVerify() {
    unit_->verified = commission::OutcomeOf(runner_.Last(), commission::Purpose::Verify, WindowLink(form_), unit_->expected);
    unit_->reported = runner_.Last().Answers();
    unit_->record.verifySummary = unit_->verified->summary;
    Finish();
}

void BatchPanel::Finish() {
    Unit unit = std::move(*unit_);
    unit_.reset();
    SetRunning(false);
    auto& r = unit.record;
    r.result = commission::JudgeUnit(unit.expected, *unit.written, unit.verified, unit.reported);
    r.finished = commission::UtcNow();
    std::string recordName;
    QString problem;
    try {
        const std::filesystem::path folder = Path(recordFolder_);
        recordName = commission::WriteRecordFiles(folder, r);
        WriteRecordPdf(QFile::decodeName((folder / (r.identity.serial + ".pdf")).string().c_str()),
                       commission::RecordHtml(r));
    } catch (const std::exception& e) {
        problem = FromUtf8(e.what());
        if (recordName.empty()) recordName = "not written";
    }
    std::string what = r.result.failure;
    for (const auto& d : r.result.differences) what += (what.empty() ? "" : "; ") + d;
    const commission::BatchLogEntry entry{.serial = r.identity.serial,
                                          .address = r.identity.address ? std::to_string(*r.identity.address) : "",
                                          .inspector = r.identity.inspector,
                                          .started = r.started,
                                          .finished = r.finished,
                                          .result = r.result.pass ? "PASS" : "FAIL",
                                          .differences = what,
                                          .record = recordName};
    try {
        log_->Append(entry);
    } catch (const std::exception& e) {
        problem += (problem.isEmpty() ? "" : "\n") + FromUtf8(e.what());
    }
    AddRow(entry);
    ShowVerdict(FromUtf8(r.identity.serial), r.result.pass, FromUtf8(r.result.failure));
    form_.ShowNotice(QString("Batch: %1 %2").arg(FromUtf8(r.identity.serial), r.result.pass ? "PASS" : "FAIL"));
    if (!problem.isEmpty()) Refuse("Batch: " + problem);
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
    for (const char* name : StripActions)
        if (auto* button = form_.findChild<QPushButton*>(name)) button->setEnabled(!running);
}

void AddBatchPanel(TForm1& form) {
    auto* button = new QPushButton("Batch\u2026");
    button->setObjectName("BatchButton");
    button->setToolTip("Commission a batch of converters, each with its own serial number");
    button->setFixedSize(button->fontMetrics().horizontalAdvance(button->text()) + 16, 25);
    form.AddToActionStrip(button);
    // Made on first use; the window keeps it, hidden, between uses.
    QObject::connect(button, &QPushButton::clicked, &form, [&form] {
        auto* panel = form.findChild<BatchPanel*>();
        if (!panel) panel = new BatchPanel(form);
        panel->show();
        panel->raise();
        panel->activateWindow();
    });
}

}  // namespace console
