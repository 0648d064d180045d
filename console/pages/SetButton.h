#pragma once
// The one handler behind every Set button: it reads the fields of a
// converter command (protocol/CommandTable) from their controls, composes the
// command and sends it under the command's reply code.

#include <QWidget>

#include "console/pages/ConsoleHost.h"
#include "protocol/CommandTable.h"

namespace console {

// Sends `command` with the values of its controls under `root`. A text that
// cannot travel is refused (protocol::EFieldRefused) before anything changes;
// a number that does not convert raises protocol::EConvertError after a code
// taken before the fields; command data of odd length is a message, not a send.
void SendSet(ConsoleHost& host, const QWidget* root, const protocol::ConverterCommand& command);

}  // namespace console
