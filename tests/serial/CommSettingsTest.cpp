// Line settings read back from a pseudo-terminal after OpenPort and the
// setters. (A pseudo-terminal keeps 8 data bits and no parity whatever it is
// told; those are read back through the scripted port I/O.)
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
