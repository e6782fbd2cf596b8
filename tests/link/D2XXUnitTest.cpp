// The USB adapter: argument limits, what a failed query leaves, the error
// dialog's text, and the guard against stale reply bytes.
#include <gtest/gtest.h>

#include <deque>

#include "link/D2XXUnit.h"
#include "platform/ScriptedDialogs.h"

namespace velmar::link {
namespace {

// A driver whose answers the test sets.
struct FakeDriver final : FtDriver {
  std::string Name() const override { return "fake"; }
  FT_STATUS ListDeviceCount(std::uint32_t& n) override { return n = 2, status; }
  FT_STATUS ListDeviceByIndex(std::uint32_t, std::uint32_t what, char* b, std::size_t s) override {
    if (status == FT_OK) CopyListText(what == FT_OPEN_BY_SERIAL_NUMBER ? serial : description, b, s);
    return status;
  }
  FT_STATUS OpenEx(const char* s, FT_HANDLE& h) override {
    opened = s;
    h = status == FT_OK ? this : nullptr;
    return status;
  }
  FT_STATUS Close(FT_HANDLE) override { return status; }
  FT_STATUS Read(FT_HANDLE, std::uint8_t* b, std::uint32_t n, std::uint32_t& got) override {
    got = 0;
    while (got < n && !rx.empty()) b[got++] = rx.front(), rx.pop_front();
    return status;
  }
  FT_STATUS Write(FT_HANDLE, const std::uint8_t*, std::uint32_t n, std::uint32_t& w) override { return w = n, status; }
  FT_STATUS GetQueueStatus(FT_HANDLE, std::uint32_t& n) override { return n = 0, status; }
  FT_STATUS CyclePort(FT_HANDLE) override { return status; }
  FT_STATUS EE_UARead(FT_HANDLE, std::uint8_t*, std::uint32_t, std::uint32_t& got) override { return got = 0, status; }
  FT_STATUS SetLatencyTimer(FT_HANDLE, std::uint8_t) override { return status; }
  FT_STATUS SetBitMode(FT_HANDLE, std::uint8_t, std::uint8_t) override { return status; }

  FT_STATUS status = FT_OK;
  std::string description = "Dual RS232 A";
  std::string serial = "QRXA";
  std::string opened;
  std::deque<std::uint8_t> rx;
};

struct D2XXUnitTest : ::testing::Test {
  FakeDriver driver;
  platform::ScriptedDialogs dialogs;
  D2XXUnit unit{driver, dialogs};
};

TEST_F(D2XXUnitTest, ASerialNumberIsCutTo49CharactersBeforeOpening) {
  unit.Open_USB_Device_By_Serial_Number(std::string(60, 'S'));
  EXPECT_EQ(driver.opened, std::string(49, 'S'));
}

TEST_F(D2XXUnitTest, ListTextComesFromTheBuffersAndAFailedQueryLeavesItAlone) {
  driver.description = std::string(80, 'D');
  ASSERT_EQ(unit.GetFTDeviceDescription(0), FT_OK);
  EXPECT_EQ(unit.ListText, std::string(64, 'D'));  // the whole 64-byte buffer
  driver.serial = "FT2232H12345678A";              // 16 characters: the whole buffer
  ASSERT_EQ(unit.GetFTDeviceSerialNo(0), FT_OK);
  EXPECT_EQ(unit.ListText, "FT2232H12345678A");
  driver.serial = "QRXA";
  ASSERT_EQ(unit.GetFTDeviceSerialNo(0), FT_OK);
  EXPECT_EQ(unit.ListText, "QRXA");
  unit.FTErrorReports = false;
  driver.status = FT_DEVICE_NOT_FOUND;
  EXPECT_EQ(unit.GetFTDeviceDescription(5), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(unit.GetFTDeviceSerialNo(5), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(unit.ListText, "QRXA");
}

TEST_F(D2XXUnitTest, FailuresShowTheCaptionAndStatusTextWhileReportsAreOn) {
  driver.status = FT_IO_ERROR;
  unit.SetFTLatencyTimer(16);
  driver.status = FT_OTHER_ERROR;  // 18: no text of its own
  unit.CycleFTPort();
  driver.status = FT_DEVICE_NOT_OPENED_FOR_ERASE;
  unit.SetFTBitMode(0x3B, 2);
  ASSERT_EQ(dialogs.shown.size(), 3u);
  EXPECT_EQ(dialogs.shown[0].text, "FT_SetLatencyTimer  - General IO error...");
  EXPECT_EQ(dialogs.shown[0].type, platform::DlgType::Error);
  EXPECT_EQ(dialogs.shown[1].text, "FT_CyclePort");
  EXPECT_EQ(dialogs.shown[2].text, "FT_SetBitMode  Device not opened for erase...");

  unit.FTErrorReports = false;
  driver.rx = {1, 2};
  EXPECT_EQ(unit.ReadFTDevice(2), 0u);
  EXPECT_EQ(dialogs.shown.size(), 3u);
}

TEST_F(D2XXUnitTest, AShortReadNeverLeavesAnEarlierReplyInTheBuffer) {
  driver.rx = {0x2A, 0x21, 0x33};
  ASSERT_EQ(unit.ReadFTDevice(3), 3u);
  driver.rx = {0x55};
  EXPECT_EQ(unit.ReadFTDevice(3), 1u);
  EXPECT_EQ(unit.RxBuffer[0], 0x55);
  EXPECT_EQ(unit.RxBuffer[1], 0x00);
  EXPECT_EQ(unit.RxBuffer[2], 0x00);
  EXPECT_EQ(unit.ReadFTDevice(D2XXUnit::kBufferSize + 10), 0u);  // bounded by the buffer
}

TEST(FtStatusText, FollowsTheAdaptersTable) {
  EXPECT_EQ(FtStatusText(0), "");
  EXPECT_EQ(FtStatusText(2), " - Device not found...");
  EXPECT_EQ(FtStatusText(9), " Device not opened for write...");
  EXPECT_EQ(FtStatusText(17), " - Other error ...");
  EXPECT_EQ(FtStatusText(18), "");
  EXPECT_EQ(FtStatusText(1000), "");
}

}  // namespace
}  // namespace velmar::link
