#pragma once
// Applying the line properties to an open port and reading back what the
// driver holds, each platform in its own file (PortLinePosix.cpp,
// PortLineWin32.cpp). A setting the driver refuses changes nothing and
// reports nothing.

#include <optional>

#include "serial/Dcb.h"
#include "serial/PortIo.h"

namespace serial {

void ApplyLine(PortIo& io, int port, const TLineProperties& line);
std::optional<TLineState> ReadLine(PortIo& io, int port);

}  // namespace serial
