#include "console/pages/CustomCommandGroup.h"

#include "console/pages/CommandFrameCheck.h"
#include "console/pages/SetButton.h"
#include "console/widgets/Controls.h"
#include "protocol/CommandTable.h"
#include "protocol/CustomCommands.h"
#include "console/widgets/LabelFit.h"

namespace console {

namespace {

struct GroupRow {
    int top;
    int height;
    int enableTop;
    const char* readCommand;   // row 1 "Query"
    const char* writeCommand;  // row 1 "Set"
    const char* readRule;      // row 2 "Query"
    const char* writeRule;     // row 2 "Set"
};

// Groups 1 to 6, on the right half of the page.
constexpr GroupRow Groups[protocol::CustomCommandCount] = {
    {1, 68, 16, "Button76", "Button73", "Button74", "Button75"},
    {70, 70, 18, "Button81", "Button78", "Button79", "Button80"},
    {140, 68, 18, "Button87", "Button82", "Button85", "Button86"},
    {209, 68, 18, "Button37", "Button36", "Button35", "Button34"},
    {281, 68, 18, "Button41", "Button38", "Button39", "Button40"},
    {353, 68, 18, "Button45", "Button44", "Button43", "Button42"},
};

constexpr int GroupLeft = 480;
constexpr int GroupWidth = 457;
constexpr int Row1 = 16;
constexpr int Row2 = 40;
constexpr int FieldHeight = 21;
constexpr int ByteLeft[3] = {184, 248, 312};
constexpr int ByteLabelLeft[3] = {152, 216, 280};
const char* const ByteCaptions[3] = {"Byte1:", "Byte2:", "Byte3:"};

// A field's factory setting, from its command's row.
QString InitialText(const protocol::CommandField& field) {
    return QString::fromStdString(std::get<std::string>(field.initial));
}

QString Name(std::string_view name) { return QString::fromLatin1(name.data(), qsizetype(name.size())); }

}  // namespace

CustomCommandGroup::CustomCommandGroup(QWidget* page, int number, ConsoleHost& host)
    : QObject(page), number_(number), host_(host) {
    const GroupRow& row = Groups[number - 1];
    const auto& names = protocol::CustomCommandGroups[number - 1];
    const auto write = protocol::CustomCommandWrite(number);
    const auto rule = protocol::ParsingRuleWrite(number);

    auto* box =
        MakeGroup(page, {}, QString("Command %1").arg(number), {GroupLeft, row.top, GroupWidth, row.height});
    FitLabel(MakeLabel(box, "Enable:", {8, Row1 + 4}), 38);
    enable_ =
        MakeCombo(box, Name(names.enable), ItemTexts(*write.fields[0].items), std::get<int>(write.fields[0].initial),
                  {48, row.enableTop, 73, FieldHeight});
    FitLabel(MakeLabel(box, "Command:", {128, Row1 + 4}), 55);
    data_ = MakeEdit(box, Name(names.data), InitialText(write.fields[1]), {184, Row1, 153, FieldHeight});
    new CommandFrameCheck(data_);
    auto* readCommand = MakeButton(box, row.readCommand, "Query", {352, Row1, 41, 20});
    auto* writeCommand = MakeButton(box, row.writeCommand, "Set", {400, Row1, 41, 20});

    FitLabel(MakeLabel(box, "Response Data Parsing", {8, Row2 + 4}), 142);
    for (int i = 0; i < 3; ++i) {
        const int room = ByteLeft[i] - ByteLabelLeft[i] - 1;
        FitLabel(MakeLabel(box, ByteCaptions[i], {ByteLabelLeft[i], Row2 + 4}), room);
        bytes_[i] =
            MakeEdit(box, Name(names.bytes[i]), InitialText(rule.fields[static_cast<std::size_t>(i)]), {ByteLeft[i], Row2, 25, FieldHeight});
    }
    auto* readRule = MakeButton(box, row.readRule, "Query", {352, Row2, 41, 20});
    auto* writeRule = MakeButton(box, row.writeRule, "Set", {400, Row2, 41, 20});

    // Named by the group and the caption of each field or row.
    const QString group = box->title();
    SetAccessibleName(enable_, group + " Enable");
    SetAccessibleName(data_, group + " Command");
    SetAccessibleName(readCommand, "Query " + group + " Command");
    SetAccessibleName(writeCommand, "Set " + group + " Command");
    for (int i = 0; i < 3; ++i) SetAccessibleName(bytes_[i], group + " " + NameFromCaption(ByteCaptions[i]));
    SetAccessibleName(readRule, "Query " + group + " Response Data Parsing");
    SetAccessibleName(writeRule, "Set " + group + " Response Data Parsing");

    connect(readCommand, &QPushButton::clicked, this, &CustomCommandGroup::ReadCommandClick);
    connect(writeCommand, &QPushButton::clicked, this, &CustomCommandGroup::WriteCommandClick);
    connect(readRule, &QPushButton::clicked, this, &CustomCommandGroup::ReadParsingRuleClick);
    connect(writeRule, &QPushButton::clicked, this, &CustomCommandGroup::WriteParsingRuleClick);
}

void CustomCommandGroup::WriteCommandClick() {
    SendSet(host_, data_->parentWidget(), protocol::CustomCommandWrite(number_));
}

void CustomCommandGroup::ReadCommandClick() {
    host_.SendCommand(protocol::CommandReadCommand(number_), protocol::ReplyCode::CustomCommand);
}

void CustomCommandGroup::WriteParsingRuleClick() {
    SendSet(host_, data_->parentWidget(), protocol::ParsingRuleWrite(number_));
}

void CustomCommandGroup::ReadParsingRuleClick() {
    host_.SendCommand(protocol::ParsingRuleReadCommand(number_), protocol::ReplyCode::ParsingRule);
}

}  // namespace console
