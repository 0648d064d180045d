// Line settings read back from the port after OpenPort and the setters.
#include <sys/ioctl.h>

#include "CommFixture.h"

using namespace serialtest;
using serial::TByteSize;
using serial::TParity;
using serial::TStopBits;

TEST_F(CommTest, OpenAppliesTheStoredLineSettings) {
    comm.SetBaudRate(115200);
    comm.SetParity(TParity::Odd);
    comm.SetStopBits(TStopBits::_2);
    comm.SetByteSize(TByteSize::_7);
    comm.OpenPort();
    const auto s = comm.ReadLineState();
    ASSERT_TRUE(s);
    EXPECT_EQ(s->BaudRate, 115200u);
    EXPECT_EQ(s->StopBits, 2);
    // A pseudo-terminal keeps 8 data bits and no parity: look at what was asked.
    const serial::TLineState asked = serial::LineStateOf(io->lastSettings);
    EXPECT_EQ(asked.Parity, 'O');
    EXPECT_EQ(asked.DataBits, 7);
    EXPECT_EQ(io->raised, TIOCM_DTR | TIOCM_RTS);
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
    comm.SetByteSize(TByteSize::_6);
    EXPECT_EQ(serial::LineStateOf(io->lastSettings).DataBits, 6);
    const int written = io->settingsWritten;
    comm.SetByteSize(TByteSize::_6);  // equal value: the port is not touched
    EXPECT_EQ(io->settingsWritten, written);
    comm.SetRtsControl(serial::TRtsControl::RtsDisable);
    EXPECT_EQ(io->dropped, TIOCM_RTS);
    EXPECT_EQ(io->raised, TIOCM_DTR);
    // Bytes still flow after the changes.
    pty.write("ok");
    ASSERT_TRUE(PumpUntil([&] { return AllReceived() == "ok"; }));
}

TEST_F(CommTest, ParityWaitsForAnotherLinePropertyOrTheNextOpen) {
    comm.OpenPort();
    comm.SetParity(TParity::Even);
    EXPECT_EQ(io->LastParity(), 'N');
    comm.SetBaudRate(9600);  // equal value: nothing is applied
    EXPECT_EQ(io->LastParity(), 'N');
    comm.SetBaudRate(4800);
    EXPECT_EQ(io->LastParity(), 'E');
    EXPECT_EQ(comm.ReadLineState()->BaudRate, 4800u);

    comm.SetParity(TParity::Mark);
    comm.SetCommName("/dev/tq410k-elsewhere");  // stored for the next open only
    EXPECT_EQ(io->LastParity(), 'E');
    EXPECT_EQ(comm.DevicePath(), pty.slavePath());
    comm.ClosePort();
    comm.SetCommName(pty.slavePath());
    comm.OpenPort();
    EXPECT_EQ(io->LastParity(), 'M');
}

TEST_F(CommTest, ClosedSettersOnlyStore) {
    comm.SetBaudRate(2400);
    comm.SetParity(TParity::Space);
    EXPECT_EQ(comm.BaudRate(), 2400u);
    EXPECT_EQ(comm.Parity(), TParity::Space);
    EXPECT_FALSE(comm.ReadLineState());
}
