// The emulated chip held to FTDI's documented behaviour where a lenient one
// would hide a fault of ours: its fixed buffers per channel, the purge
// values libftdi 1.5 sends, MPSSE only where the chip has it, and the
// standard requests a host sends.
#include <gtest/gtest.h>

#include "EmulatedChip.h"
#include "sim/Pins.h"

namespace velmar::usbemu {
namespace {

constexpr std::uint8_t kOut = 0x40;

struct Chip {
  explicit Chip(ChipType type) : chip(type, EepromPart::c93C56, "QRX", pins, {}) {}
  // Channel 1 (A) or 2 (B) in MPSSE mode; true when the request was taken.
  bool Mpsse(std::uint16_t channel) { return Request(kOut, 0x0B, 0x3B | 0x02 << 8, channel) == UsbResult::ok; }
  UsbResult Request(std::uint8_t type, std::uint8_t request, std::uint16_t value, std::uint16_t index) {
    int got = 0;
    return chip.Control(type, request, value, index, nullptr, 0, got);
  }
  std::size_t Write(int channel, const std::vector<std::uint8_t>& bytes) {
    std::size_t taken = 0;
    chip.Channel(channel).BulkOut(bytes.data(), bytes.size(), taken);
    return taken;
  }
  // The data bytes one read of up to 64 KiB brings (status bytes dropped).
  std::vector<std::uint8_t> Read(int channel) {
    std::vector<std::uint8_t> buffer(65536);
    int got = 0;
    chip.Channel(channel).BulkIn(buffer.data(), int(buffer.size()), got, 100'000, false, false);
    std::vector<std::uint8_t> data;
    const int packet = chip.PacketSize();
    for (int at = 0; at < got; at += packet)
      data.insert(data.end(), buffer.begin() + at + 2, buffer.begin() + std::min(got, at + packet));
    return data;
  }
  sim::NothingAttached pins;
  EmulatedChip chip;
};

std::vector<std::uint8_t> ClockIns(std::size_t n) {
  std::vector<std::uint8_t> v;
  for (std::size_t i = 0; i < n; ++i) v.insert(v.end(), {0x20, 0x00, 0x00});
  return v;
}

// What a write of clock-ins the host does not read gets into the chip: the
// MPSSE stops once the to-host buffer is full, the from-host buffer fills,
// and no more is taken. Long commands are still taken as they stream in.
struct BufferCase {
  const char* name;
  ChipType chip;
  std::vector<std::uint8_t> write;
  std::size_t taken;
};

class ChipBuffers : public ::testing::TestWithParam<BufferCase> {};

TEST_P(ChipBuffers, TakeWhatTheirFixedSizesHold) {
  Chip c(GetParam().chip);
  ASSERT_TRUE(c.Mpsse(1));
  EXPECT_EQ(c.Write(0, GetParam().write), GetParam().taken);
}

std::vector<std::uint8_t> LongShiftOut(std::size_t n) {
  std::vector<std::uint8_t> v = {0x11, std::uint8_t((n - 1) & 0xFF), std::uint8_t((n - 1) >> 8)};
  v.resize(3 + n, 0x55);
  return v;
}

INSTANTIATE_TEST_SUITE_P(
    Chips, ChipBuffers,
    ::testing::Values(BufferCase{"dRepliesFillBoth", ChipType::ft2232d, ClockIns(2000), 384 * 3 + 128},
                      BufferCase{"dRepliesThatFit", ChipType::ft2232d, ClockIns(384), 384 * 3},
                      BufferCase{"hRepliesFillBoth", ChipType::ft2232h, ClockIns(6000), 4096 * 3 + 4096},
                      BufferCase{"hRepliesThatFit", ChipType::ft2232h, ClockIns(2000), 2000 * 3},
                      BufferCase{"dLongReadCommand", ChipType::ft2232d, {0x20, 0xFF, 0xFF, 0x87}, 4},
                      BufferCase{"dLongShiftWithoutReplies", ChipType::ft2232d, LongShiftOut(1000), 1003}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChipBuffers, AStalledEngineGoesOnAsTheHostReads) {
  Chip c(ChipType::ft2232d);
  ASSERT_TRUE(c.Mpsse(1));
  const std::vector<std::uint8_t> all = ClockIns(1000);
  std::size_t sent = c.Write(0, all);
  std::size_t replies = 0;
  for (int reads = 0; reads < 100 && replies < 1000; ++reads) {
    replies += c.Read(0).size();
    sent += c.Write(0, std::vector<std::uint8_t>(all.begin() + std::ptrdiff_t(sent), all.end()));
  }
  EXPECT_EQ(sent, all.size());
  EXPECT_EQ(replies, 1000u);
}

// libftdi 1.5: 1 (SIO_TCOFLUSH) empties what came from the host, 2
// (SIO_TCIFLUSH) what waits for it, 0 (SIO reset) both.
struct PurgeCase {
  std::uint16_t value;
  bool toHostKept;
  bool fromHostKept;
};

class Purges : public ::testing::TestWithParam<PurgeCase> {};

TEST_P(Purges, EmptyTheBufferLibftdiMeans) {
  Chip c(ChipType::ft2232d);
  ASSERT_TRUE(c.Mpsse(1));
  // 384 replies waiting, then a pin read the full buffer holds back.
  std::vector<std::uint8_t> bytes = ClockIns(384);
  bytes.push_back(0x81);
  ASSERT_EQ(c.Write(0, bytes), bytes.size());
  ASSERT_EQ(c.Request(kOut, 0x00, GetParam().value, 1), UsbResult::ok);
  const std::size_t expected = (GetParam().toHostKept ? 384 : 0) + (GetParam().fromHostKept ? 1 : 0);
  std::size_t got = 0;
  for (int i = 0; i < 20; ++i) got += c.Read(0).size();
  EXPECT_EQ(got, expected);
}

INSTANTIATE_TEST_SUITE_P(Libftdi15, Purges,
                         ::testing::Values(PurgeCase{0, false, false}, PurgeCase{1, true, false},
                                           PurgeCase{2, false, true}),
                         [](const auto& info) { return "value" + std::to_string(info.param.value); });

// The FT2232D has its MPSSE on channel A only; the FT2232H on both.
struct MpsseCase {
  ChipType chip;
  int channel;
  bool answers;
};

class MpsseChannels : public ::testing::TestWithParam<MpsseCase> {};

TEST_P(MpsseChannels, RunWhereTheChipHasTheEngine) {
  Chip c(GetParam().chip);
  ASSERT_TRUE(c.Mpsse(std::uint16_t(GetParam().channel + 1)));
  c.Write(GetParam().channel, {0x81, 0x87});
  EXPECT_EQ(c.Read(GetParam().channel).size(), GetParam().answers ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Chips, MpsseChannels,
                         ::testing::Values(MpsseCase{ChipType::ft2232d, 0, true},
                                           MpsseCase{ChipType::ft2232d, 1, false},
                                           MpsseCase{ChipType::ft2232h, 1, true}),
                         [](const auto& info) {
                           return std::string(info.param.chip == ChipType::ft2232d ? "d" : "h") + "Channel" +
                                  char('A' + info.param.channel);
                         });

// GET_STATUS on both; the device qualifier only from the high-speed chip.
TEST(StandardRequests, StatusAlwaysAndTheQualifierOnlyAtHighSpeed) {
  for (ChipType type : {ChipType::ft2232d, ChipType::ft2232h}) {
    SCOPED_TRACE(type == ChipType::ft2232d ? "ft2232d" : "ft2232h");
    Chip c(type);
    std::uint8_t data[16] = {0xEE, 0xEE};
    UsbResult r = UsbResult::timeout;
    int got = 0;
    ASSERT_TRUE(c.chip.Standard(0x80, 0x00, 0, data, sizeof data, r, got));
    EXPECT_EQ(r, UsbResult::ok);
    EXPECT_EQ(got, 2);
    EXPECT_EQ(data[0] | data[1], 0);
    ASSERT_TRUE(c.chip.Standard(0x80, 0x06, 0x0600, data, sizeof data, r, got));
    if (type == ChipType::ft2232h) {
      EXPECT_EQ(r, UsbResult::ok);
      ASSERT_EQ(got, 10);
      EXPECT_EQ(data[1], 0x06);
    } else {
      EXPECT_EQ(r, UsbResult::stall);
    }
  }
}

}  // namespace
}  // namespace velmar::usbemu
