#include "serial/LineSettings.h"
#include "serial/PortLine.h"

namespace serial {

void ApplyLine(PortIo& io, int port, const TLineProperties& line) {
    termios2 current{};
    if (io.GetSettings(port, current) != 0) return;  // refused: nothing changes
    const TPortSettings wanted = TranslateDcb(BuildDcb(line), current);
    io.SetSettings(port, wanted.Termios);
    io.SetModemLines(port, wanted.RaiseLines, wanted.DropLines);
}

std::optional<TLineState> ReadLine(PortIo& io, int port) {
    termios2 settings{};
    if (io.GetSettings(port, settings) != 0) return std::nullopt;
    return LineStateOf(settings);
}

}  // namespace serial
