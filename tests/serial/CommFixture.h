#pragma once
// A TComm on the slave side of a pseudo-terminal, with the test playing the
// device on the master side and recording every event raised.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/util/PtyPair.h"
#include "serial/TComm.h"

namespace serialtest {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Received {
    std::string bytes;
    Clock::time_point at;
    bool terminated;  // the byte after the data was 0
};

// Descriptors (handles) of this process and threads of its components, to
// check that nothing is left over. Each platform in its own file.
int OpenDescriptorCount();
int ThreadCount();
// Waits up to 2 s for the component's threads to be `count` again: a thread
// already joined may still be listed by the system for a moment.
bool ThreadsBackTo(int count);

// Why a second opener of the port cannot be seen refused here; nothing
// where it can.
std::optional<std::string> ExclusivityUntested();

// Runs OpenPort and returns its error (message, reason); empty when it opened.
std::pair<std::string, std::string> OpenError(serial::TComm& comm);

// An ordinary file, removed again at the end.
struct NotAPort {
    NotAPort();
    ~NotAPort();
    std::string path;
};

// Port names OpenPort must refuse, with the message and the reason.
struct OpenFailure {
    std::string name, message, reason;
};
std::vector<OpenFailure> OpenFailureCases(const std::string& notAPort);

class CommTest : public ::testing::Test {
protected:
    CommTest();

    // Drains the component's notifications on this thread until `done` holds
    // or `limit` passes; true when `done` held.
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s);
    void PumpFor(std::chrono::milliseconds span);
    std::string AllReceived() const;

    testutil::PtyPair pty;
    serial::TComm comm;
    std::vector<Received> blocks;
    int sendEmpty = 0;
    int hangups = 0;
    std::vector<std::uint64_t> sendEmptySerials;
};

}  // namespace serialtest
