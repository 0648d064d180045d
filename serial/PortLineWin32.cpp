#include "serial/PortLine.h"

namespace serial {

// The driver takes the record itself; DTR and RTS follow its control members.
void ApplyLine(PortIo& io, int port, const TLineProperties& line) {
    TDcb current;
    if (io.GetSettings(port, current) != 0) return;  // refused: nothing changes
    io.SetSettings(port, BuildDcb(line, current));
}

std::optional<TLineState> ReadLine(PortIo& io, int port) {
    TDcb d;
    if (io.GetSettings(port, d) != 0) return std::nullopt;
    constexpr char Parities[] = {'N', 'O', 'E', 'M', 'S'};
    return TLineState{.BaudRate = d.BaudRate,
                      .DataBits = d.ByteSize,
                      .Parity = d.Parity < 5 ? Parities[d.Parity] : 'N',
                      .StopBits = d.StopBits == 0 ? 1 : 2};
}

}  // namespace serial
