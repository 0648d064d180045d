#pragma once
// The "System Parameter" page: the converter's own parameters (slave address,
// monitoring, base addresses, intervals, the three RS485 lines, the board's
// identity), the parameter query that reads them back, and the six
// custom-command groups. The window's "Parameter Initialization" button is
// wired here too, since its command belongs to these parameters.

#include <QObject>

#include "console/pages/ConsoleHost.h"

class QComboBox;
class QLineEdit;
class QWidget;

namespace console {

class SystemPage : public QObject {
public:
    // Builds every control on `tabSheet1`, which owns the page.
    SystemPage(QWidget* tabSheet1, ConsoleHost& host);

    // Handlers. Conversion errors (EConvertError) propagate to the caller.
    void Button49Click();  // "Parameter Query"
    void Button2Click();   // slave address
    void Button3Click();   // monitoring
    void Button4Click();   // base addresses
    void Button7Click();   // read interval
    void Button10Click();  // RS485 data interval and frame type
    void Button188Click(); // line of interface "IRS485"
    void Button22Click();  // line of interface "OARS485"
    void Button17Click();  // line of interface "OBRS485"
    void Button53Click();  // board serial number and inspector
    void Button8Click();   // "Parameter Initialization"

private:
    void BuildParameterRows();
    void BuildLineGroup();
    void BuildIdentityGroup();
    void ConnectButtons();
    void SendLineSettings(int line);

    QLineEdit* FindEdit(const char* name) const;
    QComboBox* FindCombo(const char* name) const;

    QWidget* sheet_;
    ConsoleHost& host_;
};

}  // namespace console
