#pragma once
// Moving the whole configuration between the record and the window's controls.

#include <QString>
#include <QWidget>

#include "commission/Commands.h"
#include "commission/Configuration.h"

namespace console {

// Every setting as its control holds it now: a combo box's item index worked
// out from its text (the inspector box: its text), an edit's text as bytes.
// A text that cannot travel as Latin-1 is refused (protocol::EFieldRefused);
// with `refused`, every such field is listed there instead, and the record
// holds its text with those characters as "?".
commission::Configuration ReadWindow(const QWidget* root,
                                     std::vector<commission::FieldFailure>* refused = nullptr);
// Puts every value of the record into its control.
void ShowInWindow(QWidget* root, const commission::Configuration& record);

// The control of a setting, or nullptr.
QWidget* FindSettingControl(const QWidget* root, const std::string& control);

}  // namespace console
