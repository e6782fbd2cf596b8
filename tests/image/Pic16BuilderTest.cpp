// The PIC12F-16F builder: the full program memory with blank words, the
// size refusal, data EEPROM words, Preserve Data Memory, and where the
// configuration words and ID locations come from.
#include "image/Pic16Builder.h"

#include "image/BuilderFixture.h"

using namespace velmar::image;
using namespace velmar::test;

namespace {

Bytes Take(const auto& array, std::size_t from, std::size_t n) {
  return Bytes(array.begin() + std::ptrdiff_t(from), array.begin() + std::ptrdiff_t(from + n));
}

struct Pic16Builder : BuilderFixture {
  Pic16Builder() {
    job.device.DeviceName = "PIC16F628A";
    job.device.FlashSize = 0x20;
    job.device.EEPROMSIZE = 4;
    job.device.Column = 3;
  }
};

TEST_F(Pic16Builder, EveryProgramWordIsWrittenWithBlankWordsErased) {
  UserFile(Rec(0, {0x05, 0x28}) + Rec(6, {0xFF, 0x00}) + kEnd);
  ASSERT_TRUE(BuildPic16(job, options, questions));
  THexList img = Piece(piece::kFlash, 0x100);
  Bytes expected;
  for (int w = 0; w < 16; ++w) {
    expected.push_back(w == 0 ? 0x05 : 0xFF);
    expected.push_back(w == 0 ? 0x28 : w == 3 ? 0x00 : 0x3F);
  }
  EXPECT_EQ(At(img, 0, 32), expected);
  EXPECT_EQ(img.LastUsed(), 0x1F);
}

TEST_F(Pic16Builder, CodeBeyondTheDeviceIsRefused) {
  job.device.FlashSize = 0x2000;
  UserFile(Rec(0, {0x05, 0x28}) + Rec(0x3000, {0x01}) + kEnd);
  EXPECT_FALSE(BuildPic16(job, options, questions));
  EXPECT_EQ(dialogs.LastText(), "Code size is greater than Device code size\rQuitting");
  EXPECT_EQ(dialogs.shown.back().title, "File Size Warning");
  EXPECT_FALSE(Has(piece::kFlash));
  // Baseline parts keep their configuration word above program memory.
  job.device.DeviceName = "PIC16F54";
  EXPECT_TRUE(BuildPic16(job, options, questions));
}

TEST_F(Pic16Builder, EepromWordsGiveOneByteEach) {
  UserFile(Ela(0) + Rec(0x4200, {0x12, 0x99, 0x34, 0x00}) + kEnd);
  ASSERT_TRUE(BuildPic16(job, options, questions));
  EXPECT_EQ(job.dataFileName, "kf_eeprom.hex");
  EXPECT_EQ(At(Piece(piece::kEeprom, 4), 0, 4), (Bytes{0x12, 0x34, 0xFF, 0xFF}));

  // Enhanced parts keep their EEPROM at 0x1E000.
  job.device.Column = 12;
  UserFile(Ela(0) + Rec(0x4200, {0x12, 0x00}) + Ela(1) + Rec(0xE002, {0x56, 0x00}) + kEnd);
  ASSERT_TRUE(BuildPic16(job, options, questions));
  EXPECT_EQ(At(Piece(piece::kEeprom, 4), 0, 4), (Bytes{0xFF, 0x56, 0xFF, 0xFF}));
}

TEST_F(Pic16Builder, BlankEepromMeansNoDataUnlessItIsPreserved) {
  UserFile(Rec(0, {0x05, 0x28}) + kEnd);
  job.dataFileName = "stale";
  ASSERT_TRUE(BuildPic16(job, options, questions));
  EXPECT_EQ(job.dataFileName, "");
  EXPECT_FALSE(Has(piece::kEeprom));

  options.dataSave = true;
  ASSERT_TRUE(BuildPic16(job, options, questions));
  EXPECT_EQ(job.dataFileName, "kf_eeprom.hex");
  EXPECT_EQ(At(Piece(piece::kEeprom, 4), 0, 4), (Bytes{0xAA, 0xFF, 0xFF, 0xFF}));
}

TEST_F(Pic16Builder, ConfigurationWordsKeep14BitsButTheFirstWord) {
  UserFile(Ela(0) + Rec(0x4000, {1, 0, 2, 0, 3, 0, 4, 0}) +
           Rec(0x400E, {0x70, 0xFF, 0x11, 0xF2, 0x22, 0xE3, 0x33, 0xD4, 0x44, 0xC5}) + kEnd);
  ASSERT_TRUE(BuildPic16(job, options, questions));
  EXPECT_EQ(Take(job.config, 0, 10), (Bytes{0x70, 0xFF, 0x11, 0x32, 0x22, 0x23, 0x33, 0x14, 0x44, 0x05}));
  EXPECT_EQ(Take(job.id, 0, 16), (Bytes{1, 0, 2, 0, 3, 0, 4, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));

  job.device.Column = 15;
  UserFile(Ela(1) + Rec(0x0000, {9, 0, 8, 0}) + Rec(0x000E, {0xE4, 0x3F, 0xFF, 0xDF}) + kEnd);
  ASSERT_TRUE(BuildPic16(job, options, questions));
  EXPECT_EQ(Take(job.config, 0, 4), (Bytes{0xE4, 0x3F, 0xFF, 0x1F}));
  EXPECT_EQ(Take(job.id, 0, 4), (Bytes{9, 0, 8, 0}));
}

// A baseline part is known by its name or by its baseline algorithm: the
// PIC12F509 names no "16F5" and still keeps its configuration word at 0xFFF.
TEST_F(Pic16Builder, BaselinePartsReadTheirOwnPlaces) {
  const struct {
    const char* name;
    int column;
  } cases[] = {{"PIC16F54", 8}, {"PIC16F505", 9}, {"PIC12F509", 9}, {"PIC12F510", 9}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    job.device.DeviceName = c.name;
    job.device.Column = c.column;
    job.device.EEPROMSIZE = 0;
    UserFile(Rec(0x1000, {0xA, 0, 0xB, 0, 0xC, 0, 0xD, 0}) + Rec(0x1FFE, {0xF9, 0x0F}) + kEnd);
    ASSERT_TRUE(BuildPic16(job, options, questions));
    EXPECT_EQ(job.config[0], 0xF9);
    EXPECT_EQ(Take(job.id, 0, 5), (Bytes{0xA, 0xB, 0xC, 0xD, 0xFF}));
  }
}

TEST_F(Pic16Builder, DeviceRecordsOutOfRangeAreRefused) {
  UserFile(Rec(0, {0x05, 0x28}) + kEnd);
  job.device.FlashSize = 0x21;  // half a word
  EXPECT_FALSE(BuildPic16(job, options, questions));
  EXPECT_EQ(dialogs.LastText(),
            "The device record PIC16F628A in DEVICES.INI cannot be used:\rFlashSize 33 must be even");
  job.device.FlashSize = 0x20;
  job.device.EEPROMSIZE = 0x20000;  // beyond the file image
  EXPECT_FALSE(BuildPic16(job, options, questions));
  job.device.EEPROMSIZE = 4;
  job.device.RowSize = 0;
  EXPECT_FALSE(BuildPic16(job, options, questions));
  EXPECT_FALSE(Has(piece::kFlash));
}

TEST_F(Pic16Builder, UnreadableFilesAreReported) {
  UserFile("nonsense\n");
  EXPECT_FALSE(BuildPic16(job, options, questions));
  EXPECT_EQ(dialogs.LastText().rfind(
                "Error in Hex file - bad format for PIC16 Devices\rQuitting\r" + job.userFile + " line 1: ", 0),
            0u)
      << dialogs.LastText();
  EXPECT_EQ(dialogs.shown.back().title, "File Format Warning");
  job.userFile = working.File("missing.hex");
  EXPECT_FALSE(BuildPic16(job, options, questions));
  EXPECT_EQ(dialogs.shown.back().title, "File Load Error");
}

}  // namespace
