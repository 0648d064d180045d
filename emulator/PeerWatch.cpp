#include "emulator/PeerWatch.h"

#include <cerrno>

namespace emulator {

namespace {

// How often exclusive mode is looked for while the emulator holds the port.
constexpr int LookEveryMs = 200;

}  // namespace

int PeerWatch::IntervalMs() const { return pty_.Holding() ? LookEveryMs : -1; }

bool PeerWatch::Check(bool masterHungUp) {
    if (pty_.Holding()) {
        if (pty_.Exclusive()) pty_.ReleaseHold();
        return false;
    }
    if (!masterHungUp) return false;
    // The last program closed its side: left in exclusive mode or not?
    // A program that closed and at once opened it again (a search of the line
    // settings does so at every try) holds it: the master no longer hangs up.
    if (!pty_.MasterHungUp()) return false;
    const int r = pty_.TakeHold();
    if (r == 0 && !pty_.Exclusive()) return false;
    if (r == 0) {
        // Exclusive: left so by a program that died, or set by one that
        // opened it again meanwhile, which then holds it besides us.
        pty_.ReleaseHold();
        if (!pty_.MasterHungUp()) return false;
    }
    if (r != 0 && r != -EBUSY) return false;  // cannot tell; looked at again on the next hang-up
    if (r == -EBUSY && !pty_.MasterHungUp()) return false;  // opened again meanwhile
    return pty_.Renew();
}

}  // namespace emulator
