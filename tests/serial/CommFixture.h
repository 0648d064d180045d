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

// Descriptors of this process and threads of its components ("TComm ..."),
// to check that nothing is left over.
int OpenDescriptorCount();
int ThreadCount();

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
