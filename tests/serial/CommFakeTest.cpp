// What a pseudo-terminal cannot show, through the scripted port I/O: line
// events, immediate completions, partial and failing writes, failures of each
// kind, and the races between a stop and completed I/O.
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "tests/serial/CommFixture.h"
#include "tests/serial/FakePortIo.h"
#include "serial/ReadThread.h"
#include "serial/WriteThread.h"

using namespace serialtest;
using serial::TLineCounters;

namespace {

// Records every event but the idle notice as text, in the order raised.
void Record(serial::TComm& comm, std::vector<std::string>& events) {
    comm.SetCommName("/dev/ttyFAKE0");
    comm.OnReceiveData = [&events](serial::TComm&, const std::uint8_t* b, std::uint16_t n) {
        events.push_back("data " + std::string(reinterpret_cast<const char*>(b), n));
    };
    comm.OnReceiveError = [&events](serial::TComm&, std::uint32_t e) { events.push_back("error " + std::to_string(e)); };
    comm.OnModemStateChange = [&events](serial::TComm&, std::uint32_t m) {
        events.push_back("modem " + std::to_string(m));
    };
    comm.OnRequestHangup = [&events](serial::TComm&) { events.push_back("hangup"); };
}

bool Pump(serial::TComm& comm, const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        comm.ProcessNotifications();
        if (done()) return true;
        if (Clock::now() >= deadline) return false;
        pollfd p{comm.NotifyFd(), POLLIN, 0};
        ::poll(&p, 1, 10);
    }
}

class FakeCommTest : public ::testing::Test {
protected:
    FakeCommTest() {
        Record(comm, events);
        comm.OnSendDataEmpty = [this](serial::TComm&) { ++sendEmpty; };
    }

    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
        return Pump(comm, done, limit);
    }
    bool PumpUntilEvents(std::size_t n) { return PumpUntil([&] { return events.size() >= n; }); }
    void PumpFor(std::chrono::milliseconds span) { PumpUntil([] { return false; }, span); }

    std::shared_ptr<FakePortIo> fake = std::make_shared<FakePortIo>();
    serial::TComm comm{fake};
    std::vector<std::string> events;
    int sendEmpty = 0;
};

TLineCounters Counts(std::uint32_t frame, std::uint32_t parity, std::uint32_t overrun, std::uint32_t bufOverrun,
                     std::uint32_t brk, std::uint32_t dcd = 0, std::uint32_t rng = 0) {
    return TLineCounters{frame, parity, overrun, bufOverrun, brk, dcd, rng};
}

}  // namespace

TEST_F(FakeCommTest, EachLineEventToItsNotificationsInOrder) {
    struct Case {
        const char* what;
        bool viaRead;  // counted while a block came in, or a completed modem wait
        TLineCounters change;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"carrier", false, Counts(0, 0, 0, 0, 0, 1, 0), {"modem 8"}},
        {"ring", false, Counts(0, 0, 0, 0, 0, 0, 1), {"modem 4"}},
        {"carrier and ring", false, Counts(0, 0, 0, 0, 0, 2, 1), {"modem 12"}},
        {"framing error and ring", false, Counts(1, 0, 0, 0, 0, 0, 1), {"error 8", "modem 4"}},
        {"parity and overrun in a block", true, Counts(0, 3, 1, 0, 0), {"error 6", "data x"}},
        {"break and buffer overrun in a block", true, Counts(0, 0, 0, 1, 1), {"error 17", "data x"}},
        {"a clean block", true, Counts(0, 0, 0, 0, 0), {"data x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto io = std::make_shared<FakePortIo>();
        io->SetCountersSupported(true);
        io->SetModemWaitSupported(true);
        serial::TComm port(io);
        std::vector<std::string> seen;
        Record(port, seen);
        port.OpenPort();
        if (c.viaRead) io->QueueRead("x", c.change);
        else io->QueueModemWake(c.change);
        ASSERT_TRUE(Pump(port, [&] { return seen.size() >= c.expected.size(); }));
        Pump(port, [] { return false; }, 150ms);
        EXPECT_EQ(seen, c.expected);
    }
}

TEST_F(FakeCommTest, ModemWaitEndingWithNoEventEndsTheReaderWithAHangupRequest) {
    fake->SetCountersSupported(true);
    fake->SetModemWaitSupported(true);
    const int threads = ThreadCount();
    comm.OpenPort();
    EXPECT_TRUE(PumpUntil([&] { return ThreadCount() == threads + 3; }));  // reader, writer, modem watcher
    fake->QueueModemWake({});
    ASSERT_TRUE(PumpUntilEvents(1));
    EXPECT_EQ(events, std::vector<std::string>{"hangup"});
    EXPECT_TRUE(PumpUntil([&] { return ThreadCount() == threads + 1; })) << "reader and watcher end";
    fake->QueueRead("unread");
    PumpFor(200ms);
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(FakeCommTest, ModemWaitEndingWithOnlyLineErrorsCountedStillEndsTheReader) {
    // The wait ended with neither carrier nor ring changed, while the driver
    // counted a framing error: the error is reported, and the reader ends as
    // for any wait that ended with no event (its modem watcher has gone).
    fake->SetCountersSupported(true);
    fake->SetModemWaitSupported(true);
    const int threads = ThreadCount();
    comm.OpenPort();
    EXPECT_TRUE(PumpUntil([&] { return ThreadCount() == threads + 3; }));
    fake->QueueModemWake(Counts(1, 0, 0, 0, 0));
    ASSERT_TRUE(PumpUntilEvents(2));
    EXPECT_EQ(events, (std::vector<std::string>{"error 8", "hangup"}));
    EXPECT_TRUE(PumpUntil([&] { return ThreadCount() == threads + 1; })) << "reader and watcher end";
}

TEST_F(FakeCommTest, WaitsThatCompleteAtOnceAreHandledBeforeWaitingAgain) {
    fake->SetCountersSupported(true);
    fake->SetModemWaitSupported(true);
    const std::string full(2048, 'f');
    for (int i = 0; i < 3; ++i) fake->QueueRead(full);
    fake->QueueModemWake(Counts(0, 0, 0, 0, 0, 1, 0));
    fake->QueueModemWake(Counts(0, 0, 0, 0, 0, 0, 1));
    comm.OpenPort();
    ASSERT_TRUE(PumpUntilEvents(5));
    // Each full read was delivered and the next read started without a wait.
    const std::vector<std::string> log = fake->ReaderLog();
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 5),
              (std::vector<std::string>{"read 2048", "read 2048", "read 2048", "read EAGAIN", "poll"}));
    std::vector<std::string> modem;
    for (const std::string& e : events)
        if (e.rfind("modem", 0) == 0) modem.push_back(e);
    EXPECT_EQ(modem, (std::vector<std::string>{"modem 8", "modem 4"}));
    EXPECT_EQ(std::count(events.begin(), events.end(), "data " + full), 3);
    // The watcher waits again after the immediate completions.
    fake->QueueModemWake(Counts(0, 0, 0, 0, 0, 1, 1));
    ASSERT_TRUE(PumpUntilEvents(6));
    EXPECT_EQ(events.back(), "modem 12");
}

TEST_F(FakeCommTest, NoLineEventsWhereTheDriverCannotTell) {
    // Counters but no modem wait: errors are still reported, no hang-up, the
    // watcher gone at once.
    fake->SetCountersSupported(true);
    const int threads = ThreadCount();
    comm.OpenPort();
    ASSERT_TRUE(PumpUntil([&] { return ThreadCount() == threads + 2; }));
    fake->QueueRead("y", Counts(1, 0, 0, 0, 0));
    ASSERT_TRUE(PumpUntilEvents(2));
    PumpFor(150ms);
    EXPECT_EQ(events, (std::vector<std::string>{"error 8", "data y"}));
}

TEST_F(FakeCommTest, PartialWritesAreContinuedWithTheRest) {
    comm.OpenPort();
    ASSERT_TRUE(PumpUntil([&] { return sendEmpty == 1; }));
    fake->QueueWrite(3);
    fake->QueueWrite(-EAGAIN);  // the driver's queue is full for a while
    fake->QueueWrite(4);
    ASSERT_TRUE(comm.SendData("HQLNVE#ADR:001#", 15));
    ASSERT_TRUE(PumpUntil([&] { return fake->WriteCalls().size() >= 2; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(fake->Written(), "HQL");
    fake->AcceptWrites();
    ASSERT_TRUE(PumpUntil([&] { return sendEmpty == 2; }));
    EXPECT_EQ(fake->Written(), "HQLNVE#ADR:001#");
    EXPECT_EQ(fake->WriteCalls(), (std::vector<std::size_t>{15, 12, 12, 8}));
    EXPECT_TRUE(events.empty());
}

TEST_F(FakeCommTest, BadDescriptorEndsAThreadQuietlyAnyOtherFailureWithOneHangup) {
    struct Case {
        const char* what;
        void (*script)(FakePortIo&);
        bool send;
        int hangups;
        int threadsLeft;  // of the component's
    };
    const Case cases[] = {
        {"read EBADF", [](FakePortIo& f) { f.QueueReadResult(-EBADF); }, false, 0, 1},
        {"read EIO", [](FakePortIo& f) { f.QueueReadResult(-EIO); }, false, 1, 1},
        {"read of nothing", [](FakePortIo& f) { f.QueueReadResult(0); }, false, 1, 1},
        {"write EBADF", [](FakePortIo& f) { f.QueueWrite(-EBADF); }, true, 0, 1},
        {"write EIO", [](FakePortIo& f) { f.QueueWrite(-EIO); }, true, 1, 1},
        {"modem wait EIO",
         [](FakePortIo& f) {
             f.SetCountersSupported(true);
             f.SetModemWaitSupported(true);
             f.QueueModemWake({}, -EIO);
         },
         false, 1, 1},
        {"modem wait EBADF",
         [](FakePortIo& f) {
             f.SetCountersSupported(true);
             f.SetModemWaitSupported(true);
             f.QueueModemWake({}, -EBADF);
         },
         false, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto io = std::make_shared<FakePortIo>();
        c.script(*io);
        serial::TComm port(io);
        int hangups = 0;
        port.OnRequestHangup = [&](serial::TComm&) { ++hangups; };
        const int threads = ThreadCount();
        port.OpenPort();
        if (c.send) {
            ASSERT_TRUE(port.SendData("abc", 3));
        }
        const auto deadline = Clock::now() + 5s;
        while (ThreadCount() != threads + c.threadsLeft && Clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        EXPECT_EQ(ThreadCount(), threads + c.threadsLeft);
        std::this_thread::sleep_for(100ms);
        port.ProcessNotifications();
        EXPECT_EQ(hangups, c.hangups);
        if (c.send) {
            EXPECT_FALSE(port.SendData("abc", 3)) << "the writer has ended";
        }
    }
}

TEST_F(FakeCommTest, StopBeatsACompletedRead) {
    // Each read ends with the bytes there are, so "first" needs no further wait.
    comm.SetReadIntervalTimeout(serial::MAXDWORD);
    comm.SetReadTotalTimeoutMultiplier(serial::MAXDWORD);
    comm.SetReadTotalTimeoutConstant(600000);
    comm.OpenPort();
    ASSERT_TRUE(PumpUntil([&] { return !fake->ReaderLog().empty() && fake->ReaderLog().back() == "poll"; }));
    fake->OnNextReaderPoll([&] {
        fake->QueueRead("too late");
        fake->RaiseStop();
    });
    fake->QueueRead("first");  // wakes the reader, which then waits again
    ASSERT_TRUE(PumpUntilEvents(1));
    std::this_thread::sleep_for(200ms);
    comm.ClosePort();
    PumpFor(100ms);
    EXPECT_EQ(events, std::vector<std::string>{"data first"});
    EXPECT_TRUE(fake->ReadsPending()) << "the completed read was not taken";
}

TEST_F(FakeCommTest, MessageTakenAsTheStopIsSeenIsNotWritten) {
    comm.OpenPort();
    ASSERT_TRUE(PumpUntil([&] { return sendEmpty == 1; }));
    // While "zero" is being written, "one" is queued and the stop comes.
    std::atomic<bool> queued{false};
    fake->OnNextWrite([&] {
        while (!queued) std::this_thread::sleep_for(1ms);
        fake->RaiseStop();
    });
    ASSERT_TRUE(comm.SendData("zero", 4));
    ASSERT_TRUE(comm.SendData("one", 3));
    queued = true;
    std::this_thread::sleep_for(200ms);
    comm.ClosePort();
    EXPECT_EQ(fake->Written(), "zero");
}

TEST_F(FakeCommTest, DtrAndRtsFollowTheLineRecord) {
    comm.OpenPort();
    EXPECT_EQ(fake->ModemLines(), TIOCM_DTR | TIOCM_RTS);
    comm.SetDtrControl(serial::TDtrControl::DtrDisable);
    EXPECT_EQ(fake->ModemLines(), TIOCM_RTS);
    comm.SetRtsControl(serial::TRtsControl::RtsDisable);
    EXPECT_EQ(fake->ModemLines(), 0);
    comm.SetRtsControl(serial::TRtsControl::RtsHandshake);  // the driver drives RTS now
    EXPECT_EQ(fake->ModemLines(), 0);
    EXPECT_NE(fake->Settings().c_cflag & CRTSCTS, 0u);
    comm.SetDtrControl(serial::TDtrControl::DtrEnable);
    EXPECT_EQ(fake->ModemLines(), TIOCM_DTR);
    comm.ClosePort();

    comm.SetRtsControl(serial::TRtsControl::RtsEnable);
    comm.SetDtrControl(serial::TDtrControl::DtrDisable);
    EXPECT_EQ(fake->ModemLines(), TIOCM_DTR) << "closed: only stored";
    comm.OpenPort();
    EXPECT_EQ(fake->ModemLines(), TIOCM_RTS);
}

TEST_F(FakeCommTest, ParityWaitsForAnotherLinePropertyOrTheNextOpen) {
    comm.OpenPort();
    comm.SetByteSize(serial::TByteSize::_7);
    EXPECT_EQ(comm.ReadLineState()->DataBits, 7);
    comm.SetParity(serial::TParity::Even);
    EXPECT_EQ(comm.ReadLineState()->Parity, 'N');
    const int writes = fake->SettingsWrites();
    comm.SetBaudRate(9600);  // equal value: the port is not touched
    comm.SetTxContinueOnXoff(true);
    EXPECT_EQ(fake->SettingsWrites(), writes);
    EXPECT_EQ(comm.ReadLineState()->Parity, 'N');
    comm.SetBaudRate(4800);
    EXPECT_EQ(comm.ReadLineState()->Parity, 'E');

    comm.SetParity(serial::TParity::Mark);
    comm.SetCommName("/dev/ttyFAKE1");  // stored for the next open only
    EXPECT_EQ(comm.ReadLineState()->Parity, 'E');
    EXPECT_EQ(comm.DevicePath(), "/dev/ttyFAKE0");
    comm.ClosePort();
    comm.OpenPort();
    EXPECT_EQ(comm.ReadLineState()->Parity, 'M');
    EXPECT_EQ(comm.DevicePath(), "/dev/ttyFAKE1");
}

TEST_F(FakeCommTest, ClosingNeverHangsOnTheModemWatcher) {
    fake->SetCountersSupported(true);
    fake->SetModemWaitSupported(true);
    for (const auto delay : {0ms, 1ms, 20ms}) {
        fake->SetModemWaitDelay(delay);
        for (int i = 0; i < 10; ++i) {
            comm.OpenPort();
            if (i % 2) std::this_thread::sleep_for(delay);
            const auto start = Clock::now();
            comm.ClosePort();
            EXPECT_LT(Clock::now() - start, 3s);
        }
    }
}

TEST_F(FakeCommTest, ClosingNeverHangsWhenTheOwnerBlocksSignals) {
    // An owner that blocks signals on its thread (to take them with signalfd,
    // say) hands that mask down to the component's threads.
    fake->SetCountersSupported(true);
    fake->SetModemWaitSupported(true);
    sigset_t all, was;
    sigfillset(&all);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &all, &was), 0);
    comm.OpenPort();
    ::pthread_sigmask(SIG_SETMASK, &was, nullptr);
    std::this_thread::sleep_for(50ms);  // the modem watcher is waiting now
    std::atomic<bool> closed{false};
    std::thread closer([&] {
        comm.ClosePort();
        closed = true;
    });
    const auto deadline = Clock::now() + 3s;
    while (!closed && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
    const bool inTime = closed;
    if (!inTime) fake->QueueModemWake({});  // let the stuck wait go, so the test can end
    closer.join();
    EXPECT_TRUE(inTime);
}

// The threads on their own: a post that fails ends them.
TEST(PortThreads, FailedPostEndsTheThread) {
    auto io = std::make_shared<FakePortIo>();
    const int port = io->Open("/dev/ttyFAKE0");
    auto stop = std::make_shared<serial::EventFd>();
    auto closed = std::make_shared<serial::NotifyQueue>();
    closed->Close();
    const serial::ThreadLinks links{io, port, stop, closed, 1};

    io->QueueRead("abc");
    io->QueueRead("never read");
    auto timeouts = std::make_shared<serial::TimeoutsCell>();
    timeouts->Set({serial::MAXDWORD, serial::MAXDWORD, 1000, 0, 0});  // a read ends with its first bytes
    serial::TReadThread reader(links, timeouts);
    reader.Run();  // returns: the block could not be handed over
    EXPECT_TRUE(io->ReadsPending());

    auto queue = std::make_shared<serial::NotifyQueue>();
    serial::TWriteThread writer(links, queue);
    writer.Run();  // returns: its idle notice could not be posted
    EXPECT_TRUE(queue->IsClosed());
    EXPECT_FALSE(stop->IsSignalled());
}

// The device goes while a send is under way: the reader and the writer both
// meet it, and the owner hears of it once.
TEST_F(FakeCommTest, DeviceGoneDuringASendGivesOneHangupAndSendDataThenAnswersFalse) {
    comm.OpenPort();
    ASSERT_TRUE(PumpUntil([&] { return sendEmpty == 1; }));
    fake->QueueWrite(-EIO);
    fake->OnNextWrite([&] {
        fake->QueueReadResult(0);  // the reader sees the line gone first
        const auto deadline = Clock::now() + 5s;
        while (Clock::now() < deadline) {
            const auto log = fake->ReaderLog();
            if (std::find(log.begin(), log.end(), "read 0") != log.end()) break;
            std::this_thread::sleep_for(1ms);
        }
        std::this_thread::sleep_for(50ms);
    });
    ASSERT_TRUE(comm.SendData("abc", 3));
    ASSERT_TRUE(PumpUntilEvents(1));
    PumpFor(300ms);
    EXPECT_EQ(events, std::vector<std::string>{"hangup"});
    EXPECT_FALSE(comm.SendData("more", 4));
    PumpFor(100ms);
    EXPECT_EQ(events, std::vector<std::string>{"hangup"});
}

// An owner that does not drain (a modal box in a nested loop elsewhere) holds
// up the reader, not memory: reading stops at the bound and resumes as the
// owner drains, and every byte arrives in order.
TEST_F(FakeCommTest, FullOwnerQueueStopsTheReaderAndLosesNothing) {
    std::string sent;
    for (int i = 0; i < 40; ++i) {
        std::string chunk(serial::ReadChunkSize, '\0');
        for (std::size_t j = 0; j < chunk.size(); ++j) chunk[j] = static_cast<char>('a' + (i * 7 + j / 100) % 26);
        fake->QueueRead(chunk);
        sent += chunk;
    }
    std::string received;
    std::size_t longest = 0;
    comm.OnReceiveData = [&](serial::TComm&, const std::uint8_t* b, std::uint16_t n) {
        received.append(reinterpret_cast<const char*>(b), n);
        longest = std::max<std::size_t>(longest, n);
    };
    comm.OpenPort();
    // Wait until the reader has stopped reading.
    std::size_t seen = 0;
    for (auto still = Clock::now(), deadline = still + 20s; Clock::now() < deadline;) {
        const std::size_t now = fake->ReaderLog().size();
        if (now != seen) {
            seen = now;
            still = Clock::now();
        } else if (Clock::now() - still > 300ms) {
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    std::size_t taken = 0;
    for (const std::string& entry : fake->ReaderLog())
        if (entry.rfind("read ", 0) == 0 && entry != "read EAGAIN") taken += std::stoul(entry.substr(5));
    EXPECT_TRUE(fake->ReadsPending()) << "the reader read on into a full queue";
    EXPECT_GE(taken, serial::OwnerQueueBytes);
    EXPECT_LE(taken, serial::OwnerQueueBytes + 2 * serial::ReadChunkSize);

    ASSERT_TRUE(PumpUntil([&] { return received.size() >= sent.size(); }, 30s));
    EXPECT_TRUE(received == sent);
    EXPECT_EQ(longest, serial::ReadBufferSize);
    EXPECT_FALSE(fake->ReadsPending());
}
