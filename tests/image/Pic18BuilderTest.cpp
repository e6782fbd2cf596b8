// The PIC18F/PIC18 K line builder and the PIC18J image builder: what goes
// where, the counts and flags they leave in the job, files that would have
// written past the job's buffers, and their messages.
#include "image/Pic18Builder.h"

#include <algorithm>

#include "image/BuilderFixture.h"
#include "platform/Text.h"

using namespace velmar::image;
using namespace velmar::test;
using velmar::platform::DlgButton;

namespace {

using Lines_ = std::vector<std::string>;

Bytes Take(const auto& array, std::size_t from, std::size_t n) {
  return Bytes(array.begin() + std::ptrdiff_t(from), array.begin() + std::ptrdiff_t(from + n));
}

struct Pic18Builder : BuilderFixture {
  Pic18Builder() {
    job.device.FuseCount = 14;
    job.device.FlashSize = 0x8000;
  }
};

TEST_F(Pic18Builder, ExampleSplitsIntoProgramEepromConfigurationAndIds) {
  job.userFile = SourceDir() + "examples/pic18f4520/blink.hex";
  BuildPic18(job, options);
  EXPECT_EQ(Lines(piece::kFlash),
            (Lines_{":020000040000FA", ":040000000DEF00F010", ":020008001100E5", ":080018001000720ED36E0F0EF2",
                    ":10002000C16E936A8A6A8A7001D8FDD7006A016A34", ":0A003000002EFED7012EFCD71200AF", ":00000001FF"}));
  // EEPROM records keep their 16-bit addresses and lose the address record.
  EXPECT_EQ(Lines(piece::kEeprom), (Lines_{":0800000056656C6D6172002A67", ":00000001FF"}));
  EXPECT_EQ(job.dataFileName, "kf_eeprom.hex");
  EXPECT_TRUE(job.configFound);
  EXPECT_FALSE(job.configShort);
  // 3 + 2 + 6 configuration bytes; the 8 ID bytes before them do not count.
  EXPECT_EQ(job.device.FuseCount, 11);
  EXPECT_EQ(Take(job.config, 0, 8), (Bytes{0xFF, 0x08, 0x1E, 0x1E, 0xFF, 0x81, 0x81, 0xFF}));
  EXPECT_EQ(Take(job.protection, 0, 6), (Bytes{0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40}));
  EXPECT_EQ(Take(job.id, 0, 16), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(job.idCount, 8);
}

TEST_F(Pic18Builder, ShortConfigurationLeavesTheProtectionBytesBlank) {
  UserFile(Ela(0) + Rec(0, {0x12, 0x34}) + Ela(0x30) + Rec(1, {0x08, 0x1E, 0x1E}) + Rec(5, {0x81, 0x81}) + kEnd);
  job.protection.fill(0x00);
  BuildPic18(job, options);
  EXPECT_TRUE(job.configShort);
  EXPECT_EQ(job.device.FuseCount, 5);
  EXPECT_EQ(Take(job.protection, 0, 6), Bytes(6, 0xFF));
  EXPECT_EQ(Lines(piece::kFlash), (Lines_{":020000040000FA", ":020000001234B8", ":00000001FF"}));
  EXPECT_EQ(job.dataFileName, "");
  EXPECT_FALSE(Has(piece::kEeprom));
}

TEST_F(Pic18Builder, FileWithoutConfigurationRecordsSaysSo) {
  UserFile(Rec(0, {0x12, 0x34}) + kEnd);
  BuildPic18(job, options);
  EXPECT_FALSE(job.configFound);
  EXPECT_EQ(job.device.FuseCount, 14);  // the device's value stays
  EXPECT_EQ(Take(job.config, 0, 14), Bytes(14, 0xFF));
}

TEST_F(Pic18Builder, BytesWithoutAPlaceAreLeftOut) {
  Bytes big(255, 0x5A);
  UserFile(Ela(0x30) + Rec(0, {0, 1, 2, 3, 4, 5, 6, 7}) + Rec(0x0C, {0xC1, 0xC2, 0xC3, 0xC4}) + Rec(0xF0, big) +
           Ela(0x20) + Rec(0x08, {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B}) +
           Rec(0x40, big) + kEnd);
  BuildPic18(job, options);
  EXPECT_EQ(Take(job.config, 0, 8), (Bytes{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(Take(job.protection, 0, 6), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xC1, 0xC2}));
  EXPECT_EQ(job.device.FuseCount, 10);  // the bytes that found a place
  EXPECT_EQ(Take(job.id, 0, 16),
            (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17}));
  EXPECT_EQ(job.idCount, 8);
}

TEST_F(Pic18Builder, RecordsAfterTheEepromStayWithTheProgram) {
  UserFile(Ela(0) + Rec(0, {1, 2}) + Ela(0xF0) + Rec(0, {0xE0, 0xE1}) + Ela(0x31) + Rec(4, {0xE4}) + Ela(0x01) +
           Rec(0x10, {0xAA, 0xBB}) + kEnd);
  BuildPic18(job, options);
  EXPECT_EQ(Lines(piece::kFlash),
            (Lines_{":020000040000FA", ":020000000102FB", ":020000040001F9", ":02001000AABB89", ":00000001FF"}));
  EXPECT_EQ(Lines(piece::kEeprom), (Lines_{":02000000E0E13D", ":01000400E417", ":00000001FF"}));
}

TEST_F(Pic18Builder, ConfigurationSplitAcrossSectionsIsJoined) {
  UserFile(Ela(0x30) + Rec(0, {0x11}) + Ela(0x20) + Rec(0, {0x01}) + Ela(0x30) + Ela(0x30) + Rec(1, {0x22}) + kEnd);
  BuildPic18(job, options);
  EXPECT_EQ(Take(job.config, 0, 3), (Bytes{0x11, 0x22, 0xFF}));
  EXPECT_EQ(job.device.FuseCount, 2);
  EXPECT_EQ(job.idCount, 1);
  EXPECT_EQ(job.id[0], 0x01);
}

TEST_F(Pic18Builder, LowerCaseFilesAreSplitLikeUpperCaseOnes) {
  UserFile(velmar::text::LowerCase(ReadFile(SourceDir() + "examples/pic18f46k22/blink.hex")));
  BuildPic18(job, options);
  EXPECT_TRUE(job.configFound);
  EXPECT_EQ(Take(job.config, 0, 8), (Bytes{0xFF, 0x28, 0x06, 0x3C, 0xFF, 0xBD, 0x81, 0xFF}));
  EXPECT_EQ(job.idCount, 8);
  EXPECT_EQ(Lines(piece::kEeprom).front(), ":0B00000056656C6D6172204B323200BF");
}

TEST_F(Pic18Builder, PreserveDataMemoryLeavesAnEmptyDataPart) {
  job.userFile = SourceDir() + "examples/pic18f4520/blink.hex";
  options.dataSave = true;
  BuildPic18(job, options);
  EXPECT_EQ(Lines(piece::kEeprom), (Lines_{":00000001FF"}));
  EXPECT_EQ(job.dataFileName, "kf_eeprom.hex");
}

TEST_F(Pic18Builder, DeviceRecordsOutOfRangeAreRefusedBeforeTheFileIsRead) {
  job.device.BufferSize = 0;
  UserFile(Rec(0, {0x12}) + kEnd);
  try {
    BuildPic18(job, options);
    FAIL() << "no exception";
  } catch (const velmar::image::EBuildRefused& e) {
    EXPECT_EQ(std::string(e.what()),
              "The device record TEST in DEVICES.INI cannot be used:\rBufferSize 0 is out of range (1 to 255)");
  }
  EXPECT_FALSE(Has(piece::kFlash));
}

TEST_F(Pic18Builder, BadDataAndMissingFilesRaiseTheLinkException) {
  UserFile(Ela(0x30) + ":0G000100081E1EB8\n" + kEnd);
  try {
    BuildPic18(job, options);
    FAIL() << "no exception";
  } catch (const velmar::image::EBuildRefused& e) {
    EXPECT_EQ(std::string(e.what()).rfind(
                  "Error opening file or bad data \r" + job.userFile + "\r" + job.userFile + " line 2: ", 0),
              0u)
        << e.what();
  }
}

// What cannot be read as a program is refused with the reason after the
// usual text.
TEST_F(Pic18Builder, UnreadableOrEmptyFilesAreRefusedWithTheReason) {
  WriteFile(working.File("end-only.hex"), kEnd);
  const struct {
    std::string file, reason;
  } cases[] = {
      {working.File("missing.hex"), "Cannot open " + working.File("missing.hex") + ": No such file or directory"},
      {working.Path(), "Cannot open " + working.Path() + ": it is a folder"},
      {"/dev/null", "Cannot open /dev/null: it is not a regular file"},
      {working.File("end-only.hex"),
       working.File("end-only.hex") + " holds no data: no record puts a byte into memory"},
  };
  for (const auto& c : cases) {
    job.userFile = c.file;
    try {
      BuildPic18(job, options);
      ADD_FAILURE() << c.file << " was built";
    } catch (const velmar::image::EBuildRefused& e) {
      EXPECT_EQ(std::string(e.what()), "Error opening file or bad data \r" + c.file + "\r" + c.reason);
    }
  }
}

// ---- PIC18J ----

struct Pic18JBuilder : BuilderFixture {
  Pic18JBuilder() {
    job.device.FlashSize = 0x10000;
    job.device.Fuses = "EF07DF0FFF09BF03";
    job.device.Type = "J";
  }
};

TEST_F(Pic18JBuilder, DeviceMaskForcesTheDebuggerOffAndBit3Clear) {
  UserFile(Ela(0) + Rec(0, {0x12}) + Rec(0xFFF8, {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}) + kEnd);
  options.unusedFuses = true;
  ASSERT_TRUE(BuildPic18J(job, options, questions));
  THexList img = Piece(piece::kFlash, 0x20000);
  EXPECT_EQ(At(img, 0xFFF8, 8), (Bytes{0x80, 0x07, 0xDF, 0x0F, 0xFF, 0x09, 0xBF, 0x03}));
  EXPECT_EQ(job.device.Fuses, "EF07DF0FFF09BF03");
  EXPECT_EQ(job.dataFileName, "");
}

TEST_F(Pic18JBuilder, WithoutTheDeviceMaskOnlyTheTwoBitsChange) {
  UserFile(Ela(0) + Rec(0xFFF8, {0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}) + kEnd);
  ASSERT_TRUE(BuildPic18J(job, options, questions));
  THexList img = Piece(piece::kFlash, 0x20000);
  EXPECT_EQ(At(img, 0xFFF8, 8), (Bytes{0x80, 0xF7, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(job.device.Fuses, "FFF7FFFFFFFFFFFF");
  job.device.Type = "J94";
  ASSERT_TRUE(BuildPic18J(job, options, questions));
  EXPECT_EQ(job.device.Fuses, "FFF7FFFFFFFFFFFFFFFFFFFFFFFFFFFF");
}

TEST_F(Pic18JBuilder, DeviceWithoutMaskKeepsEverythingInsideProgramMemory) {
  job.device.FlashSize = 0x4000;
  job.device.Fuses = "";
  UserFile(Rec(0, {0x12, 0x34}) + kEnd);
  ASSERT_TRUE(BuildPic18J(job, options, questions));
  THexList img = Piece(piece::kFlash, 0x20000);
  EXPECT_EQ(At(img, 0x3FF8, 2), (Bytes{0xFF, 0xF7}));
  EXPECT_LT(img.LastUsed(), 0x4000);
}

// A broken mask in DEVICES.INI is named after the builder's message.
TEST_F(Pic18JBuilder, ABrokenDeviceMaskIsNamed) {
  job.device.Fuses = "EF07DF0FFFZZBF03";
  options.unusedFuses = true;
  UserFile(Rec(0, {0x12}) + kEnd);
  EXPECT_FALSE(BuildPic18J(job, options, questions));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text,
            "Error in Hex file or file for different device or file not found\r'ZZ' is not a valid hexadecimal byte "
            "in DEVICES.INI [TEST] Fuses");
}

TEST_F(Pic18JBuilder, CodeBeyondTheDeviceAsksFirst) {
  job.device.FlashSize = 0x4000;
  UserFile(Rec(0, {0x12}) + Ela(0) + Rec(0x5000, {0x34}) + kEnd);
  dialogs.Answer(DlgButton::No);
  EXPECT_FALSE(BuildPic18J(job, options, questions));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Code Size is larger than device size - Continue?");
  EXPECT_EQ(dialogs.shown[0].title, "File Size Warning");
  dialogs.Answer(DlgButton::Yes);
  EXPECT_TRUE(BuildPic18J(job, options, questions));
}

TEST_F(Pic18JBuilder, UnreadableFilesAreReported) {
  UserFile("not a hex file\n");
  EXPECT_FALSE(BuildPic18J(job, options, questions));
  EXPECT_EQ(dialogs.LastText().rfind("Bad File Data\r" + job.userFile + "\rQuitting\r" + job.userFile + " line 1: ", 0),
            0u)
      << dialogs.LastText();
  EXPECT_EQ(dialogs.shown.back().title, "File Warning");
  job.userFile = working.File("missing.hex");
  EXPECT_FALSE(BuildPic18J(job, options, questions));
  EXPECT_EQ(dialogs.shown.back().title, "File Load Error");
}

}  // namespace
