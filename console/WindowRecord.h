#pragma once
// Moving the whole configuration between the record and the window's controls.

#include <QString>
#include <QWidget>

#include "Configuration.h"

namespace console {

// Every setting as its control holds it now: a combo box's item index worked
// out from its text (the inspector box: its text), an edit's text as bytes.
commission::Configuration ReadWindow(const QWidget* root);
// Puts every value of the record into its control.
void ShowInWindow(QWidget* root, const commission::Configuration& record);

// The control of a setting, or nullptr.
QWidget* FindSettingControl(const QWidget* root, const std::string& control);

}  // namespace console
