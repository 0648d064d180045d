#pragma once
// The "System Parameter" page: the converter's own parameters (slave address,
// monitoring, base addresses, intervals, the three RS485 lines, the board's
// identity), the parameter query that reads them back, and the six
// custom-command groups. The window's "Parameter Initialization" button is
// wired here too, since its command belongs to these parameters.

#include <QObject>

#include "console/pages/ConsoleHost.h"

class QLineEdit;
class QWidget;

namespace console {

class SystemPage : public QObject {
public:
    // Builds every control on `tabSheet1`, which owns the page.
    SystemPage(QWidget* tabSheet1, ConsoleHost& host);

    // "Parameter Query". The Set buttons and "Parameter Initialization" send
    // their rows of protocol::ParameterCommands(); conversion errors
    // (EConvertError) propagate to the caller.
    void Button49Click();

private:
    void BuildParameterRows();
    void BuildLineGroup();
    void BuildIdentityGroup();
    void ConnectButtons();
    void SendSet(const char* word);

    QLineEdit* FindEdit(const char* name) const;

    QWidget* sheet_;
    ConsoleHost& host_;
};

}  // namespace console
