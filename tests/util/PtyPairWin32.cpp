#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/util/PtyPair.h"

namespace testutil {

namespace {

using Clock = std::chrono::steady_clock;

std::string Setting(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == 0)
        throw std::runtime_error(std::string(name) + " is not set: run the tests through pty_hub (see .ci/run)");
    return value;
}

HANDLE OpenRaw(const std::string& name) {
    const std::string path = "\\\\.\\" + name;
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + name);
    DCB d{};
    d.DCBlength = sizeof d;
    ::GetCommState(h, &d);
    d.BaudRate = 9600;
    d.fBinary = 1;
    d.fParity = d.fOutxCtsFlow = d.fOutxDsrFlow = d.fOutX = d.fInX = d.fNull = 0;
    d.fDtrControl = DTR_CONTROL_ENABLE;
    d.fRtsControl = RTS_CONTROL_ENABLE;
    d.ByteSize = 8;
    d.Parity = NOPARITY;
    d.StopBits = ONESTOPBIT;
    ::SetCommState(h, &d);
    // A read returns what is there, or the first byte within 50 ms.
    COMMTIMEOUTS t{MAXDWORD, MAXDWORD, 50, 0, 0};
    ::SetCommTimeouts(h, &t);
    return h;
}

HANDLE HandleOf(int fd) { return LongToHandle(fd); }

std::string ReadSome(HANDLE h) {
    char buffer[4096];
    DWORD n = 0;
    if (!::ReadFile(h, buffer, sizeof buffer, &n, nullptr)) return {};
    return std::string(buffer, n);
}

void WriteAll(HANDLE h, const char* bytes, std::size_t size) {
    while (size > 0) {
        DWORD n = 0;
        if (!::WriteFile(h, bytes, static_cast<DWORD>(size), &n, nullptr))
            throw std::runtime_error("device side: write failed");
        bytes += n;
        size -= n;
    }
}

// Asks the hub for one thing and waits for its 'K'.
void Ask(HANDLE control, char request) {
    WriteAll(control, &request, 1);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline)
        if (ReadSome(control).find('K') != std::string::npos) return;
    throw std::runtime_error(std::string("pty_hub did not answer ") + request);
}

}  // namespace

PtyPair::PtyPair() {
    HANDLE control = OpenRaw(Setting("TQ_TEST_CONTROL"));
    slaveKeepAlive_ = HandleToLong(control);
    Ask(control, 'R');  // a fresh pair, as a new pseudo-terminal pair would be
    master_ = HandleToLong(OpenRaw(Setting("TQ_TEST_DEVICE")));
    slavePath_ = Setting("TQ_TEST_PORT");
}

PtyPair::~PtyPair() {
    if (master_ >= 0) ::CloseHandle(HandleOf(master_));
    if (slaveKeepAlive_ >= 0) ::CloseHandle(HandleOf(slaveKeepAlive_));
}

void PtyPair::write(const std::string& bytes) const { WriteAll(HandleOf(master_), bytes.data(), bytes.size()); }

void PtyPair::write(const std::vector<std::uint8_t>& bytes) const {
    write(std::string(bytes.begin(), bytes.end()));
}

std::string PtyPair::readAtLeast(std::size_t count, std::chrono::milliseconds limit) const {
    std::string out;
    const auto deadline = Clock::now() + limit;
    while (out.size() < count && Clock::now() < deadline) out += ReadSome(HandleOf(master_));
    return out;
}

std::string PtyPair::readUntilQuiet(std::chrono::milliseconds quiet) const {
    std::string out;
    auto lastByte = Clock::now();
    while (Clock::now() - lastByte < quiet) {
        const std::string some = ReadSome(HandleOf(master_));
        if (!some.empty()) lastByte = Clock::now();
        out += some;
    }
    return out;
}

// The hub drops the component's side of the line: it sees the hang-up.
void PtyPair::closeMaster() {
    if (master_ < 0) return;
    Ask(HandleOf(slaveKeepAlive_), 'H');
    ::CloseHandle(HandleOf(master_));
    master_ = -1;
}

}  // namespace testutil
