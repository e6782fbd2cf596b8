// The simulated interface channel and programmer at the pin level: MPSSE
// command execution, framing, the select line, reset and the dataflash's
// addressing. These are what make a framing mistake in the loader fail.
#include <array>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

#include "platform/Clock.h"
#include "sim/Dataflash.h"
#include "sim/Ft2232Channel.h"
#include "sim/ProgrammerBoard.h"
#include "sim/SimState.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::sim {
namespace {

// Records every bit clocked and answers with a fixed pattern.
struct Recorder final : PinTarget {
  std::vector<bool> bits;
  Lines last;
  std::uint8_t answer = 0xA5;
  int bit = 0;
  void LinesChanged(const Lines& l) override { last = l; }
  bool ClockBit(bool mosi) override {
    bits.push_back(mosi);
    bool out = (answer >> (7 - bit)) & 1;
    bit = (bit + 1) % 8;
    return out;
  }
  std::uint8_t LowInputs() const override { return 0xF0; }
};

std::vector<std::uint8_t> Drain(Ft2232Channel& c) {
  std::vector<std::uint8_t> v(c.RxQueue().begin(), c.RxQueue().end());
  c.RxQueue().clear();
  return v;
}

TEST(Ft2232Channel, ShiftsMostSignificantBitFirstAndReadsWhatItClocks) {
  Recorder r;
  Ft2232Channel c(r);
  const std::uint8_t cmd[] = {0x31, 0x01, 0x00, 0x80, 0x01};
  c.Execute(cmd, 3);  // commands may arrive in pieces
  c.Execute(cmd + 3, 2);
  ASSERT_EQ(r.bits.size(), 16u);
  EXPECT_TRUE(r.bits[0]);
  EXPECT_TRUE(r.bits[15]);
  EXPECT_EQ(Drain(c), (std::vector<std::uint8_t>{0xA5, 0xA5}));
  const std::uint8_t lsb[] = {0x39, 0x00, 0x00, 0x80};  // least significant bit first
  c.Execute(lsb, sizeof lsb);
  EXPECT_TRUE(r.bits[16 + 7]);
  EXPECT_EQ(Drain(c), (std::vector<std::uint8_t>{0xA5}));  // 0xA5 reversed is 0xA5
}

TEST(Ft2232Channel, LinesDivisorLoopbackAndBadCommands) {
  Recorder r;
  Ft2232Channel c(r);
  const std::uint8_t cmds[] = {0x80, 0x12, 0x7B, 0x82, 0x03, 0x0F, 0x81, 0x83, 0x86, 0x17, 0x00, 0xAB};
  c.Execute(cmds, sizeof cmds);
  EXPECT_EQ(r.last.lowValue, 0x12);
  EXPECT_EQ(r.last.highDir, 0x0F);
  EXPECT_EQ(c.Divisor(), 23);
  // Low byte: outputs as driven, inputs from the pins; high byte inputs pulled up.
  EXPECT_EQ(Drain(c), (std::vector<std::uint8_t>{0x12 | 0x80, 0xF3, 0xFA, 0xAB}));
  const std::uint8_t loop[] = {0x84, 0x31, 0x00, 0x00, 0x3C};
  c.Execute(loop, sizeof loop);
  EXPECT_EQ(Drain(c), (std::vector<std::uint8_t>{0x3C}));
}

// As the chip: data and clock reach the slave only on lines set as
// outputs. With the clock an input the slave sees no clock at all; with the
// data line an input it sees the pin's own level.
struct DirectionCase {
  std::uint8_t lowDir;
  std::size_t bitsSeen;
  bool dataAsWritten;
};

class StrictDirections : public ::testing::TestWithParam<DirectionCase> {};

TEST_P(StrictDirections, ClockAndDataGoOutOnlyWhereTheyAreOutputs) {
  Recorder r;
  Ft2232Channel c(r);
  c.strictDirections = true;
  c.Enter(GetParam().lowDir);
  const std::uint8_t shift[] = {0x11, 0x00, 0x00, 0x0F};
  c.Execute(shift, sizeof shift);
  ASSERT_EQ(r.bits.size(), GetParam().bitsSeen);
  if (r.bits.empty()) return;
  EXPECT_EQ(!r.bits[0], GetParam().dataAsWritten);  // 0x0F goes out high bit first: 0 when driven
}

INSTANTIATE_TEST_SUITE_P(LowByte, StrictDirections,
                         ::testing::Values(DirectionCase{0x00, 0, false}, DirectionCase{0x02, 0, false},
                                           DirectionCase{0x3B, 8, true}),
                         [](const auto& info) { return "dir" + std::to_string(info.param.lowDir); });

TEST(StrictDirections, ADataLineLeftAnInputCarriesThePinsLevelNotTheData) {
  Recorder r;  // its pins read 0xF0: the data-out pin low
  Ft2232Channel c(r);
  c.strictDirections = true;
  c.Enter(0x01);  // clock out, data in
  const std::uint8_t shift[] = {0x11, 0x00, 0x00, 0xFF};
  c.Execute(shift, sizeof shift);
  ASSERT_EQ(r.bits.size(), 8u);
  for (bool b : r.bits) EXPECT_FALSE(b);
}

// Bit-length and TMS shifts take the bytes the chip takes; the FT2232H's
// own commands are bad commands to the FT2232D. A command taken at the
// wrong length reads the rest of the stream out of step.
struct CommandCase {
  const char* name;
  bool highSpeed;
  std::vector<std::uint8_t> stream;  // followed by 0x81: the low pins read
  std::vector<std::uint8_t> replies;
  std::size_t bits;
};

class ChipCommands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(ChipCommands, TakeTheirLengthAndAnswerAsTheChipDoes) {
  Recorder r;
  Ft2232Channel c(r);
  c.highSpeed = GetParam().highSpeed;
  std::vector<std::uint8_t> stream = GetParam().stream;
  stream.push_back(0x81);
  c.Execute(stream.data(), stream.size());
  std::vector<std::uint8_t> replies = GetParam().replies;
  replies.push_back(0xF0);  // every low pin an input
  EXPECT_EQ(Drain(c), replies);
  EXPECT_EQ(r.bits.size(), GetParam().bits);
}

INSTANTIATE_TEST_SUITE_P(Mpsse, ChipCommands,
                         ::testing::Values(CommandCase{"writeThreeBits", false, {0x13, 0x02, 0xA0}, {}, 3},
                                           CommandCase{"readFiveBits", false, {0x22, 0x04}, {0x14}, 5},
                                           CommandCase{"tmsWithRead", false, {0x6B, 0x01, 0x81}, {0x40}, 2},
                                           CommandCase{"divideByFiveOffOnH", true, {0x8A, 0x97}, {}, 0},
                                           CommandCase{"divideByFiveOffOnD", false, {0x8A}, {0xFA, 0x8A}, 0},
                                           CommandCase{"clockBytesWithoutDataOnH", true, {0x8F, 0x01, 0x00}, {}, 16}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BoardRig {
  explicit BoardRig(int kind)
      : state(FreshState(slot::KindFromNumber(kind).value(), {})), board(state, clock), channel(board) {
    clock.Sleep(100);
  }
  void Send(std::initializer_list<std::uint8_t> bytes) {
    std::vector<std::uint8_t> v(bytes);
    channel.Execute(v.data(), v.size());
  }
  std::uint8_t Exchange(std::uint8_t b) {
    Send({0x31, 0x00, 0x00, b});
    return Drain(channel).at(0);
  }
  void Select() { Send({0x82, 0x02, 0x0F}); }
  // Selected, woken and settled as the protocol has it: commands may come.
  void Ready() {
    Send({0x82, 0x07, 0x0F});  // selected, as a transfer leaves the lines
    Send({0x31, 0x03, 0x00, 0xAC, 0x53, 0xFF, 0xFF});
    Drain(channel);
    clock.Sleep(50);
    for (auto lines : {std::array<std::uint8_t, 3>{0x80, 0x16, 0x33}, {0x82, 0x02, 0x0F}, {0x80, 0x06, 0x2B}}) {
      channel.Execute(lines.data(), lines.size());
      clock.Sleep(750);
    }
  }
  SimState state;
  platform::VirtualClock clock;
  ProgrammerBoard board;
  Ft2232Channel channel;
};

TEST(ProgrammerBoard, HearsNothingUnlessSelectedAndEnabled) {
  BoardRig rig(0);
  EXPECT_EQ(rig.Exchange('V'), 0xFF);
  rig.Send({0x82, 0x00, 0x0F});  // select low but buffer not enabled
  EXPECT_EQ(rig.Exchange('V'), 0xFF);
  rig.Ready();
  rig.Exchange('V');
  EXPECT_EQ(rig.Exchange(0xFF), '*');
  EXPECT_EQ(rig.Exchange(0xFF), 226);
  EXPECT_EQ(rig.Exchange(0xFF), '!');
}

TEST(ProgrammerBoard, AFramingMistakeLeavesTheProgrammerOutOfStep) {
  BoardRig rig(0);
  rig.Ready();
  // Reading a reply short: the next command is swallowed by the old reply.
  rig.Exchange('V');
  rig.Exchange(0xFF);
  rig.Exchange('D');
  EXPECT_NE(rig.Exchange(0xFF), '*');
  // Bytes sent least significant bit first are other commands.
  BoardRig lsb(0);
  lsb.Ready();
  lsb.Send({0x39, 0x00, 0x00, 'V'});
  Drain(lsb.channel);
  EXPECT_NE(lsb.Exchange(0xFF), '*');
}

TEST(ProgrammerBoard, ResetHandsTheLinesToTheControllerAndReleasingItRestartsTheFirmware) {
  BoardRig rig(0);
  rig.Ready();
  rig.Send({0x80, 0x02, 0x33});  // reset low
  EXPECT_TRUE(rig.board.InReset());
  rig.clock.Sleep(25);
  rig.Send({0x31, 0x03, 0x00, 0xAC, 0x53, 0xFF, 0xFF});
  EXPECT_EQ(Drain(rig.channel).at(2), 0x53);
  EXPECT_TRUE(rig.board.Isp().ProgrammingEnabled());
  rig.Send({0x80, 0x32, 0x33});  // released
  EXPECT_FALSE(rig.board.InReset());
  EXPECT_EQ(rig.Exchange('V'), 0xFF);  // still booting
  rig.clock.Sleep(ProgrammerBoard::kBootMs);
  rig.Exchange('V');
  EXPECT_EQ(rig.Exchange(0xFF), '*');
}

// A firmware that loads each reply byte in its main loop: a reply byte
// clocked sooner than its time after the previous byte goes out as the
// byte just received, and the reply waits for the next byte; a page read's
// data is streamed and keeps pace with the clock.
TEST(ProgrammerBoard, AFirmwareSlowToLoadRepliesEchoesWhatComesTooSoon) {
  BoardRig rig(0);
  rig.state.replyPrepUs = 200;
  rig.state.flash->ProgramPage(0, std::vector<std::uint8_t>(264, 0xA5));
  rig.Ready();
  rig.Exchange('V');
  rig.clock.AdvanceUs(200);
  rig.Send({0x31, 0x02, 0x00, 0xFF, 0xFF, 0xFF});  // three reply bytes back to back
  EXPECT_EQ(Drain(rig.channel), (std::vector<std::uint8_t>{'*', 0xFF, 0xFF}));
  rig.clock.AdvanceUs(199);
  EXPECT_EQ(rig.Exchange(0xFF), 0xFF) << "one microsecond short";
  rig.clock.AdvanceUs(200);
  EXPECT_EQ(rig.Exchange(0xFF), 226);
  rig.clock.AdvanceUs(200);
  EXPECT_EQ(rig.Exchange(0xFF), '!');

  rig.clock.AdvanceUs(200);
  rig.Exchange('R');
  rig.Send({0x11, 0x04, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00});  // address 0, four bytes
  rig.clock.Sleep(50);
  rig.Send({0x20, 0x03, 0x00});
  EXPECT_EQ(Drain(rig.channel), (std::vector<std::uint8_t>{0xA5, 0xA5, 0xA5, 0xA5}));
}

// ---- The protocol watch ----

// The wake-up frame, answered.
void Wake(BoardRig& rig) {
  rig.Send({0x31, 0x03, 0x00, 0xAC, 0x53, 0xFF, 0xFF});
  Drain(rig.channel);
}

void SendBytes(BoardRig& rig, std::initializer_list<std::uint8_t> bytes) {
  for (std::uint8_t b : bytes) rig.Exchange(b);
}

struct Breach {
  const char* name;
  void (*act)(BoardRig&);
  const char* said;  // part of the violation recorded
};

class ProtocolWatch : public ::testing::TestWithParam<Breach> {};

TEST_P(ProtocolWatch, RecordsWhatARealProgrammerWouldNotTake) {
  test::ViolationCatcher caught;
  BoardRig rig(2);
  GetParam().act(rig);
  ASSERT_FALSE(caught.seen.empty()) << "nothing recorded";
  EXPECT_NE(caught.Text().find(GetParam().said), std::string::npos) << caught.Text();
  EXPECT_EQ(rig.state.violations, caught.seen);
}

INSTANTIATE_TEST_SUITE_P(
    Breaches, ProtocolWatch,
    ::testing::Values(
        Breach{"CommandBeforeTheHandshake",
               [](BoardRig& r) {
                 r.Select();
                 r.Exchange('V');
               },
               "command 'V' (0x56) came before the wake-up handshake"},
        Breach{"CommandBeforeTheSettling",
               [](BoardRig& r) {
                 r.Select();
                 Wake(r);
                 r.clock.Sleep(3000);
                 r.Exchange('D');
               },
               "command 'D' (0x44) came before the line settle sequence"},
        Breach{"SettleStepCutShort",
               [](BoardRig& r) {
                 r.Send({0x82, 0x07, 0x0F});
                 Wake(r);
                 r.clock.Sleep(50);
                 r.Send({0x80, 0x16, 0x33});
                 r.clock.Sleep(100);
                 r.Send({0x82, 0x02, 0x0F});
               },
               "high lines 0x02 came 100 ms after the step before it; the protocol waits 750 ms"},
        Breach{"CommandBeforeTheLastSettleWait",
               [](BoardRig& r) {
                 r.Send({0x82, 0x07, 0x0F});
                 Wake(r);
                 r.clock.Sleep(50);
                 for (auto lines : {std::array<std::uint8_t, 3>{0x80, 0x16, 0x33}, {0x82, 0x02, 0x0F}}) {
                   r.channel.Execute(lines.data(), lines.size());
                   r.clock.Sleep(750);
                 }
                 r.Send({0x80, 0x06, 0x2B});  // and no wait after the last step
                 r.Exchange('V');
               },
               "command 'V' (0x56) came 0 ms after the last line settle step; the protocol waits 750 ms"},
        Breach{"StatusArgument",
               [](BoardRig& r) {
                 r.Ready();
                 SendBytes(r, {'S', 0x01});
               },
               "'S' (dataflash status) came with the argument 0x01"},
        Breach{"ReadDataAtOnce",
               [](BoardRig& r) {
                 r.Ready();
                 r.Exchange('R');
                 r.Send({0x11, 0x04, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x20, 0x03, 0x00});
               },
               "a page read's data was clocked in 0 ms after the request; the protocol waits 50 ms"},
        Breach{"EraseAnsweredAtOnce",
               [](BoardRig& r) {
                 r.Ready();
                 SendBytes(r, {'E', 0x00, 0x00, 0x00, 'P', 0xFF});
               },
               "an erase's acknowledgement was clocked in 0 ms after the request; the protocol waits 100 ms"},
        Breach{"SetUpCutShort",
               [](BoardRig& r) {
                 r.Send({0x82, 0x03, 0x0F});
                 r.clock.Sleep(10);
                 r.Send({0x82, 0x01, 0x0F});
                 r.clock.Sleep(20);
                 r.Select();
                 Wake(r);
               },
               "high lines 0x01 came 10 ms after 0x03"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProtocolWatch, AProgrammerTalkedToAsTheProtocolSaysRecordsNothing) {
  test::ViolationCatcher caught;
  BoardRig rig(2);
  rig.Send({0x82, 0x03, 0x0F});
  rig.clock.Sleep(100);
  rig.Send({0x82, 0x01, 0x0F});
  rig.clock.Sleep(500);
  rig.Ready();
  SendBytes(rig, {'S', 0x00, 0xFF, 0xFF, 'E', 0x00, 0x00, 0x00, 'P'});
  rig.clock.Sleep(100);
  EXPECT_EQ(rig.Exchange(0xFF), '!');
  EXPECT_EQ(caught.Text(), "");
}

TEST(Dataflash, AddressesAsTheChipsDo) {
  Dataflash standard(FlashFor(slot::kind_single), false);  // 264-byte pages, 9 offset bits
  EXPECT_EQ(standard.Locate(3 << 9), 3u * 264);
  EXPECT_EQ(standard.Locate((3 << 9) + 132), 3u * 264 + 132);
  Dataflash eightWay(FlashFor(slot::kind_8way), false);  // 528-byte pages until switched
  EXPECT_EQ(eightWay.Locate(3 * 512), 1u * 528 + 512);
  eightWay.ProgramPage(0, std::vector<std::uint8_t>(528, 0x11));
  eightWay.SwitchToBinary();
  EXPECT_EQ(eightWay.PageSize(), 512u);
  EXPECT_EQ(eightWay.Locate(3 * 512), 3u * 512);
  EXPECT_EQ(eightWay.At(511), 0x11);
  EXPECT_EQ(eightWay.At(512), 0xFF);
}

TEST(Dataflash, ProgramsOnePageAndErasesBlocksOfEight) {
  Dataflash f(FlashFor(slot::kind_single), false);
  EXPECT_TRUE(f.ProgramPage((2 << 9) + 260, {1, 2, 3, 4, 5, 6}));  // wraps inside the page
  EXPECT_EQ(f.At(2 * 264 + 263), 4);
  EXPECT_EQ(f.At(2 * 264 + 0), 5);
  EXPECT_EQ(f.At(3 * 264), 0xFF);
  EXPECT_FALSE(f.ProgramPage(9 << 9, std::vector<std::uint8_t>(264, 0), 7));
  f.EraseBlock(12 << 9);
  EXPECT_TRUE(f.PageBlank(9));
  EXPECT_FALSE(f.PageBlank(2));
}

}  // namespace
}  // namespace velmar::sim
