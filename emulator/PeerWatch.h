#pragma once
// Notices when the program on the emulator's port has gone without letting
// go of exclusive mode (killed, crashed) and puts a fresh pseudo-terminal
// behind the link, so that the next program can open it.
//
// While nobody holds the port exclusively the emulator keeps its own
// descriptor of the program's side open (the master then never hangs up).
// Once a program takes exclusive mode the emulator lets go of it, so that the
// master hangs up when the program goes. After that hang-up it opens the
// program's side again to look: still exclusive means the program died with
// it held.

#include "emulator/LinkedPty.h"

namespace emulator {

class PeerWatch {
public:
    explicit PeerWatch(LinkedPty& pty) : pty_(pty) {}

    // How long the caller's wait may last before Check() must look again,
    // in milliseconds; -1 for no limit.
    int IntervalMs() const;
    // Call after each wait, telling whether the master hung up. True when a
    // fresh pseudo-terminal was put behind the link.
    bool Check(bool masterHungUp);

private:
    LinkedPty& pty_;
};

}  // namespace emulator
