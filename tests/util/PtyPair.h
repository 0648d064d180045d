#pragma once
// A pseudo-terminal pair for tests: the component opens the slave by its path,
// the test plays the device on the master side.
//
// On Windows (under Wine) the pair is a null-modem pair of COM ports that the
// Linux helper pty_hub bridges: the component opens $TQ_TEST_PORT, the test
// plays the device on $TQ_TEST_DEVICE, and asks the hub for a fresh pair and
// for a hang-up through $TQ_TEST_CONTROL. master() is then the device side's
// handle value, and the keep-alive the control port's.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace testutil {

class PtyPair {
public:
    PtyPair();  // throws std::runtime_error when no pair can be had
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    // Writes every byte to the master side (the device talking to the PC).
    void write(const std::string& bytes) const;
    void write(const std::vector<std::uint8_t>& bytes) const;
    // Collects what the PC sent until `count` bytes are in or `limit` passes.
    std::string readAtLeast(std::size_t count, std::chrono::milliseconds limit) const;
    // Collects whatever arrives until the line has been quiet for `quiet`.
    std::string readUntilQuiet(std::chrono::milliseconds quiet) const;
    // Closes the master side: the slave then sees a hang-up.
    void closeMaster();

private:
    int master_ = -1;
    int slaveKeepAlive_ = -1;  // keeps the slave side existing between opens
    std::string slavePath_;
};

}  // namespace testutil
