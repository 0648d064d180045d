#pragma once
// The settings a TComm holds, written out with their values: what one is
// constructed with, and (with its own baud rate) what the console creates Comm1 with.

#include <gtest/gtest.h>

#include "serial/TComm.h"

namespace testutil {

struct CommSettings {
    std::string commName = "COM2";
    std::uint32_t baudRate = 9600;
    bool parityCheck = false, outxCtsFlow = false, outxDsrFlow = false;
    serial::TDtrControl dtrControl = serial::TDtrControl::DtrEnable;
    bool dsrSensitivity = false, txContinueOnXoff = true, outxXonXoffFlow = true, inxXonXoffFlow = true;
    bool replaceWhenParityError = false, ignoreNullChar = false;
    serial::TRtsControl rtsControl = serial::TRtsControl::RtsEnable;
    int xonLimit = 500, xoffLimit = 500;
    serial::TByteSize byteSize = serial::TByteSize::_8;
    serial::TParity parity = serial::TParity::None;
    serial::TStopBits stopBits = serial::TStopBits::_1;
    int xonChar = 17, xoffChar = 19, replacedChar = 0;
    std::uint32_t readInterval = 100, readTotalMultiplier = 0, readTotalConstant = 0;
    std::uint32_t writeTotalMultiplier = 0, writeTotalConstant = 0;
};

inline void ExpectSettings(const serial::TComm& c, const CommSettings& e) {
    EXPECT_EQ(c.CommName(), e.commName);
    EXPECT_EQ(c.BaudRate(), e.baudRate);
    EXPECT_EQ(c.ParityCheck(), e.parityCheck);
    EXPECT_EQ(c.Outx_CtsFlow(), e.outxCtsFlow);
    EXPECT_EQ(c.Outx_DsrFlow(), e.outxDsrFlow);
    EXPECT_EQ(c.DtrControl(), e.dtrControl);
    EXPECT_EQ(c.DsrSensitivity(), e.dsrSensitivity);
    EXPECT_EQ(c.TxContinueOnXoff(), e.txContinueOnXoff);
    EXPECT_EQ(c.Outx_XonXoffFlow(), e.outxXonXoffFlow);
    EXPECT_EQ(c.Inx_XonXoffFlow(), e.inxXonXoffFlow);
    EXPECT_EQ(c.ReplaceWhenParityError(), e.replaceWhenParityError);
    EXPECT_EQ(c.IgnoreNullChar(), e.ignoreNullChar);
    EXPECT_EQ(c.RtsControl(), e.rtsControl);
    EXPECT_EQ(c.XonLimit(), e.xonLimit);
    EXPECT_EQ(c.XoffLimit(), e.xoffLimit);
    EXPECT_EQ(c.ByteSize(), e.byteSize);
    EXPECT_EQ(c.Parity(), e.parity);
    EXPECT_EQ(c.StopBits(), e.stopBits);
    EXPECT_EQ(c.XonChar(), e.xonChar);
    EXPECT_EQ(c.XoffChar(), e.xoffChar);
    EXPECT_EQ(c.ReplacedChar(), e.replacedChar);
    EXPECT_EQ(c.ReadIntervalTimeout(), e.readInterval);
    EXPECT_EQ(c.ReadTotalTimeoutMultiplier(), e.readTotalMultiplier);
    EXPECT_EQ(c.ReadTotalTimeoutConstant(), e.readTotalConstant);
    EXPECT_EQ(c.WriteTotalTimeoutMultiplier(), e.writeTotalMultiplier);
    EXPECT_EQ(c.WriteTotalTimeoutConstant(), e.writeTotalConstant);
}

}  // namespace testutil
