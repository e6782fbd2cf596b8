// The header builders: the hex-bytes primitive, the masks, option bytes
// that must stay sets of flags, the debugger questions with both answers,
// the program-options table and the placement of IDs and configuration.
#include "image/HeaderBuilders.h"

#include <array>
#include <functional>

#include "image/BuilderFixture.h"

using namespace velmar::image;
using namespace velmar::test;
using velmar::platform::DlgButton;

namespace {

using Header = std::array<std::uint8_t, 160>;

Header Blank() {
  Header h;
  h.fill(0xFF);
  return h;
}

Bytes Slice(const Header& h, std::size_t from, std::size_t n) {
  return Bytes(h.begin() + std::ptrdiff_t(from), h.begin() + std::ptrdiff_t(from + n));
}

TEST(PutHexBytes, WritesPairsHighByteFirstAndRefusesShortOrBadTexts) {
  Header h = Blank();
  PutHexBytes(h.data(), 43, 2, "1a8F");
  EXPECT_EQ(Slice(h, 43, 2), (Bytes{0x1A, 0x8F}));
  PutNumber(h.data(), 71, 2, 0x4000);
  EXPECT_EQ(Slice(h, 71, 2), (Bytes{0x40, 0x00}));
  EXPECT_THROW(PutHexBytes(h.data(), 43, 2, "10"), std::invalid_argument);
  EXPECT_THROW(PutHexBytes(h.data(), 43, 2, "10G0"), std::invalid_argument);
  EXPECT_THROW(PutHexBytes(h.data(), 159, 2, "FFFF"), std::invalid_argument);
  EXPECT_THROW(PutNumber(h.data(), 78, 1, 300), std::invalid_argument);
  EXPECT_EQ(Slice(h, 43, 2), (Bytes{0x1A, 0x8F}));
}

TEST(ApplyMask, SevenOrMoreBytesMaskTheConfigurationFewerTheProtection) {
  SlotJob job;
  job.config.fill(0xF0);
  job.protection.fill(0x0F);
  ApplyMask(job, "00CF1F", 8);  // pairs 3 to 7 are missing and count as FF
  EXPECT_EQ(Bytes(job.config.begin(), job.config.begin() + 9),
            (Bytes{0x00, 0xC0, 0x10, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0}));
  ApplyMask(job, "0FC00FE00F40", 6);
  EXPECT_EQ(Bytes(job.protection.begin(), job.protection.end()), (Bytes{0x0F, 0x00, 0x0F, 0x00, 0x0F, 0x00}));
  EXPECT_THROW(ApplyMask(job, "ZZ", 6), std::invalid_argument);
}

struct HeaderBuilder : BuilderFixture {
  Header h = Blank();
  HeaderBuilder() {
    job.device.DeviceID = "5400";
    job.device.EraseCMD = "8F0F";
    job.device.BlockSize = 0x4000;
    job.device.BufferSize = 64;
    job.device.FuseCount = 11;
    options.errorRepeat = 5;
    options.progMode = 1;
  }
};

TEST_F(HeaderBuilder, Pic18FlagsNamedTwiceStayOneBit) {
  job.device.Type = "K22";
  options.familyIndex = 3;
  options.matchDeviceId = true;
  options.programUserId = true;
  options.vddVisible = true;  // 5 V supply: bulk erase
  ASSERT_EQ(BuildPic18Header(job, options, questions, h.data()), HeaderOutcome::built);
  // match, high voltage, user ID, bulk erase (from the supply and from K22), verify off, K22.
  EXPECT_EQ(h[45], 0xFA);
  EXPECT_EQ(h[46], 0x62);
  EXPECT_EQ(h[47], 0x24);
  EXPECT_EQ(h[94], 0x88);
  EXPECT_EQ(h[81], 0xFF);
  EXPECT_EQ(Slice(h, 70, 10), (Bytes{11, 0x40, 0x00, 0x40, 0x8F, 0x0F, 0x04, 0x00, 10, 50}));
  EXPECT_EQ(h[80], 0xFF);
}

TEST_F(HeaderBuilder, Pic18DebuggerQuestionBothAnswers) {
  job.device.Type = "B";
  job.config[6] = 0x01;
  dialogs.Answer(DlgButton::No);
  ASSERT_EQ(BuildPic18Header(job, options, questions, h.data()), HeaderOutcome::built);
  EXPECT_EQ(h[62], 0x01);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text,
            "Background Debugger is Enabled in\rConfiguration Bytes in Hex File.\rThis may affect your code "
            "operation\r\rDo you want to switch DEBUG Off?\r");
  dialogs.Answer(DlgButton::Yes);
  ASSERT_EQ(BuildPic18Header(job, options, questions, h.data()), HeaderOutcome::built);
  EXPECT_EQ(h[62], 0x81);

  // K40 parts keep the bit in the fourth configuration byte.
  job.device.Type = "K40";
  job.config[3] = 0xDF;
  dialogs.Answer(DlgButton::Yes);
  ASSERT_EQ(BuildPic18Header(job, options, questions, h.data()), HeaderOutcome::built);
  EXPECT_EQ(h[59], 0xFF);
  EXPECT_TRUE(dialogs.AllAnswersUsed());
}

TEST_F(HeaderBuilder, Pic18IdsBeyondEightFillTheExtraBytes) {
  for (std::size_t i = 0; i < 16; ++i) job.id[i] = std::uint8_t(0x10 + i);
  job.idCount = 12;
  job.config[6] = 0x80;
  ASSERT_EQ(BuildPic18Header(job, options, questions, h.data()), HeaderOutcome::built);
  EXPECT_EQ(Slice(h, 48, 8), (Bytes{0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17}));
  EXPECT_EQ(h[147], 2);
  EXPECT_EQ(Slice(h, 148, 8), (Bytes{0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F}));
  job.idCount = 8;
  h = Blank();
  ASSERT_EQ(BuildPic18Header(job, options, questions, h.data()), HeaderOutcome::built);
  EXPECT_EQ(h[147], 0);
  EXPECT_EQ(Slice(h, 148, 8), Bytes(8, 0xFF));
}

TEST_F(HeaderBuilder, SkipBlankEepromAndTheProductionLimit) {
  job.config[6] = 0x80;
  options.e2SkipFF = true;
  options.limitPrograms = true;
  options.progCount = 300;
  ASSERT_EQ(BuildPic18Header(job, options, questions, h.data()), HeaderOutcome::built);
  EXPECT_EQ(h[45] & 0x01, 0x01);
  EXPECT_EQ(Slice(h, 74, 2), (Bytes{0x8B, 0x0F}));
  EXPECT_EQ(h[84], 0x80);
  EXPECT_EQ(Slice(h, 158, 2), (Bytes{0x01, 0x2C}));
}

// A value that cannot go into the header ends the build with a message
// naming where it came from: the DEVICES.INI file, section and key, or the
// HEX file. A negative value is named as it stands, not as a huge one.
TEST_F(HeaderBuilder, AValueThatDoesNotFitNamesItsSource) {
  job.config[6] = 0x80;
  job.userFile = "/work/big.hex";
  const auto pic18 = [this](SlotJob& j) { BuildPic18Header(j, options, questions, h.data()); };
  const auto pic16 = [this](SlotJob& j) { BuildPic16Header(j, options, h.data()); };
  const auto dsPic30 = [this](SlotJob& j) { BuildDsPic30Header(j, options, h.data()); };
  const struct {
    std::function<void(SlotJob&)> spoil;
    std::function<void(SlotJob&)> build;
    std::string message;
  } cases[] = {
      {[](SlotJob& j) { j.device.DeviceID = "54"; }, pic18,
       "DEVICES.INI [TEST] DeviceID \"54\" is not a hexadecimal text of 2 bytes"},
      {[](SlotJob& j) { j.device.EraseCMD = "8G0F"; }, pic18,
       "DEVICES.INI [TEST] EraseCMD \"8G0F\" is not a hexadecimal text of 2 bytes"},
      {[](SlotJob& j) { j.idCount = 4096; }, pic18,
       "The value 2044 does not fit 1 header byte(s) (at most 255) of the extra configuration count, from the 4096 "
       "ID bytes of /work/big.hex"},
      {[](SlotJob& j) { j.device.BlockSize = 0x10000; }, pic18,
       "The value 65536 does not fit 2 header byte(s) (at most 65535) of DEVICES.INI [TEST] BlockSize"},
      {[](SlotJob& j) { j.device.BufferSize = 256; }, pic18,
       "The value 256 does not fit 1 header byte(s) (at most 255) of DEVICES.INI [TEST] BufferSize"},
      {[](SlotJob& j) { j.device.EraseBlocks = -1; }, pic18,
       "The value -1 does not fit 1 header byte(s) (at most 255) of DEVICES.INI [TEST] EraseBlocks"},
      {[](SlotJob& j) { j.device.FuseCount = 300; }, pic18,
       "The value 300 does not fit 1 header byte(s) (at most 255) of DEVICES.INI [TEST] FuseCount"},
      {[](SlotJob& j) { j.device.ProgTime = 1000; }, pic18,
       "The value 1000 does not fit 1 header byte(s) (at most 255) of DEVICES.INI [TEST] ProgTime"},
      {[](SlotJob& j) { j.device.EraseTime = -5; }, dsPic30,
       "The value -5 does not fit 1 header byte(s) (at most 255) of DEVICES.INI [TEST] EraseTime"},
      {[](SlotJob& j) { j.device.FuseCount = 256; }, pic16,
       "The value 256 does not fit 1 header byte(s) (at most 255) of DEVICES.INI [TEST] FuseCount"},
      {[](SlotJob& j) { j.device.BufferSize = 300; }, dsPic30,
       "The value 300 does not fit 1 header byte(s) (at most 255) of DEVICES.INI [TEST] BufferSize"},
      {[](SlotJob& j) { j.device.Fuses = "C0ZZ"; },
       [](SlotJob& j) { ApplyMask(j, j.device.Fuses, 8, DeviceKey(j.device, "Fuses")); },
       "'ZZ' is not a valid hexadecimal byte in DEVICES.INI [TEST] Fuses"},
  };
  for (const auto& c : cases) {
    SlotJob spoilt = job;
    c.spoil(spoilt);
    try {
      c.build(spoilt);
      ADD_FAILURE() << "built: " << c.message;
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

struct Pic16Header : HeaderBuilder {
  Pic16Header() {
    job.device.DeviceID = "2D40";
    job.device.FuseCount = 4;
    job.device.RowSize = 32;
    for (std::size_t i = 0; i < 10; ++i) job.config[i] = std::uint8_t(0xC0 + i);
  }
  std::uint8_t A(int ops, int column, bool bulk) {
    options.programOps = ops;
    options.bulkErase = bulk;
    job.device.Column = column;
    h = Blank();
    EXPECT_EQ(BuildPic16Header(job, options, h.data()), HeaderOutcome::built);
    return h[45];
  }
};

TEST_F(Pic16Header, Column15WithProgramAllKeepsEveryFlagInItsPlace) {
  job.device.ID14Bit = true;
  options.matchDeviceId = true;
  options.programUserId = true;
  options.verifyConfig = true;
  EXPECT_EQ(A(0, 15, true), 0xF7);  // match, HV, user ID, bulk erase, family, row algorithm, 14-bit IDs
  EXPECT_EQ(h[46], 0x02);
  EXPECT_EQ(h[47], 0x24);
  EXPECT_EQ(h[76], 5);
  EXPECT_EQ(h[143], 32);
}

TEST_F(Pic16Header, ProgramOptionsDecideTheBulkEraseBit) {
  EXPECT_EQ(A(0, 0, true) & 0x10, 0);
  EXPECT_EQ(h[46], 0xDD);
  EXPECT_EQ(A(0, 3, false) & 0x10, 0x10);
  EXPECT_EQ(h[46], 0x1D);
  EXPECT_EQ(A(2, 4, true) & 0x10, 0);
  EXPECT_EQ(h[46], 0x25);
  EXPECT_EQ(A(1, 5, false) & 0x10, 0x10);
  EXPECT_EQ(h[46], 0x18);
  EXPECT_EQ(A(0, 11, true) & 0x10, 0x10);  // unchanged
  EXPECT_EQ(h[46], 0x00);
  EXPECT_EQ(A(2, 7, true) & 0x10, 0);
  EXPECT_EQ(h[46], 0x24);
}

TEST_F(Pic16Header, PortableLedAndColumn14AreOneBit) {
  options.programmerKind = velmar::slot::kind_portable;
  options.ppLedOn = true;
  A(0, 14, true);
  EXPECT_EQ(h[47], 0x01);
  EXPECT_EQ(h[76], 11);
}

TEST_F(Pic16Header, ConfigurationWordsFollowTheirCount) {
  A(0, 3, true);
  EXPECT_EQ(Slice(h, 56, 6), (Bytes{0xC0, 0xC1, 0xC2, 0xC3, 0xFF, 0xFF}));
  EXPECT_EQ(h[70], 4);
  job.device.FuseCount = 10;
  A(0, 3, true);
  EXPECT_EQ(Slice(h, 56, 11), (Bytes{0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xFF}));
}

TEST_F(Pic16Header, PreserveDataMemoryMarksTheJobAsHavingData) {
  options.dataSave = true;
  job.device.EEPROMSIZE = 0x100;
  A(0, 3, true);
  EXPECT_EQ(h[47] & 0x40, 0x40);
  EXPECT_EQ(Slice(h, 41, 2), (Bytes{0x00, 0x01}));
  EXPECT_EQ(job.dataFileName, "kf_flash.hex");
}

struct Pic24Header : HeaderBuilder {
  Pic24Header() {
    job.device.DeviceID = "0447";
    job.device.EraseCMD = "404F";
    job.device.BlockSize = 64;
    job.device.FuseCount = 2;
  }
};

TEST_F(Pic24Header, FjDebuggerQuestionMayEndTheBuild) {
  job.device.Type = "24FJ";
  job.config = {0xFF, 0x87, 0xDF, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  dialogs.Answer(DlgButton::No);
  EXPECT_EQ(BuildPic24Header(job, options, questions, h.data()), HeaderOutcome::declined);
  EXPECT_EQ(dialogs.LastText(),
            "Background Debugger is Enabled in\rConfiguration Bytes in Hex File.\rThis may affect your code "
            "operation\r\rDo you want to continue?\r");
  dialogs.Answer(DlgButton::Yes);
  ASSERT_EQ(BuildPic24Header(job, options, questions, h.data()), HeaderOutcome::built);
  EXPECT_EQ(Slice(h, 56, 5), (Bytes{0xFF, 0x87, 0xDF, 0x7F, 0xFF}));
  EXPECT_EQ(h[76], 0x20);
  EXPECT_EQ(h[46], 0xA0);
  EXPECT_EQ(h[81], 0xB8);
  EXPECT_EQ(Slice(h, 70, 4), (Bytes{0x02, 0x40, 0xFF, 0x40}));
  EXPECT_EQ(h[84], 0xFF);
  // A block size that does not fit the byte leaves its first two hex digits.
  job.device.BlockSize = 8192;
  ASSERT_EQ(BuildPic24Header(job, options, questions, h.data()), HeaderOutcome::built);
  EXPECT_EQ(h[71], 0x20);
}

TEST_F(Pic24Header, KaDebuggerQuestionBothAnswers) {
  job.device.Type = "24KA";
  job.device.FuseCount = 9;
  job.device.EEPROMSIZE = 512;
  job.dataFileName = "kf_eeprom.hex";
  job.config[7] = 0x03;
  dialogs.Answer(DlgButton::No);
  ASSERT_EQ(BuildPic24Header(job, options, questions, h.data()), HeaderOutcome::built);
  EXPECT_EQ(h[63], 0x03);
  dialogs.Answer(DlgButton::Yes);
  ASSERT_EQ(BuildPic24Header(job, options, questions, h.data()), HeaderOutcome::built);
  EXPECT_EQ(h[63], 0x83);
  EXPECT_EQ(h[46], 0x90);
  EXPECT_EQ(h[47], 0x20);  // high-voltage entry chosen
  EXPECT_EQ(h[76], 0x22);
  EXPECT_EQ(h[65], 0xFF);  // nine configuration bytes, 56-64
}

TEST_F(Pic24Header, DsPic30OptionsAndSupply) {
  job.device.Type = "ds30";
  job.device.FuseCount = 14;
  job.device.EEPROMSIZE = 1024;
  job.auxiliary = true;
  options.vddChecked = true;
  options.dataSave = true;
  options.resetPulse = true;
  options.verifyConfig = true;
  ASSERT_EQ(BuildDsPic30Header(job, options, h.data()), HeaderOutcome::built);
  EXPECT_EQ(h[45], 0x60);
  EXPECT_EQ(h[46], 0x00);  // no data file
  EXPECT_EQ(h[47], 0x4A);
  EXPECT_EQ(h[70], 7);
  EXPECT_EQ(h[76], 0x23);
  EXPECT_EQ(h[81], 0xA9);
  EXPECT_EQ(h[84], 0xFF);
}

}  // namespace
