// Our libftdi backend's user-area reader against EEPROM images laid out in
// FTDI's documented format, for every EEPROM size the dual-channel chips
// take; and the D2XX backend's lazily bound FT_CyclePort, against the
// emulation's D2XX library with and without that call.
#include <cstdlib>

#include <gtest/gtest.h>

#include "FtdiEeprom.h"
#include "link/D2xxLibraryDriver.h"
#include "link/LibFtdiDriver.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

using usbemu::ChipType;
using usbemu::EepromPart;

struct Layout {
  ChipType chip;
  EepromPart part;
  const char* serial;
};

class UserAreaLayout : public ::testing::TestWithParam<Layout> {};

TEST_P(UserAreaLayout, StartsRightAfterTheLastStringWhateverTheirLengths) {
  usbemu::EepromContents c;
  c.chip = GetParam().chip;
  c.part = GetParam().part;
  c.serial = GetParam().serial;
  c.userArea = {'V', 'E', 'L', 'M', 'A', 'R', '0', '1', '1', 0x5A};
  std::vector<std::uint8_t> image = usbemu::BuildEeprom(c);
  ASSERT_EQ(usbemu::EepromString(image, 3), c.serial);
  // libftdi reads at most the first 256 bytes; a 64-word part answers every
  // address modulo its size, so libftdi sees it twice over and takes 128.
  std::vector<std::uint8_t> raw(image.begin(),
                                image.begin() + std::ptrdiff_t(std::min<std::size_t>(image.size(), 256)));
  // Its decoder finds the checksum in the last word of what it read.
  ASSERT_EQ(usbemu::EepromChecksum(raw), raw[raw.size() - 2] | raw[raw.size() - 1] << 8);
  std::vector<std::uint8_t> area = link::UserAreaFromEeprom(raw);
  ASSERT_GE(area.size(), c.userArea.size());
  EXPECT_EQ(std::vector<std::uint8_t>(area.begin(), area.begin() + 10), c.userArea);
  EXPECT_LE(usbemu::UserAreaStart(image) + c.userArea.size(), usbemu::ChecksumOffset(image.size()));
}

INSTANTIATE_TEST_SUITE_P(FtdiFormat, UserAreaLayout,
                         ::testing::Values(Layout{ChipType::ft2232d, EepromPart::c93C46, "QRX"},
                                           Layout{ChipType::ft2232d, EepromPart::c93C46, "FT7K1000"},
                                           Layout{ChipType::ft2232d, EepromPart::c93C56, "QRX"},
                                           Layout{ChipType::ft2232d, EepromPart::c93C66, "QRX"},
                                           Layout{ChipType::ft2232h, EepromPart::c93C56, "QRX"},
                                           Layout{ChipType::ft2232h, EepromPart::c93C56, "FT7K1000"},
                                           Layout{ChipType::ft2232h, EepromPart::c93C66, "QRX"}));

TEST(FtdiEeprom, RefusesStringsAndUserAreaBeyondTheStringSpace) {
  usbemu::EepromContents c;
  c.userArea.assign(usbemu::StringAndUserSpace(ChipType::ft2232d), 0);
  EXPECT_THROW(usbemu::BuildEeprom(c), std::length_error);
  c.userArea.clear();
  c.description = std::string(60, 'x');
  EXPECT_THROW(usbemu::BuildEeprom(c), std::length_error);
}

// The emulation's D2XX library, loaded straight into this process.
std::string EmulationLibrary(const char* name) { return std::string(VELMAR_BUILD_DIR) + "/usbemu/" + name; }

class LazyCyclePort : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The emulated programmer saves itself at exit: keep its file in the build folder.
    state_ = EmulationLibrary("lazy-cycle.state");
    std::string out;
    ASSERT_EQ(RunCommand(BinDir() + "velmar-cli sim create '" + state_ + "' --kind 2 --force 2>&1", &out), 0) << out;
    setenv("VELMAR_USB_EMU_STATE", state_.c_str(), 1);
  }
  static std::string state_;
};
std::string LazyCyclePort::state_;

TEST_F(LazyCyclePort, ALibraryWithoutItStillOpensAndSaysWhyThePortWasNotCycled) {
  link::D2xxLibraryDriver without(EmulationLibrary("libvelmar_usbemu_nocycle.so"));
  ASSERT_EQ(without.Problem(), "");
  link::FT_HANDLE h = nullptr;
  ASSERT_EQ(without.OpenEx("QRXA", h), link::FT_OK);
  EXPECT_EQ(without.CyclePort(h), link::FT_NOT_SUPPORTED);
  EXPECT_NE(without.LastError().find("FT_CyclePort"), std::string::npos);
  EXPECT_EQ(without.Close(h), link::FT_OK);

  link::D2xxLibraryDriver with(EmulationLibrary("libvelmar_usbemu.so"));
  ASSERT_EQ(with.Problem(), "");
  ASSERT_EQ(with.OpenEx("QRXA", h), link::FT_OK);
  EXPECT_EQ(with.CyclePort(h), link::FT_OK);
  EXPECT_EQ(with.Close(h), link::FT_OK);
}

}  // namespace
}  // namespace velmar::test
