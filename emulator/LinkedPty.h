#pragma once
// The emulator's pseudo-terminal and the link programs find it by. Renew()
// puts a fresh pseudo-terminal behind the same link: whatever a program left
// on the old one (exclusive mode held by a process that died) goes with it,
// and the next program to open the link gets the new one.

#include <string>

namespace emulator {

// Raw bytes both ways, no modem control, receiver on.
void MakeRaw(int fd);

class LinkedPty {
public:
    // `link` may be empty: then programs use SlavePath() directly.
    explicit LinkedPty(std::string link);
    ~LinkedPty();
    LinkedPty(const LinkedPty&) = delete;
    LinkedPty& operator=(const LinkedPty&) = delete;

    // Opens a fresh pair, raw on the program's side, and points the link at
    // it in one step; the old pair, if any, is closed after. False, with
    // Error() telling why, when no pair or no link can be had; the old pair
    // then stays as it was.
    bool Renew();
    // Gone as an unplugged adapter is gone: the link first, then the pair.
    // Renew() brings it back.
    void Drop();
    const std::string& Error() const { return error_; }

    int Master() const { return master_; }       // the converter's side, non-blocking
    const std::string& SlavePath() const { return slavePath_; }
    const std::string& Link() const { return link_; }

    // The emulator's own descriptor of the program's side. While it is open
    // the master never sees a hang-up; the caller may give it up (to see one
    // when the last program closes) and take it again.
    bool Holding() const { return hold_ >= 0; }
    void ReleaseHold();
    // Opens the program's side again; -errno when it cannot (-EBUSY: another
    // program holds it in exclusive mode).
    int TakeHold();
    // Whether some program has put the port in exclusive mode (needs the hold).
    bool Exclusive() const;
    // Whether the master hangs up now: nobody has the program's side open.
    bool MasterHungUp() const;

private:
    std::string link_;
    std::string slavePath_;
    std::string error_;
    int master_ = -1;
    int hold_ = -1;
};

}  // namespace emulator
