// The two pure steps of the line settings and of the time-outs.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include "serial/LineSettings.h"
#include "serial/Timeouts.h"

using namespace serial;

namespace {

termios2 CookedTerminal() {
    termios2 t{};
    t.c_iflag = ICRNL | IXON | BRKINT | INPCK | IGNPAR;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    t.c_cflag = B38400 | CS7 | PARENB | CSTOPB | CRTSCTS | HUPCL;
    t.c_ospeed = t.c_ispeed = 38400;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 5;
    return t;
}

}  // namespace

TEST(LineRecord, ValuesAfterConstructionGiveFlagsWord0x1391) {
    const TDcb d = BuildDcb(TLineProperties{});
    EXPECT_EQ(d.Flags, 0x1391u);
    EXPECT_EQ(d.BaudRate, 9600u);
    EXPECT_EQ(d.XonLim, 500);
    EXPECT_EQ(d.XoffLim, 500);
    EXPECT_EQ(d.ByteSize, 8);
    EXPECT_EQ(d.Parity, 0);
    EXPECT_EQ(d.StopBits, 0);
    EXPECT_EQ(d.XonChar, 17);
    EXPECT_EQ(d.XoffChar, 19);
    EXPECT_EQ(d.ErrorChar, 0);
}

TEST(LineRecord, EachPropertyLandsInItsOwnMember) {
    struct Case {
        const char* what;
        void (*change)(TLineProperties&);
        std::uint32_t flags;
    };
    const Case cases[] = {
        {"ParityCheck", [](TLineProperties& p) { p.ParityCheck = true; }, 0x1393},
        {"Outx_CtsFlow", [](TLineProperties& p) { p.Outx_CtsFlow = true; }, 0x1395},
        {"Outx_DsrFlow", [](TLineProperties& p) { p.Outx_DsrFlow = true; }, 0x1399},
        {"DtrDisable", [](TLineProperties& p) { p.DtrControl = TDtrControl::DtrDisable; }, 0x1381},
        {"DtrHandshake", [](TLineProperties& p) { p.DtrControl = TDtrControl::DtrHandshake; }, 0x13A1},
        {"DsrSensitivity", [](TLineProperties& p) { p.DsrSensitivity = true; }, 0x13D1},
        {"TxContinueOnXoff off", [](TLineProperties& p) { p.TxContinueOnXoff = false; }, 0x1311},
        {"Outx_XonXoffFlow off", [](TLineProperties& p) { p.Outx_XonXoffFlow = false; }, 0x1291},
        {"Inx_XonXoffFlow off", [](TLineProperties& p) { p.Inx_XonXoffFlow = false; }, 0x1191},
        {"ReplaceWhenParityError", [](TLineProperties& p) { p.ReplaceWhenParityError = true; }, 0x1791},
        {"IgnoreNullChar", [](TLineProperties& p) { p.IgnoreNullChar = true; }, 0x1B91},
        {"RtsDisable", [](TLineProperties& p) { p.RtsControl = TRtsControl::RtsDisable; }, 0x0391},
        {"RtsHandshake", [](TLineProperties& p) { p.RtsControl = TRtsControl::RtsHandshake; }, 0x2391},
        {"RtsTransmissionAvailable",
         [](TLineProperties& p) { p.RtsControl = TRtsControl::RtsTransmissionAvailable; }, 0x3391},
    };
    for (const Case& c : cases) {
        TLineProperties p;
        c.change(p);
        EXPECT_EQ(BuildDcb(p).Flags, c.flags) << c.what;
    }

    TLineProperties p;
    p.BaudRate = 115200;
    p.XonLimit = 10;
    p.XoffLimit = 20;
    p.ByteSize = TByteSize::_5;
    p.Parity = TParity::Space;
    p.StopBits = TStopBits::_1_5;
    p.XonChar = 'a';
    p.XoffChar = 'b';
    p.ReplacedChar = '?';
    const TDcb d = BuildDcb(p);
    EXPECT_EQ(d.BaudRate, 115200u);
    EXPECT_EQ(d.XonLim, 10);
    EXPECT_EQ(d.XoffLim, 20);
    EXPECT_EQ(d.ByteSize, 5);
    EXPECT_EQ(d.Parity, 4);
    EXPECT_EQ(d.StopBits, 1);
    EXPECT_EQ(d.XonChar, 'a');
    EXPECT_EQ(d.XoffChar, 'b');
    EXPECT_EQ(d.ErrorChar, '?');
}

TEST(LineRecord, RebuildsTheFlagsButKeepsWhatTheDriverOwns) {
    TDcb reported;
    reported.DCBlength = 28;
    reported.Flags = 0xFFFFFFFFu;  // fAbortOnError and every higher bit set
    reported.EofChar = 26;
    reported.EvtChar = 13;
    reported.wReserved = 7;
    reported.wReserved1 = 9;
    const TDcb d = BuildDcb(TLineProperties{}, reported);
    EXPECT_EQ(d.Flags, 0x1391u);
    EXPECT_EQ(d.EofChar, 26);
    EXPECT_EQ(d.EvtChar, 13);
    EXPECT_EQ(d.wReserved, 7);
    EXPECT_EQ(d.wReserved1, 9);
}

TEST(LineTranslation, MakesARawLineWithTheRecordsFraming) {
    const TPortSettings s = TranslateDcb(BuildDcb(TLineProperties{}), CookedTerminal());
    const termios2& t = s.Termios;
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | BRKINT | INPCK | IGNPAR), 0u);
    EXPECT_NE(t.c_iflag & IGNBRK, 0u) << "a break must not arrive as a 0 byte";
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), CLOCAL | CREAD);
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t{CS8});
    EXPECT_EQ(t.c_cflag & CBAUD, tcflag_t{B9600});
    EXPECT_EQ(t.c_cflag & CIBAUD, 0u);
    EXPECT_EQ(t.c_ospeed, 9600u);
    EXPECT_EQ(t.c_ispeed, 9600u);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), tcflag_t{IXON | IXOFF});
    EXPECT_EQ(t.c_cc[VSTART], 17);
    EXPECT_EQ(t.c_cc[VSTOP], 19);
    EXPECT_NE(t.c_cflag & HUPCL, 0u) << "flags the record does not speak of are kept";
    EXPECT_EQ(s.RaiseLines, TIOCM_DTR | TIOCM_RTS);
    EXPECT_EQ(s.DropLines, 0);
}

TEST(LineTranslation, ParityDataBitsAndStopBits) {
    struct Case {
        std::uint8_t parity, byteSize, stopBits;
        tcflag_t cflag;  // of CSIZE | PARENB | PARODD | CMSPAR | CSTOPB
        char shown;
    };
    const Case cases[] = {
        {0, 8, 0, CS8, 'N'},
        {1, 8, 0, CS8 | PARENB | PARODD, 'O'},
        {2, 7, 0, CS7 | PARENB, 'E'},
        {3, 7, 2, CS7 | PARENB | PARODD | CMSPAR | CSTOPB, 'M'},
        {4, 6, 0, CS6 | PARENB | CMSPAR, 'S'},
        {0, 5, 1, CS5 | CSTOPB, 'N'},
    };
    for (const Case& c : cases) {
        TDcb d = BuildDcb(TLineProperties{});
        d.Parity = c.parity;
        d.ByteSize = c.byteSize;
        d.StopBits = c.stopBits;
        const termios2 t = TranslateDcb(d, CookedTerminal()).Termios;
        EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), c.cflag)
            << "parity " << int(c.parity) << " size " << int(c.byteSize);
        const TLineState shown = LineStateOf(t);
        EXPECT_EQ(shown.Parity, c.shown);
        EXPECT_EQ(shown.DataBits, c.byteSize);
        EXPECT_EQ(shown.StopBits, c.stopBits == 0 ? 1 : 2);
    }
}

TEST(LineTranslation, AnyBaudRateAndZeroKeepsTheCurrentOne) {
    TDcb d = BuildDcb(TLineProperties{});
    d.BaudRate = 12345;
    termios2 t = TranslateDcb(d, CookedTerminal()).Termios;
    EXPECT_EQ(t.c_cflag & CBAUD, tcflag_t{BOTHER});
    EXPECT_EQ(t.c_ospeed, 12345u);
    EXPECT_EQ(t.c_ispeed, 12345u);

    d.BaudRate = 0;  // never B0, which would drop DTR and RTS
    t = TranslateDcb(d, CookedTerminal()).Termios;
    EXPECT_EQ(t.c_cflag & CBAUD, tcflag_t{B38400});
    EXPECT_EQ(t.c_ospeed, 38400u);
}

TEST(LineTranslation, FlowControlAndModemLines) {
    struct Case {
        const char* what;
        void (*change)(TLineProperties&);
        tcflag_t iflag;  // of IXON | IXOFF | INPCK
        bool crtscts;
        int raise, drop;
    };
    const Case cases[] = {
        {"no software flow", [](TLineProperties& p) { p.Outx_XonXoffFlow = p.Inx_XonXoffFlow = false; }, 0, false,
         TIOCM_DTR | TIOCM_RTS, 0},
        {"XON/XOFF out only", [](TLineProperties& p) { p.Inx_XonXoffFlow = false; }, IXON, false,
         TIOCM_DTR | TIOCM_RTS, 0},
        {"CTS flow", [](TLineProperties& p) { p.Outx_CtsFlow = true; }, IXON | IXOFF, true, TIOCM_DTR | TIOCM_RTS,
         0},
        {"RTS handshake", [](TLineProperties& p) { p.RtsControl = TRtsControl::RtsHandshake; }, IXON | IXOFF, true,
         TIOCM_DTR, 0},
        {"DTR and RTS dropped",
         [](TLineProperties& p) {
             p.DtrControl = TDtrControl::DtrDisable;
             p.RtsControl = TRtsControl::RtsDisable;
         },
         IXON | IXOFF, false, 0, TIOCM_DTR | TIOCM_RTS},
        {"DTR handshake, RTS toggle",
         [](TLineProperties& p) {
             p.DtrControl = TDtrControl::DtrHandshake;
             p.RtsControl = TRtsControl::RtsTransmissionAvailable;
         },
         IXON | IXOFF, false, 0, 0},
        {"parity checked, not replaced", [](TLineProperties& p) { p.ParityCheck = true; }, IXON | IXOFF, false,
         TIOCM_DTR | TIOCM_RTS, 0},
        {"parity checked and replaced",
         [](TLineProperties& p) { p.ParityCheck = p.ReplaceWhenParityError = true; }, IXON | IXOFF | INPCK, false,
         TIOCM_DTR | TIOCM_RTS, 0},
    };
    for (const Case& c : cases) {
        TLineProperties p;
        c.change(p);
        const TPortSettings s = TranslateDcb(BuildDcb(p), CookedTerminal());
        EXPECT_EQ(s.Termios.c_iflag & (IXON | IXOFF | INPCK), c.iflag) << c.what;
        EXPECT_EQ((s.Termios.c_cflag & CRTSCTS) != 0, c.crtscts) << c.what;
        EXPECT_EQ(s.RaiseLines, c.raise) << c.what;
        EXPECT_EQ(s.DropLines, c.drop) << c.what;
    }

    TLineProperties p;
    p.XonChar = 'Q';
    p.XoffChar = 'S';
    const termios2 t = TranslateDcb(BuildDcb(p), CookedTerminal()).Termios;
    EXPECT_EQ(t.c_cc[VSTART], 'Q');
    EXPECT_EQ(t.c_cc[VSTOP], 'S');
}

TEST(Timeouts, RecordHoldsThePropertiesAndGivesEachReadItsPlan) {
    using std::chrono::milliseconds;
    struct Case {
        TCommTimeouts record;
        bool immediate, firstByte;
        std::optional<milliseconds> interval, total;
    };
    const Case cases[] = {
        {{100, 0, 0, 0, 0}, false, false, milliseconds(100), std::nullopt},  // the console's values
        {{0, 0, 0, 0, 0}, false, false, std::nullopt, std::nullopt},         // until the buffer is full
        {{0, 0, 500, 0, 0}, false, false, std::nullopt, milliseconds(500)},
        {{50, 2, 10, 0, 0}, false, false, milliseconds(50), milliseconds(2 * 2048 + 10)},
        {{MAXDWORD, 0, 0, 0, 0}, true, false, std::nullopt, std::nullopt},
        {{MAXDWORD, MAXDWORD, 300, 0, 0}, false, true, std::nullopt, milliseconds(300)},
        {{MAXDWORD, 0, 300, 0, 0}, false, false, milliseconds(MAXDWORD), milliseconds(300)},
        {{0, MAXDWORD, MAXDWORD, 0, 0}, false, false, std::nullopt,
         milliseconds(std::uint64_t{MAXDWORD} * 2048 + MAXDWORD)},  // no overflow
    };
    for (const Case& c : cases) {
        const TCommTimeouts record = BuildTimeouts(c.record);
        EXPECT_EQ(record.ReadIntervalTimeout, c.record.ReadIntervalTimeout);
        EXPECT_EQ(record.WriteTotalTimeoutConstant, c.record.WriteTotalTimeoutConstant);
        const TReadPlan plan = ReadPlanFor(record, 2048);
        const std::string what = std::to_string(c.record.ReadIntervalTimeout) + "/" +
                                 std::to_string(c.record.ReadTotalTimeoutMultiplier) + "/" +
                                 std::to_string(c.record.ReadTotalTimeoutConstant);
        EXPECT_EQ(plan.Immediate, c.immediate) << what;
        EXPECT_EQ(plan.FirstByteCompletes, c.firstByte) << what;
        EXPECT_EQ(plan.Interval, c.interval) << what;
        EXPECT_EQ(plan.Total, c.total) << what;
    }
}
