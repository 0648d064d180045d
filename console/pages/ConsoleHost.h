#pragma once
// What a page of parameters needs of the main window: the reply code, the one
// send step and the application's message box. Replies are parsed by the
// window's reply path, into the controls by name.

#include <optional>
#include <string>

#include <QString>

#include "protocol/ReplyCodes.h"

namespace console {

class ConsoleHost {
public:
    virtual ~ConsoleHost() = default;

    // The code of the reply the console expects next (protocol::Code of a
    // ReplyCode; any other number takes no reply).
    virtual int& ReplyMode() = 0;
    // The send step of every command button: ReplyMode takes the code (when one
    // is given), the send buffer shows the command, the receive buffer is
    // emptied, and the bytes go to the port. True when the port took them.
    virtual bool SendCommand(const std::string& command, std::optional<protocol::ReplyCode> code) = 0;
    // A modal message box, through the application's replaceable message hook.
    virtual void ShowMessage(const QString& text) = 0;
};

}  // namespace console
