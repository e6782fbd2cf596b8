// Byte framing, busy replies, line control, the speed table and the
// wake-up handshake, against the simulated programmer; and the trace format.
#include <algorithm>

#include <gtest/gtest.h>

#include "link/LinkErrors.h"
#include "link/SimRig.h"
#include "platform/Text.h"
#include "support/WireStream.h"

namespace velmar::link {
namespace {

using test::MessageOf;
using test::SimRig;

TEST(ExchangeByte, BusyRepliesAreWaitedThroughAndNeverReturned) {
  SimRig rig(0);
  rig.state.faults.busyEvery = 1;  // every reply starts with 0xFA
  TReadProg& p = rig.Make();
  p.Identify();
  EXPECT_EQ(p.FirmwareVersion, 226);
  p.SendByte('V');
  EXPECT_EQ(p.ReceiveByte(), '*');
  EXPECT_EQ(p.ReceiveByte(), 226);
  EXPECT_EQ(p.ReceiveByte(), '!');
}

// A run of replies taken at once must clock what the calls one by one
// clock, busy markers and all, and return what they return; in exact pacing
// it is those calls, in fast pacing one write and one read.
struct RunCase {
  LinkPacing pacing;
  int busyEvery;  // every Nth reply of the programmer starts with 0xFA; 0: never
  int lines;      // trace lines of the run
};

class ReceiveRunCase : public ::testing::TestWithParam<RunCase> {};

TEST_P(ReceiveRunCase, ClocksAndReturnsWhatTheCallsOneByOneWould) {
  std::string traces[2];
  std::uint8_t got[2][4] = {};
  for (int way = 0; way < 2; ++way) {
    SimRig rig(2);
    TReadProg& p = rig.Make(true);
    p.Pacing = GetParam().pacing;
    p.Identify();
    rig.Sim().faults.busyEvery = GetParam().busyEvery;
    const std::size_t from = rig.traceText.str().size();
    p.SendByte('V');
    if (way == 0) {
      p.ReceiveRun({ReplyTake::receive, ReplyTake::receive, ReplyTake::receive, ReplyTake::clockIn}, got[0]);
    } else {
      for (int i = 0; i < 3; ++i) got[1][i] = p.ReceiveByte();
      got[1][3] = p.ClockInByte();
    }
    traces[way] = rig.traceText.str().substr(from);
  }
  EXPECT_EQ(test::WireStream(traces[0]), test::WireStream(traces[1]));
  EXPECT_EQ(std::vector<std::uint8_t>(got[0], got[0] + 4), std::vector<std::uint8_t>(got[1], got[1] + 4));
  EXPECT_EQ(got[0][0], '*');
  EXPECT_EQ(got[0][2], '!');
  // 'V' exchanged, then the run's writes and reads.
  EXPECT_EQ(std::count(traces[0].begin(), traces[0].end(), '\n'), 2 + GetParam().lines) << traces[0];
}

INSTANTIATE_TEST_SUITE_P(Pacings, ReceiveRunCase,
                         ::testing::Values(RunCase{LinkPacing::exact, 0, 8}, RunCase{LinkPacing::exact, 1, 10},
                                           RunCase{LinkPacing::fast, 0, 2}, RunCase{LinkPacing::fast, 1, 4}),
                         [](const auto& info) {
                           return PacingName(info.param.pacing) + std::string(info.param.busyEvery ? "_busy" : "");
                         });

// After a busy marker the exact pacing clocks the next byte in before it
// exchanges the next one, as the protocol does; the fast pacing has already
// sent that exchange and clocks one more byte in at the end.
struct BusyOrderCase {
  LinkPacing pacing;
  std::vector<std::string> writes;  // the FT_Write lines after 'V'
};

class BusyOrder : public ::testing::TestWithParam<BusyOrderCase> {};

TEST_P(BusyOrder, FollowsThePacing) {
  SimRig rig(0);
  TReadProg& p = rig.Make(true);
  p.Pacing = GetParam().pacing;
  p.Identify();
  rig.Sim().faults.busyEvery = 1;  // every reply starts with 0xFA
  p.SendByte('V');
  const std::size_t from = rig.traceText.str().size();
  std::uint8_t out[2];
  p.ReceiveRun({ReplyTake::receive, ReplyTake::receive}, out);
  std::vector<std::string> writes;
  for (const std::string& line : text::SplitLines(rig.traceText.str().substr(from)))
    if (line.rfind("FT_Write ", 0) == 0) writes.push_back(line);
  EXPECT_EQ(writes, GetParam().writes);
  EXPECT_EQ(out[0], '*');
}

INSTANTIATE_TEST_SUITE_P(Pacings, BusyOrder,
                         ::testing::Values(BusyOrderCase{LinkPacing::exact,
                                                         {"FT_Write 31 00 00 FF -> 0", "FT_Write 20 00 00 -> 0",
                                                          "FT_Write 31 00 00 FF -> 0"}},
                                           BusyOrderCase{LinkPacing::fast,
                                                         {"FT_Write 31 00 00 FF 31 00 00 FF 87 -> 0",
                                                          "FT_Write 20 00 00 87 -> 0"}}),
                         [](const auto& info) { return std::string(PacingName(info.param.pacing)); });

TEST(ReceiveRun, EndlessBusyRepliesEndInTheSameBoundedFailure) {
  SimRig rig(0);
  TReadProg& p = rig.Make();
  p.Identify();
  rig.Sim().faults.busyForever = true;
  p.SendByte('V');
  std::uint8_t out[2];
  EXPECT_EQ(MessageOf<EISPException>([&] {
              p.ReceiveRun({ReplyTake::receive, ReplyTake::receive}, out);
            }),
            "Programmer Not Responding. \rThe programmer stayed busy");
}

TEST(ReceiveRun, AReplyThatNeverComesIsAFailure) {
  SimRig rig(0);
  TReadProg& p = rig.Make();
  p.Identify();
  rig.Sim().usbAttached = false;
  std::uint8_t out[3];
  EXPECT_EQ(MessageOf<EISPException>([&] {
              p.ReceiveRun({ReplyTake::receive, ReplyTake::receive, ReplyTake::clockIn}, out);
            }),
            "Programmer Not Responding. \rNo reply from the USB interface (0 of 1 bytes)");
}

TEST(ExchangeByte, EndlessBusyRepliesEndInABoundedFailure) {
  SimRig rig(0);
  TReadProg& p = rig.Make();
  p.Identify();
  rig.Sim().faults.busyForever = true;
  p.SendByte('V');
  auto calls = rig.counting->counts.calls;
  EXPECT_EQ(MessageOf<EISPException>([&] { p.ReceiveByte(); }),
            "Programmer Not Responding. \rThe programmer stayed busy");
  EXPECT_LE(rig.counting->counts.calls - calls, 2u * 4097);
}

// Busy replies that each take milliseconds on a slow line end at the one
// second limit, long before the limit in count.
TEST(ExchangeByte, SlowBusyRepliesEndAtOneSecond) {
  SimRig rig(0);
  TReadProg& p = rig.Make();
  p.Identify();
  p.ClockDivisor = 2249;  // 3 ms a byte, from the next line change on
  const std::uint8_t low = rig.driver->ProgrammerChannel().CurrentLines().lowValue;
  for (int line : {6, 4, 3})
    if (!(low & (1u << line))) {
      p.ClearLowLine(line);  // a line already clear: only the divisor changes
      break;
    }
  ASSERT_EQ(rig.driver->ProgrammerChannel().Divisor(), 2249);
  rig.Sim().faults.busyForever = true;
  p.SendByte('V');
  const std::uint64_t start = rig.clock.NowMs();
  const auto reads = rig.counting->counts.reads;
  EXPECT_EQ(MessageOf<EISPException>([&] { p.ReceiveByte(); }),
            "Programmer Not Responding. \rThe programmer stayed busy");
  EXPECT_GE(rig.clock.NowMs() - start, 1000u);
  EXPECT_LE(rig.clock.NowMs() - start, 1010u);
  EXPECT_LT(rig.counting->counts.reads - reads, 400u);
}

TEST(ExchangeByte, AReplyThatNeverComesIsAFailureNotAnOldByte) {
  SimRig rig(0);
  TReadProg& p = rig.Make();
  p.Identify();
  rig.Sim().usbAttached = false;  // unplugged
  EXPECT_NE(MessageOf<EISPException>([&] { p.ReceiveByte(); }).find("No reply from the USB interface"),
            std::string::npos);
  EXPECT_NO_THROW(p.CloseLink(false));
}

TEST(Primitives, SetLowLineLeavesTheDivisorAtClockDivisor) {
  SimRig rig(0);
  TReadProg& p = rig.Make();
  p.Identify();
  p.ClockDivisor = 99;
  p.SetLowLine(0);
  EXPECT_EQ(rig.driver->ProgrammerChannel().Divisor(), 99);
  EXPECT_EQ(rig.driver->ProgrammerChannel().CurrentLines().lowDir, 0x7B);
  EXPECT_EQ(rig.driver->ProgrammerChannel().CurrentLines().lowValue & 0x21, 0x01);  // wake line low, line 0 set
  p.ClearLowLine(0);
  EXPECT_EQ(rig.driver->ProgrammerChannel().CurrentLines().lowValue & 0x01, 0x00);
}

TEST(Primitives, SpeedTables) {
  const std::uint32_t speeds[] = {2, 23, 64, 128, 288, 352, 512, 544};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(TReadProg::SpeedDivisor(i), speeds[i]);
  EXPECT_EQ(TReadProg::SpeedDivisor(8), 12288u);
  EXPECT_EQ(TReadProg::SpeedDivisor(-1), 12288u);
  EXPECT_EQ(TReadProg::LoaderSpeedDivisor(0), 5u);
  EXPECT_EQ(TReadProg::LoaderSpeedDivisor(3), 99u);
  EXPECT_EQ(TReadProg::LoaderSpeedDivisor(7), 250u);
}

TEST(Primitives, TransferBlockSelectsTheProgrammerAndLeavesItSelected) {
  SimRig rig(0);
  TReadProg& p = rig.Make();
  p.Identify();
  const std::uint8_t version[] = {'V', 0xFF, 0xFF, 0xFF};
  p.TransferBlock(version, 4);
  EXPECT_EQ(rig.unit->RxBuffer[1], '*');
  EXPECT_EQ(rig.unit->RxBuffer[2], 226);
  EXPECT_EQ(rig.unit->RxBuffer[3], '!');
  EXPECT_TRUE(rig.driver->Board().Selected());
  p.DeselectLink();  // a deselected programmer hears nothing
  EXPECT_FALSE(rig.driver->Board().Selected());
  EXPECT_EQ(p.ExchangeByte('V'), 0xFF);
  EXPECT_EQ(p.ReceiveByte(), 0xFF);
  EXPECT_THROW(p.TransferBlock(version, 0), EISPException);
}

TEST(WakeProgrammer, AnsweringAtOnceKeepsTheDivisor) {
  SimRig rig(0);
  TReadProg& p = rig.Make();
  p.OpenLink();
  p.ClockDivisor = 5;
  p.SpeedIndex = 3;
  p.WakeProgrammer();
  EXPECT_TRUE(p.ProgrammerAnswered);
  EXPECT_EQ(p.ClockDivisor, 5u);
}

TEST(WakeProgrammer, ASleepingProgrammerIsWokenThroughItsControllerAndTheSpeedRestored) {
  SimRig rig(0);
  rig.state.asleep = true;
  rig.state.voltageSensing = false;  // no supply check, so the controller is running (asleep) at first
  rig.state.faults.ispSync = 3;      // and needs three clock pulses to fall into step
  TReadProg& p = rig.Make();
  p.OpenLink();
  p.ClockDivisor = 5;
  p.SpeedIndex = 3;
  const auto slept = rig.clock.SleptMs();
  p.WakeProgrammer();
  EXPECT_EQ(p.ClockDivisor, 128u);
  EXPECT_EQ(rig.clock.SleptMs() - slept, 50u + 50 + 3 * 40 + 500);
  EXPECT_FALSE(rig.driver->Board().InReset());  // let run
  p.SettleLines();
  p.SendByte('V');
  EXPECT_EQ(p.ReceiveByte(), '*');
}

TEST(WakeProgrammer, InUpdateModeTheControllerStaysInReset) {
  SimRig rig(0);
  rig.state.asleep = true;
  rig.state.voltageSensing = false;
  TReadProg& p = rig.Make();
  p.OpenLink();
  p.UpdateMode = true;
  p.WakeProgrammer();
  EXPECT_TRUE(rig.driver->Board().InReset());
  EXPECT_TRUE(rig.driver->Board().Isp().ProgrammingEnabled());
}

TEST(WakeProgrammer, GivesUpAfter34Attempts) {
  SimRig rig(0);
  rig.state.asleep = true;
  rig.state.faults.ispSync = 100;
  TReadProg& p = rig.Make();
  p.OpenLink();
  EXPECT_EQ(MessageOf<EISPException>([&] { p.WakeProgrammer(); }),
            "Programmer not Detected\rConnect Programmer or unplug and replug USB dongle");
  EXPECT_FALSE(p.ProgrammerAnswered);
}

TEST(Trace, OneLinePerDriverCallAndWait) {
  SimRig rig(0);
  rig.Make(true).Identify();
  std::vector<std::string> lines = text::SplitLines(rig.traceText.str());
  auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
  EXPECT_EQ(lines.at(0), "FT_ListDevices -> 0 : 2");
  EXPECT_TRUE(has("FT_ListDevices 0 Description -> 0 : Dual RS232 A"));
  EXPECT_TRUE(has("FT_OpenEx QRXA -> 0"));
  EXPECT_TRUE(has("FT_Write 86 17 00 -> 0"));
  EXPECT_TRUE(has("FT_SetLatencyTimer 01 -> 0"));
  EXPECT_TRUE(has("FT_SetBitMode 3B 02 -> 0"));
  EXPECT_TRUE(has("Sleep 100"));
  EXPECT_TRUE(has("FT_Write 31 00 00 44 -> 0"));  // exact pacing: nothing added
  EXPECT_TRUE(has("FT_Read 1 -> 0 : 2A"));
  EXPECT_TRUE(
      has("FT_EE_UARead -> 0 : 56 45 4C 4D 41 52 30 31 31 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
          "00 00 00 00 00 00"));
  EXPECT_TRUE(has("FT_Close -> 1"));  // the open-before-open on no handle
}

}  // namespace
}  // namespace velmar::link
