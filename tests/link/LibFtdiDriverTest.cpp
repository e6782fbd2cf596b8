// The libftdi backend against a fake of the libftdi calls: channel listing
// as D2XX shows it, opening by channel serial number, reads that gather and
// time out, the read-ahead queue, and the EEPROM user area.
#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "link/LibFtdiDriver.h"

namespace velmar::link {
namespace {

struct FakeCalls final : LibFtdiCalls {
  std::vector<UsbDevice> devices;
  std::vector<std::pair<void*, int>> opened;       // device, channel
  std::deque<std::vector<std::uint8_t>> arrivals;  // what each ReadData call finds
  std::vector<std::uint8_t> eeprom;
  std::uint64_t now = 0;
  int readCalls = 0;

  std::string Problem() override { return {}; }
  int FindAll(std::vector<UsbDevice>& out) override {
    out = devices;
    return int(devices.size());
  }
  int Open(void* device, int channel) override {
    opened.emplace_back(device, channel);
    return int(opened.size() - 1);
  }
  void Close(int) override {}
  // Like libftdi: what a packet brings beyond the size asked for stays in
  // its buffer for the next call.
  int ReadData(int, std::uint8_t* b, int size) override {
    ++readCalls;
    asked.push_back(size);
    if (arrivals.empty()) return 0;
    auto& chunk = arrivals.front();
    int n = std::min<int>(size, int(chunk.size()));
    std::copy_n(chunk.begin(), n, b);
    chunk.erase(chunk.begin(), chunk.begin() + n);
    if (chunk.empty()) arrivals.pop_front();
    return n;
  }
  std::vector<int> asked;
  int WriteData(int, const std::uint8_t*, int size) override { return size; }
  int SetLatency(int, std::uint8_t) override { return 0; }
  int SetBitmode(int, std::uint8_t, std::uint8_t) override { return 0; }
  int ResetPort(int) override { return 0; }
  int ReadEeprom(int, std::vector<std::uint8_t>& raw) override {
    raw = eeprom;
    return 0;
  }
  std::string ErrorString(int) override { return "fake error"; }
  std::uint64_t NowMs() override { return now; }
  void SleepMs(unsigned ms) override { now += ms; }
};

struct LibFtdiTest : ::testing::Test {
  LibFtdiTest() {
    auto f = std::make_unique<FakeCalls>();
    fake = f.get();
    fake->devices = {{&devA, "Dual RS232", "FT123", "", "1-1"}, {&devB, "Dual RS232", "QRX", "", "1-2.3"}};
    driver = std::make_unique<LibFtdiDriver>(std::move(f), 100);
  }
  int devA = 0, devB = 0;
  FakeCalls* fake;
  std::unique_ptr<LibFtdiDriver> driver;
};

TEST_F(LibFtdiTest, ListsEachChipAsTwoChannelsTheWayD2xxDoes) {
  std::uint32_t n = 0;
  ASSERT_EQ(driver->ListDeviceCount(n), FT_OK);
  EXPECT_EQ(n, 4u);
  char buf[64];
  std::vector<std::string> descriptions, serials;
  for (std::uint32_t i = 0; i < n; ++i) {
    driver->ListDeviceByIndex(i, FT_OPEN_BY_DESCRIPTION, buf, sizeof buf);
    descriptions.push_back(buf);
    driver->ListDeviceByIndex(i, FT_OPEN_BY_SERIAL_NUMBER, buf, 16);
    serials.push_back(buf);
  }
  EXPECT_EQ(descriptions, (std::vector<std::string>{"Dual RS232 A", "Dual RS232 B", "Dual RS232 A", "Dual RS232 B"}));
  EXPECT_EQ(serials, (std::vector<std::string>{"FT123A", "FT123B", "QRXA", "QRXB"}));
  EXPECT_EQ(driver->ListDeviceByIndex(4, FT_OPEN_BY_DESCRIPTION, buf, sizeof buf), FT_DEVICE_NOT_FOUND);
}

// Programmers all carry the same serial number: only the location tells
// them apart, and opening by location must not fall back to the first one.
TEST_F(LibFtdiTest, OpensTheProgrammerAtTheLocationGiven) {
  int devC = 0;
  fake->devices.push_back({&devC, "Dual RS232", "QRX", "", "2-1"});
  fake->devices[0].serial = "QRX";
  std::uint32_t n = 0;
  ASSERT_EQ(driver->ListDeviceCount(n), FT_OK);
  ASSERT_EQ(n, 6u);
  EXPECT_EQ(driver->ListDeviceLocation(2), "1-2.3");
  EXPECT_EQ(driver->ListDeviceLocation(3), "1-2.3") << "channel B sits on the same chip";
  EXPECT_EQ(driver->ListDeviceLocation(6), "");
  FT_HANDLE h = nullptr;
  ASSERT_EQ(driver->OpenAt("2-1", "QRXA", h), FT_OK);
  ASSERT_EQ(fake->opened.size(), 1u);
  EXPECT_EQ(fake->opened[0], std::make_pair(static_cast<void*>(&devC), 0));
  EXPECT_EQ(driver->OpenAt("1-2", "QRXA", h), FT_DEVICE_NOT_FOUND) << "1-2 is a hub, not 1-2.3";
  EXPECT_EQ(h, nullptr);
}

TEST_F(LibFtdiTest, OpensTheChannelTheSerialNumberNames) {
  FT_HANDLE h = nullptr;
  ASSERT_EQ(driver->OpenEx("QRXB", h), FT_OK);
  ASSERT_EQ(fake->opened.size(), 1u);
  EXPECT_EQ(fake->opened[0].first, &devB);
  EXPECT_EQ(fake->opened[0].second, 1);
  EXPECT_EQ(driver->OpenEx("NOPE", h), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(h, nullptr);
}

TEST_F(LibFtdiTest, ReadsGatherUntilCompleteOrTimedOut) {
  FT_HANDLE h = nullptr;
  driver->OpenEx("QRXA", h);
  fake->arrivals = {{1}, {}, {2, 3}, {4, 5, 6}};
  std::uint8_t buf[8];
  std::uint32_t got = 0;
  ASSERT_EQ(driver->Read(h, buf, 4, got), FT_OK);
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(buf[3], 4);
  // libftdi is never asked for more than is missing: reading on past the
  // reply would wait out the chip's latency timer for nothing.
  EXPECT_EQ(fake->asked, (std::vector<int>{4, 3, 3, 1}));

  fake->now = 0;
  ASSERT_EQ(driver->Read(h, buf, 5, got), FT_OK);  // only the 2 left in libftdi's buffer ever come
  EXPECT_EQ(buf[1], 6);
  EXPECT_EQ(got, 2u);
  EXPECT_GE(fake->now, 100u);
  EXPECT_LT(fake->now, 110u);
}

TEST(UserAreaFromEeprom, StartsAfterTheStringDescriptors) {
  std::vector<std::uint8_t> raw(128, 0);
  raw[0x0E] = 0x80 | 0x1A, raw[0x0F] = 8;     // manufacturer at 0x1A
  raw[0x10] = 0x80 | 0x22, raw[0x11] = 0x1A;  // product at 0x22
  raw[0x12] = 0x80 | 0x3C, raw[0x13] = 0x0A;  // serial at 0x3C, ends at 0x46
  for (int i = 0x46; i < 126; ++i) raw[std::size_t(i)] = std::uint8_t(i);
  auto area = UserAreaFromEeprom(raw);
  ASSERT_EQ(area.size(), 126u - 0x46);
  EXPECT_EQ(area[0], 0x46);
  EXPECT_TRUE(UserAreaFromEeprom({}).empty());
}

TEST(LibFtdiDriver, WithoutTheLibrarySaysSoPlainly) {
  LibFtdiDriver d(nullptr);
  EXPECT_NE(d.Problem().find("without libftdi1"), std::string::npos);
}

}  // namespace
}  // namespace velmar::link
