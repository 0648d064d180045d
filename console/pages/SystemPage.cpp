#include "console/pages/SystemPage.h"

#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "console/widgets/Controls.h"
#include "console/pages/CustomCommandGroup.h"
#include "console/pages/SetButton.h"
#include "protocol/CommandTable.h"
#include "protocol/CustomCommands.h"
#include "console/widgets/DigitKeyFilter.h"
#include "console/widgets/LabelFit.h"
#include "protocol/SystemParameters.h"

namespace console {

namespace {

constexpr int FieldHeight = 21;

// A control of the page, built from one row of a table.
struct ControlRow {
    enum class Kind { Label, Edit, Combo, Button } kind;
    const char* name;   // object name; empty for plain labels
    QString text;       // caption, or the initial text of an edit
    QStringList items;  // combo boxes
    int index = 0;      // combo boxes: the initial item
    QRect geometry;     // labels: the top-left corner, and as width the room before the next control
    // The accessible name; when empty, a field takes the caption of the label
    // before it in its row, and a button its caption and the row's first label.
    QString accessible = {};
    bool labelled = true;  // the label just before it in its row is its caption
};

using Kind = ControlRow::Kind;

// Builds the rows in order, which is also the order of the Tab key.
void Build(QWidget* parent, const std::vector<ControlRow>& rows) {
    constexpr int SameRow = 8;  // labels stand a few pixels lower than their fields
    int rowTop = -100;
    QString rowName, lastLabel;
    QLabel* previousLabel = nullptr;  // the row just before, when it is a label
    for (const auto& r : rows) {
        QWidget* control = nullptr;
        QString name = r.accessible;
        QLabel* caption = std::exchange(previousLabel, nullptr);
        switch (r.kind) {
            case Kind::Label:
                previousLabel = MakeLabel(parent, r.text, r.geometry.topLeft(), r.name);
                FitLabel(previousLabel, r.geometry.width());
                lastLabel = NameFromCaption(r.text);
                if (std::abs(r.geometry.top() - rowTop) > SameRow) {
                    rowTop = r.geometry.top();
                    rowName = lastLabel;
                }
                continue;
            case Kind::Edit: control = MakeEdit(parent, r.name, r.text, r.geometry); break;
            case Kind::Combo: control = MakeCombo(parent, r.name, r.items, r.index, r.geometry); break;
            case Kind::Button:
                control = MakeButton(parent, r.name, r.text, r.geometry);
                if (name.isEmpty()) name = r.text + " " + rowName;
                break;
        }
        SetAccessibleName(control, name.isEmpty() ? lastLabel : name);
        if (caption && r.labelled && r.kind != Kind::Button) caption->setBuddy(control);
    }
}

// `room`: the width up to the next control (0: no limit).
ControlRow Label(const char* caption, int x, int y, int room) {
    return {Kind::Label, "", caption, {}, 0, {x, y, room, 0}};
}
ControlRow Combo(const char* name, QStringList items, int index, int x, int y, int width) {
    return {Kind::Combo, name, {}, std::move(items), index, {x, y, width, FieldHeight}};
}
// A field of the parameter table, showing its factory setting: an edit, or a
// drop-down of its items.
const protocol::CommandField& TableField(const char* name) {
    const auto place = protocol::FindFieldOf(protocol::ParameterCommands(), name);
    if (!place) throw std::logic_error(std::string("no parameter field ") + name);
    return *place->field;
}
ControlRow Edit(const char* name, int x, int y, int width) {
    const auto& text = std::get<std::string>(TableField(name).initial);
    return {Kind::Edit, name, QString::fromStdString(text), {}, 0, {x, y, width, FieldHeight}};
}
ControlRow Choice(const char* name, int x, int y, int width) {
    const auto& field = TableField(name);
    return Combo(name, ItemTexts(*field.items), std::get<int>(field.initial), x, y, width);
}
ControlRow Button(const char* name, const char* caption, QRect geometry) {
    return {Kind::Button, name, caption, {}, 0, geometry};
}
ControlRow Named(ControlRow row, const QString& accessibleName, bool labelled = true) {
    row.accessible = accessibleName;
    row.labelled = labelled;
    return row;
}

// The five rows of the page's own parameters, at y = 10, 40, 70, 100 and 130,
// each label five pixels lower than its control.
std::vector<ControlRow> ParameterRows() {
    const QRect set(408, 0, 49, 20);
    return {
        Label("MODBUS Slave Address:", 24, 15, 134),
        Edit("Edit1", 160, 10, 41),
        Button("Button2", "Set", set.translated(0, 10)),

        Label(" Serial Port Data Monitoring:", 24, 45, 134),
        Choice("ComboBox4", 160, 40, 129),
        Button("Button3", "Set", set.translated(0, 40)),

        Label("Analog Channel Base Addr:", 24, 75, 134),
        Edit("ADBESARD", 160, 70, 41),
        Label("Pulse Channel Base Addr:", 216, 75, 126),
        Edit("PUBESARD", 344, 70, 41),
        Button("Button4", "Set", set.translated(0, 70)),

        Label("Data Read Interval:", 24, 105, 102),
        Edit("Edit2", 128, 100, 49),
        Label("0.1s", 184, 105, 0),
        Button("Button7", "Set", set.translated(0, 100)),

        Label("RS485 Data Interval:", 24, 135, 102),
        Edit("Edit3", 128, 130, 49),
        Label("1s", 184, 135, 30),
        Named(Choice("SENDXIEYI", 216, 130, 161),
              "RS485 Data Interval Frame Type", false),
        Button("Button10", "Set", set.translated(0, 130)),
    };
}

// The three RS485 interfaces of the converter, one row each in GroupBox39.
struct LineRow {
    const char* caption;
    const char* baud;
    const char* parity;
    const char* stopBits;
    const char* button;
    const char* word;
    int top;  // of the row's label; its boxes stand 19 pixels lower
};

constexpr LineRow Lines[] = {
    {"IRS485 Communication Interface", "ZMR485BT", "ZMR485JN", "ZRS485STOP", "Button188", "MR485Z", 16},
    {"OARS485 Communication Interface", "AMR485BT", "AMR485JN", "ARS485STOP", "Button22", "MR485A", 72},
    {"OBRS485 Communication Interface", "BMR485BT", "BMR485JN", "BRS485STOP", "Button17", "MR485B", 128},
};

std::vector<ControlRow> LineRows() {
    std::vector<ControlRow> rows;
    for (const auto& line : Lines) {
        const int y = line.top + 19;
        const QString interface = line.caption;
        rows.push_back(Label(line.caption, 24, line.top, 0));
        rows.push_back(Label("Baud:", 24, y + 4, 34));
        rows.push_back(
            Named(Choice(line.baud, 60, y, 69), interface + " Baud"));
        rows.push_back(Label("Parity:", 152, y + 4, 36));
        rows.push_back(Named(Choice(line.parity, 190, y, 65), interface + " Parity"));
        rows.push_back(Label("Stop Bits:", 278, y + 4, 48));
        rows.push_back(Named(Choice(line.stopBits, 328, y, 50), interface + " Stop Bits"));
        rows.push_back(Named(Button(line.button, "Set", {400, y, 49, 20}), "Set " + interface));
    }
    return rows;
}

std::vector<ControlRow> IdentityRows() {
    return {
        Label("PCBSN:", 24, 20, 38),
        Edit("PCBSN", 64, 16, 97),
        Label("Inspector:", 176, 20, 46),
        // Inspector numbers; the seventh is "007".
        Combo("JIANZHI",
              {"001", "002", "003", "004", "005", "006", "007", "008", "009", "101", "102", "103", "104"}, 0,
              224, 16, 57),
        Button("Button53", "Set", {320, 14, 57, 25}),
    };
}

// The numeric edits and the most characters each takes from the keyboard.
struct KeyFilterRow {
    const char* edit;
    int limit;
};

constexpr KeyFilterRow KeyFilters[] = {
    {"Edit1", 3}, {"ADBESARD", 5}, {"PUBESARD", 5}, {"Edit2", 3}, {"Edit3", 3},
};

}  // namespace

SystemPage::SystemPage(QWidget* tabSheet1, ConsoleHost& host)
    : QObject(tabSheet1), sheet_(tabSheet1), host_(host) {
    BuildParameterRows();
    BuildLineGroup();
    BuildIdentityGroup();
    for (int group = 1; group <= protocol::CustomCommandCount; ++group)
        new CustomCommandGroup(sheet_, group, host_);
    // Made after the command groups it stands under, so Tab reaches it after them.
    MakeButton(sheet_, "Button49", "Parameter Query", {536, 432, 129, 33});
    for (const auto& f : KeyFilters) new DigitKeyFilter(FindEdit(f.edit), f.limit);
    ConnectButtons();
}

void SystemPage::BuildParameterRows() { Build(sheet_, ParameterRows()); }

void SystemPage::BuildLineGroup() {
    Build(MakeGroup(sheet_, "GroupBox39", "Instrument Communication Parameters", {8, 170, 465, 191}),
          LineRows());
}

void SystemPage::BuildIdentityGroup() { Build(MakeGroup(sheet_, {}, {}, {8, 368, 465, 49}), IdentityRows()); }

void SystemPage::ConnectButtons() {
    connect(&FindControl<QPushButton>(sheet_, "Button49"), &QPushButton::clicked, this, &SystemPage::Button49Click);
    // Each Set button sends its command of the parameter table.
    struct Binding {
        const char* button;
        const char* word;
    };
    const Binding bindings[] = {
        {.button = "Button2", .word = "ADR"},     {.button = "Button3", .word = "MDO"},
        {.button = "Button4", .word = "BADR"},    {.button = "Button7", .word = "JTM"},
        {.button = "Button10", .word = "STM"},    {.button = Lines[0].button, .word = Lines[0].word},
        {.button = Lines[1].button, .word = Lines[1].word}, {.button = Lines[2].button, .word = Lines[2].word},
        {.button = "Button53", .word = "PCBSN"},
    };
    for (const auto& b : bindings)
        connect(&FindControl<QPushButton>(sheet_, b.button), &QPushButton::clicked, this, [this, word = b.word] { SendSet(word); });
    // "Parameter Initialization" belongs to the window, over every page.
    connect(&FindControl<QPushButton>(sheet_->window(), "Button8"), &QPushButton::clicked, this,
            [this] { SendSet("RESET"); });
}

QLineEdit* SystemPage::FindEdit(const char* name) const { return &FindControl<QLineEdit>(sheet_, name); }

void SystemPage::Button49Click() {
    host_.SendCommand(protocol::ParameterQueryCommand(), protocol::ReplyCode::SystemParameters);
}

void SystemPage::SendSet(const char* word) {
    const auto* command = protocol::FindCommand(protocol::ParameterCommands(), word);
    if (!command) throw std::logic_error(std::string("no parameter command ") + word);
    console::SendSet(host_, sheet_, *command);
}

}  // namespace console
