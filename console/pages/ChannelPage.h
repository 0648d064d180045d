#pragma once
// A page of channel rows (the analog page and the totalizer page): two group
// boxes of rows, one "Set" button per row and one "Query" button per group.
// Built from a table; every row is alike.

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>

#include <array>
#include <string>
#include <vector>

#include "protocol/ChannelTable.h"
#include "console/pages/ConsoleHost.h"

class QWidget;

namespace console {

struct ChannelGroupLayout {
    QString objectName;
    QString caption;
    int firstChannel = 1;
    int lastChannel = 1;
    int top = 0;          // within the page
    int height = 0;
    int firstRowTop = 0;  // within the group; rows follow at ChannelPageTable::rowPitch
    QString queryButton;  // object name of the group's "Query" button
    std::string queryWord;
    int queryTop = 0;     // within the group
};

struct ChannelPageTable {
    const protocol::ChannelTable& channels;
    std::vector<ChannelGroupLayout> groups;
    int groupLeft = 8;
    int groupWidth = 841;
    int rowPitch = 24;
    int rowLabelLeft = 6;
    std::array<int, 7> fieldLeft{};
    std::array<int, 7> fieldWidth{};
    int fieldHeight = 21;
    int setButtonLeft = 0;
    QSize setButtonSize{41, 20};
    int queryLeft = 0;
    QSize querySize{51, 25};
};

const ChannelPageTable& AnalogPage();     // TabSheet2
const ChannelPageTable& TotalizerPage();  // TabSheet3

class ChannelPage : public QObject {
public:
    // Builds the page's controls on `tabSheet`, which owns them and this page.
    ChannelPage(QWidget* tabSheet, ConsoleHost& host, const ChannelPageTable& table);

private:
    void BuildGroup(const ChannelGroupLayout& group);
    void SetClick(int channel);  // the handler of every "Set" button
    void QueryClick(const std::string& word);  // the handler of every "Query" button

    QWidget* page_;
    ConsoleHost& host_;
    const ChannelPageTable& table_;
};

}  // namespace console
