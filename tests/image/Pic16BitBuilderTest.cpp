// The 16-bit builders: splitting a file into its memory spaces, packing
// four file bytes to three, the auxiliary area, the configuration words of
// FJ parts, the PIC24F program and EEPROM, and their messages.
#include "image/Pic16BitBuilder.h"

#include "image/BuilderFixture.h"

using namespace velmar::image;
using namespace velmar::test;
using velmar::platform::DlgButton;

namespace {

using Lines_ = std::vector<std::string>;

Bytes Take(const auto& array, std::size_t from, std::size_t n) {
  return Bytes(array.begin() + std::ptrdiff_t(from), array.begin() + std::ptrdiff_t(from + n));
}

// n instructions in file layout: low, middle, high and the phantom 0x00.
Bytes Instructions(std::initializer_list<std::uint32_t> words) {
  Bytes b;
  for (std::uint32_t w : words) b.insert(b.end(), {std::uint8_t(w), std::uint8_t(w >> 8), std::uint8_t(w >> 16), 0});
  return b;
}

struct Pic16BitBuilder : BuilderFixture {
  Pic16BitBuilder() {
    job.device.DeviceName = "dsPIC30F4011";
    job.device.FlashSize = 12;  // four instructions
    job.device.EEPROMSIZE = 0;
    job.device.BufferSize = 4;
    job.device.FuseCount = 14;
  }
};

TEST_F(Pic16BitBuilder, PlainProgramPacksToThreeBytesPerInstruction) {
  UserFile(Ela(0) + Rec(0, {0x11, 0x22, 0x33, 0x00, 0x44, 0x55, 0x66, 0x00}) + kEnd);
  ASSERT_TRUE(BuildDsPic30(job, options, questions));
  EXPECT_EQ(At(Piece(piece::kFlash, 12), 0, 12),
            (Bytes{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_FALSE(Has(piece::kEeprom));
  EXPECT_FALSE(Has(piece::kFuses));
  EXPECT_FALSE(Has(piece::kOtp));
  EXPECT_FALSE(job.auxiliary);
  EXPECT_FALSE(job.configFound);
  EXPECT_EQ(job.dataFileName, "");
}

TEST_F(Pic16BitBuilder, SectionsSplitAndAuxiliaryLinesAreReaddressed) {
  const Bytes sixteen(16, 0x30);
  SectionSplit s =
      SplitSections(ReadLinesOf(Ela(0) + Rec(0, {1, 2, 3, 0}) + Ela(0x0100) + Rec(0x05C0, sixteen) +
                                Rec(0x05D0, sixteen) + Ela(0x00FF) + Rec(0xF800, {4, 5, 0, 0}) + Ela(0x01F0) +
                                Rec(0, {6, 7, 0, 0}) + Ela(0x0100) + Rec(0x0600, {8, 0, 0, 0}) + kEnd),
                    {Space::Eeprom, Space::Config, Space::Aux});
  EXPECT_EQ(s.program, (Lines_{":020000040000FA", ":0400000001020300F6", ":00000001FF"}));
  ASSERT_EQ(s.aux.size(), 4u);
  EXPECT_EQ(s.aux[0].substr(0, 9), ":10000000");
  EXPECT_EQ(s.aux[1].substr(0, 9), ":10001000");
  EXPECT_EQ(s.aux[2].substr(0, 9), ":04002000");  // a second section continues the offsets
  EXPECT_EQ(s.eeprom, (Lines_{":04F8000004050000FB", ":00000001FF"}));
  EXPECT_EQ(s.config, (Lines_{":0400000006070000EF", ":00000001FF"}));
  EXPECT_TRUE(s.hasAux && s.hasEeprom && s.hasConfig);
}

TEST_F(Pic16BitBuilder, LinesAfterTheEndRecordAreIgnoredAndAMissingOneIsAdded) {
  SectionSplit s =
      SplitSections(ReadLinesOf(Rec(0, {1, 2, 3, 0}) + kEnd + Ela(0x01F0) + Rec(0, {6, 7, 0, 0})), {Space::Config});
  EXPECT_FALSE(s.hasConfig);
  EXPECT_EQ(s.program.back(), ":00000001FF");
  SectionSplit t = SplitSections(ReadLinesOf(Rec(0, {1, 2, 3, 0})), {Space::Config});
  EXPECT_EQ(t.program, (Lines_{":0400000001020300F6", ":00000001FF"}));
}

TEST_F(Pic16BitBuilder, DsPic30ExampleGivesEepromConfigurationAndUnitId) {
  job.userFile = SourceDir() + "examples/dspic30f4011/blink.hex";
  job.device.FlashSize = 49152;
  job.device.EEPROMSIZE = 1024;
  job.device.BufferSize = 32;
  ASSERT_TRUE(BuildDsPic30(job, options, questions));
  EXPECT_EQ(At(Piece(piece::kFlash, 49152), 0, 6), (Bytes{0x00, 0x01, 0x04, 0x00, 0x00, 0x00}));
  EXPECT_EQ(job.dataFileName, "kf_eeprom.hex");
  EXPECT_EQ(At(Piece(piece::kEeprom, 1024), 0, 17), (Bytes{0x56, 0x65, 0x6C, 0x6D, 0x61, 0x72, 0x33, 0x30, 0x02, 0x01,
                                                           0x04, 0x03, 0x06, 0x05, 0x08, 0x07, 0xFF}));
  EXPECT_TRUE(job.configFound);
  EXPECT_EQ(Take(job.config, 0, 14),
            (Bytes{0x00, 0xC1, 0x3F, 0x00, 0xB3, 0x87, 0x0F, 0x31, 0x0F, 0x33, 0x07, 0x00, 0x03, 0xC0}));
  EXPECT_TRUE(job.auxiliary);
  EXPECT_EQ(At(Piece(piece::kOtp, 96), 0, 13), (Bytes{0x30, 0, 0, 0x34, 0, 0, 0x30, 0, 0, 0x31, 0, 0, 0xFF}));
}

TEST_F(Pic16BitBuilder, BlankAuxiliaryAreaIsNoAuxiliaryData) {
  UserFile(Rec(0, {1, 2, 3, 0}) + Ela(0x0100) + Rec(0, {0xFF, 0xFF, 0xFF, 0xFF}) + kEnd);
  ASSERT_TRUE(BuildDsPic30(job, options, questions));
  EXPECT_FALSE(job.auxiliary);
}

TEST_F(Pic16BitBuilder, ProgramBeyondTheDeviceAsksBeforeItIsCut) {
  job.device.FlashSize = 6;
  UserFile(Rec(0, Instructions({0x000001, 0x000002, 0x000003})) + kEnd);
  dialogs.Answer(DlgButton::No);
  EXPECT_FALSE(BuildDsPic30(job, options, questions));
  EXPECT_EQ(dialogs.LastText(), "Code Size is larger than device size - Continue?");
  dialogs.Answer(DlgButton::Yes);
  ASSERT_TRUE(BuildDsPic30(job, options, questions));
  EXPECT_EQ(At(Piece(piece::kFlash, 16), 0, 7), (Bytes{1, 0, 0, 2, 0, 0, 0xFF}));
}

TEST_F(Pic16BitBuilder, FjConfigurationWordsAreMaskedWithTheirUpperByteZero) {
  job.device.DeviceName = "PIC24FJ64GA002";
  job.device.FuseCount = 2;
  job.device.Fuses = "FF87DF7F";
  UserFile(Rec(0, Instructions({0x123456, 0x654321, 0xFFF9DF, 0xFF3F7F})) + kEnd);
  ASSERT_TRUE(BuildPic24FJ(job, options, questions));
  EXPECT_EQ(At(Piece(piece::kFlash, 12), 0, 12),
            (Bytes{0x56, 0x34, 0x12, 0x21, 0x43, 0x65, 0xDF, 0x81, 0x00, 0x5F, 0x3F, 0x00}));
  EXPECT_EQ(Take(job.config, 0, 4), (Bytes{0xFF, 0x87, 0xDF, 0x7F}));
  EXPECT_TRUE(job.configFound);

  job.device.Fuses = "FF87DF";
  EXPECT_THROW(BuildPic24FJ(job, options, questions), std::invalid_argument);
}

TEST_F(Pic16BitBuilder, Pic24FPacksEveryInstructionOfTheDevice) {
  job.device.DeviceName = "PIC24F16KA102";
  job.device.FlashSize = 30;  // ten instructions
  UserFile(Rec(0, Instructions({1, 2, 3, 4})) + Rec(16, Instructions({5, 6, 7, 8})) +
           Rec(32, Instructions({9, 0x0A0B0C})) + kEnd);
  ASSERT_TRUE(BuildPic24F(job, options, questions));
  THexList packed = Piece(piece::kFlash, 30);
  EXPECT_EQ(At(packed, 24, 6), (Bytes{9, 0, 0, 0x0C, 0x0B, 0x0A}));
}

TEST_F(Pic16BitBuilder, Pic24FWithoutEndRecordKeepsItsLastRecord) {
  job.device.DeviceName = "PIC24F16KA102";
  UserFile(Rec(0, Instructions({1})) + Rec(4, Instructions({2})));
  ASSERT_TRUE(BuildPic24F(job, options, questions));
  EXPECT_EQ(At(Piece(piece::kFlash, 12), 0, 6), (Bytes{1, 0, 0, 2, 0, 0}));
}

TEST_F(Pic16BitBuilder, Pic24FEepromBytesKeepTheirAddresses) {
  job.device.DeviceName = "PIC24F16KA102";
  job.device.EEPROMSIZE = 8;  // four words ending at the top of the segment
  UserFile(Rec(0, Instructions({1})) + Ela(0x00FF) + Rec(0xFFF8, {0xA1, 0xA2, 0, 0, 0xB1, 0xB2, 0, 0}) + kEnd);
  ASSERT_TRUE(BuildPic24F(job, options, questions));
  EXPECT_EQ(job.dataFileName, "kf_eeprom.hex");
  EXPECT_EQ(At(Piece(piece::kEeprom, 8), 0, 8), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xA1, 0xA2, 0xB1, 0xB2}));

  options.dataSave = true;
  ASSERT_TRUE(BuildPic24F(job, options, questions));
  EXPECT_EQ(At(Piece(piece::kEeprom, 8), 0, 8), (Bytes{0xAA, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(Pic16BitBuilder, Pic24FConfigurationRegistersAndProgramAfterThem) {
  job.device.DeviceName = "PIC24F16KA102";
  job.device.FuseCount = 3;
  UserFile(Ela(0x01F0) + Rec(0, Instructions({0x0F, 0xFF, 0x03})) + Ela(0) + Rec(0, Instructions({0x332211})) + kEnd);
  ASSERT_TRUE(BuildPic24F(job, options, questions));
  EXPECT_TRUE(job.configFound);
  EXPECT_EQ(Take(job.config, 0, 4), (Bytes{0x0F, 0x00, 0x03, 0xFF}));
  EXPECT_EQ(At(Piece(piece::kFlash, 12), 0, 3), (Bytes{0x11, 0x22, 0x33}));
}

TEST_F(Pic16BitBuilder, DeviceRecordsThatWouldIndexOutOfRangeAreRefused) {
  UserFile(Rec(0, Instructions({1})) + kEnd);
  job.device.FuseCount = 15;  // more configuration bytes than the header holds
  EXPECT_FALSE(BuildDsPic30(job, options, questions));
  EXPECT_EQ(dialogs.LastText(),
            "The device record dsPIC30F4011 in DEVICES.INI cannot be used:\rFuseCount 15 is out of range (0 to 14)");
  job.device.FuseCount = 14;
  job.device.EEPROMSIZE = 0x9000;  // larger than the EEPROM segment
  EXPECT_FALSE(BuildDsPic30(job, options, questions));
  job.device.EEPROMSIZE = 0;
  job.device.FlashSize = 300000;  // more instructions than the file image holds
  EXPECT_FALSE(BuildDsPic30(job, options, questions));
  job.device.DeviceName = "PIC24FJ64GA002";
  job.device.FlashSize = 12;
  job.device.FuseCount = 5;  // more configuration words than instructions
  EXPECT_FALSE(BuildPic24FJ(job, options, questions));
  EXPECT_EQ(dialogs.shown.back().title, "Error");
  EXPECT_FALSE(Has(piece::kFlash));
}

TEST_F(Pic16BitBuilder, BadFilesShowTheirFamilysMessage) {
  UserFile(Rec(0, Instructions({1})) + Ela(0x01F0) + ":0400000006070000\n" + kEnd);  // no checksum
  EXPECT_FALSE(BuildDsPic30(job, options, questions));
  // The record that would hold the configuration registers is malformed:
  // the file is refused with its line and the reason.
  EXPECT_EQ(dialogs.LastText(), "Error in Hex file - bad format for dsPIC30 Devices\rQuitting\r" + job.userFile +
                                    " line 3: the record holds 3 data bytes, its count says 4");

  job.userFile = working.File("missing.hex");
  EXPECT_FALSE(BuildDsPic30(job, options, questions));
  EXPECT_EQ(dialogs.LastText(), "Error in Hex file - bad format for dsPIC30 Devices\rQuitting");
  EXPECT_FALSE(BuildPic24FJ(job, options, questions));
  EXPECT_EQ(dialogs.LastText(), "Error in Hex file - bad format for PIC24 Devices\rQuitting");
  UserFile("garbage\n");
  EXPECT_FALSE(BuildPic24F(job, options, questions));
  EXPECT_EQ(dialogs.LastText().rfind(
                "Error in Hex file - bad format for PIC24F Devices\rQuitting\r" + job.userFile + " line 1: ", 0),
            0u)
      << dialogs.LastText();
}

}  // namespace
