#pragma once
// One of the six custom-command groups of the "System Parameter" page: the
// enable setting and the command frame (written with "COMW", read with
// "COMR"), and the three-byte parsing rule of its answer ("COMP").

#include <QObject>

#include "console/pages/ConsoleHost.h"

class QComboBox;
class QLineEdit;
class QWidget;

namespace console {

class CustomCommandGroup : public QObject {
public:
    // Builds group `number` (1 to 6) on `page`, which owns it.
    CustomCommandGroup(QWidget* page, int number, ConsoleHost& host);

    // Handlers of the four buttons.
    void WriteCommandClick();     // row 1 "Set"
    void ReadCommandClick();      // row 1 "Query"
    void WriteParsingRuleClick(); // row 2 "Set"
    void ReadParsingRuleClick();  // row 2 "Query"

private:
    int number_;
    ConsoleHost& host_;
    QComboBox* enable_ = nullptr;
    QLineEdit* data_ = nullptr;
    QLineEdit* bytes_[3] = {};
};

}  // namespace console
