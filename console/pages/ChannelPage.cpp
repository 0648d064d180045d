#include "console/pages/ChannelPage.h"

#include <algorithm>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "console/pages/SetButton.h"
#include "protocol/ChannelProtocol.h"
#include "protocol/CommandTable.h"
#include "console/widgets/Controls.h"

namespace console {
namespace {

constexpr int HeaderGap = 6;

}  // namespace

const ChannelPageTable& AnalogPage() {
    static const ChannelPageTable table{
        .channels = protocol::AnalogChannels(),
        .groups = {
            {.objectName = "GroupBox38", .caption = "Analog Signal 1-8",
             .firstChannel = 1, .lastChannel = 8, .top = 4, .height = 229, .firstRowTop = 34,
             .queryButton = "Button5", .queryWord = "QX2", .queryTop = 88},
            {.objectName = "GroupBox9", .caption = "Analog Signal 9-16",
             .firstChannel = 9, .lastChannel = 16, .top = 240, .height = 241, .firstRowTop = 34,
             .queryButton = "Button46", .queryWord = "QX3", .queryTop = 88}},
        .fieldLeft = {50, 152, 192, 232, 456, 512, 560},
        .fieldWidth = {95, 25, 25, 217, 41, 41, 73},
        .setButtonLeft = 648,
        .queryLeft = 750,
    };
    return table;
}

const ChannelPageTable& TotalizerPage() {
    static const ChannelPageTable table{
        .channels = protocol::TotalizerChannels(),
        .groups = {
            {.objectName = "TotalizerGroup1", .caption = "Totalizer 1-6",
             .firstChannel = 1, .lastChannel = 6, .top = 4, .height = 189, .firstRowTop = 34,
             .queryButton = "Button9", .queryWord = "QX4", .queryTop = 88},
            {.objectName = "TotalizerGroup2", .caption = "Totalizer 7-12",
             .firstChannel = 7, .lastChannel = 12, .top = 200, .height = 193, .firstRowTop = 36,
             .queryButton = "Button47", .queryWord = "QX5", .queryTop = 80}},
        .fieldLeft = {58, 160, 200, 240, 472, 528, 576},
        .fieldWidth = {95, 25, 25, 225, 41, 41, 81},
        .setButtonLeft = 672,
        .queryLeft = 742,
    };
    return table;
}

ChannelPage::ChannelPage(QWidget* tabSheet, ConsoleHost& host, const ChannelPageTable& table)
    : QObject(tabSheet), page_(tabSheet), host_(host), table_(table) {
    for (const auto& group : table_.groups) BuildGroup(group);
}

void ChannelPage::BuildGroup(const ChannelGroupLayout& layout) {
    const auto& channels = table_.channels;
    auto* group = MakeGroup(page_, layout.objectName, layout.caption,
                            QRect(table_.groupLeft, layout.top, table_.groupWidth, layout.height));

    // Each header stands centred over its column; where a header is wider
    // than its column it moves right just enough to clear its left neighbour.
    const int headerTop = layout.firstRowTop - 17;
    int previousRight = 0;
    for (std::size_t c = 0; c < channels.columns.size(); ++c) {
        auto* header = MakeLabel(group, QString::fromStdString(channels.columns[c].header), QPoint());
        const int centred = table_.fieldLeft[c] + (table_.fieldWidth[c] - header->width()) / 2;
        const int left = std::max(centred, previousRight + HeaderGap);
        header->move(left, headerTop);
        previousRight = left + header->width();
    }

    for (int n = layout.firstChannel; n <= layout.lastChannel; ++n) {
        const int top = layout.firstRowTop + (n - layout.firstChannel) * table_.rowPitch;
        const QString rowLabel = QString::fromStdString(protocol::RowLabel(channels, n));
        MakeLabel(group, rowLabel, QPoint(table_.rowLabelLeft, top + 4));
        // Each field is named by its row and its column header: "MAD3 Coefficient".
        const QString rowName = NameFromCaption(rowLabel);
        for (std::size_t c = 0; c < channels.columns.size(); ++c) {
            const auto& column = channels.columns[c];
            const QString name = QString::fromStdString(protocol::ControlName(column, n));
            const QRect geometry(table_.fieldLeft[c], top, table_.fieldWidth[c], table_.fieldHeight);
            QWidget* control = nullptr;
            if (column.IsComboBox()) {
                control = MakeCombo(group, name, ItemTexts(column.items), column.defaultIndex, geometry,
                                    ListWidth::LongestItem);
            } else {
                control = MakeEdit(group, name, QString::fromStdString(protocol::DefaultText(column, n)), geometry);
            }
            SetAccessibleName(control, rowName + " " + QString::fromStdString(column.header));
        }
        auto* set = MakeButton(group, QString::fromStdString(channels.setButtons[n - 1]), "Set",
                               QRect(QPoint(table_.setButtonLeft, top), table_.setButtonSize));
        SetAccessibleName(set, "Set " + rowName);
        connect(set, &QPushButton::clicked, this, [this, n] { SetClick(n); });
    }

    auto* query = MakeButton(group, layout.queryButton, "Query",
                             QRect(QPoint(table_.queryLeft, layout.queryTop), table_.querySize));
    SetAccessibleName(query, "Query " + layout.caption);
    connect(query, &QPushButton::clicked, this, [this, word = layout.queryWord] { QueryClick(word); });
}

void ChannelPage::SetClick(int channel) {
    SendSet(host_, page_, protocol::ChannelCommand(table_.channels, channel));
}

void ChannelPage::QueryClick(const std::string& word) {
    host_.SendCommand(protocol::ComposeCommand(protocol::QueryPrefix, word), table_.channels.replyCode);
}

}  // namespace console
