#pragma once
// A TComm on the slave side of a pseudo-terminal, with the test playing the
// device on the master side and recording every event raised.

#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LineSettings.h"
#include "PortIo.h"
#include "PtyPair.h"
#include "TComm.h"

namespace serialtest {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Received {
    std::string bytes;
    Clock::time_point at;
    bool terminated;  // the byte after the data was 0
};

// Descriptors and threads of this process, to check that nothing is left over.
int OpenDescriptorCount();
int ThreadCount();

// The system's port I/O, noting the last line settings and modem lines the
// component wrote (a pseudo-terminal keeps 8 data bits and no parity whatever
// it is told, and has no modem lines).
class SpyIo : public serial::PortIo {
public:
    int Open(const std::string& path) override { return real_->Open(path); }
    void Close(int fd) override { real_->Close(fd); }
    bool IsTerminal(int fd) override { return real_->IsTerminal(fd); }
    int Lock(int fd) override { return real_->Lock(fd); }
    void Unlock(int fd) override { real_->Unlock(fd); }
    int GetSettings(int fd, termios2& s) override { return real_->GetSettings(fd, s); }
    int SetSettings(int fd, const termios2& s) override {
        lastSettings = s;
        ++settingsWritten;
        return real_->SetSettings(fd, s);
    }
    int SetModemLines(int fd, int raise, int drop) override {
        raised = raise;
        dropped = drop;
        return real_->SetModemLines(fd, raise, drop);
    }
    int Flush(int fd, serial::TQueue q) override { return real_->Flush(fd, q); }
    long Read(int fd, void* b, std::size_t n) override { return real_->Read(fd, b, n); }
    long Write(int fd, const void* b, std::size_t n) override { return real_->Write(fd, b, n); }
    int Poll(pollfd* fds, std::size_t n, int t) override { return real_->Poll(fds, n, t); }
    int GetCounters(int fd, serial::TLineCounters& c) override { return real_->GetCounters(fd, c); }
    int WaitModemChange(int fd) override { return real_->WaitModemChange(fd); }

    // Written on the owner's thread only (OpenPort and the setters).
    termios2 lastSettings{};
    int settingsWritten = 0;
    int raised = 0;
    int dropped = 0;

    // The parity the component last asked for, as ReadLineState shows it.
    char LastParity() const { return serial::LineStateOf(lastSettings).Parity; }

private:
    std::shared_ptr<serial::PortIo> real_ = serial::PosixPortIo();
};

class CommTest : public ::testing::Test {
protected:
    CommTest();

    // Drains the component's notifications on this thread until `done` holds
    // or `limit` passes; true when `done` held.
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s);
    void PumpFor(std::chrono::milliseconds span);
    std::string AllReceived() const;

    testutil::PtyPair pty;
    std::shared_ptr<SpyIo> io = std::make_shared<SpyIo>();
    serial::TComm comm{io};
    std::vector<Received> blocks;
    int sendEmpty = 0;
    int hangups = 0;
    std::vector<std::uint64_t> sendEmptySerials;
};

}  // namespace serialtest
