// Line settings read back from a pseudo-terminal after OpenPort and the
// setters. (A pseudo-terminal keeps 8 data bits and no parity whatever it is
// told; those are read back through the scripted port I/O.)
#include <termios.h>

#include "tests/serial/CommFixture.h"

using namespace serialtest;
using serial::TStopBits;

TEST_F(CommTest, OpenAppliesTheStoredLineSettings) {
    comm.SetBaudRate(115200);
    comm.SetStopBits(TStopBits::_2);
    comm.OpenPort();
    const auto s = comm.ReadLineState();
    ASSERT_TRUE(s);
    EXPECT_EQ(s->BaudRate, 115200u);
    EXPECT_EQ(s->StopBits, 2);
}

TEST_F(CommTest, SettersApplyAtOnceWhileOpen) {
    comm.OpenPort();
    EXPECT_EQ(comm.ReadLineState()->BaudRate, 9600u);
    comm.SetBaudRate(19200);
    EXPECT_EQ(comm.ReadLineState()->BaudRate, 19200u);
    comm.SetBaudRate(12345);  // not a standard rate
    EXPECT_EQ(comm.ReadLineState()->BaudRate, 12345u);
    comm.SetStopBits(TStopBits::_2);
    EXPECT_EQ(comm.ReadLineState()->StopBits, 2);
    // Bytes still flow after the changes.
    pty.write("ok");
    ASSERT_TRUE(PumpUntil([&] { return AllReceived() == "ok"; }));
    comm.ClosePort();

    comm.SetBaudRate(2400);  // closed: only stored
    EXPECT_EQ(comm.BaudRate(), 2400u);
    EXPECT_FALSE(comm.ReadLineState());
    comm.OpenPort();
    EXPECT_EQ(comm.ReadLineState()->BaudRate, 2400u);
}

TEST_F(CommTest, StandardRatesUseTheirOwnSpeedCodeOthersBother) {
    constexpr tcflag_t Bother = 0010000;  // BOTHER, which <termios.h> does not name
    struct Case {
        std::uint32_t rate;
        speed_t code;  // what a program reading the classic record sees
    };
    const Case cases[] = {
        {.rate = 9600, .code = B9600},
        {.rate = 115200, .code = B115200},
        {.rate = 1200, .code = B1200},
        {.rate = 921600, .code = B921600},
        {.rate = 250000, .code = Bother},
        {.rate = 12345, .code = Bother},
    };
    comm.OpenPort();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        comm.SetBaudRate(c.rate);
        termios t{};  // the master side reads the port's own settings
        ASSERT_EQ(::tcgetattr(pty.master(), &t), 0);
        EXPECT_EQ(t.c_cflag & CBAUD, c.code);
        EXPECT_EQ(comm.ReadLineState()->BaudRate, c.rate);
    }
}
