// Format detection and reading of every accepted hex text format, and the
// handling of bad input.
#include <random>

#include <gtest/gtest.h>

#include "image/TFileLoader.h"
#include "support/TestSupport.h"

using namespace velmar::image;
using velmar::test::TempDir;
using velmar::test::WriteFile;

namespace {

struct Loaded {
  int result;
  int format;
  THexList image;
};

Loaded LoadText(const std::string& text, std::uint32_t size = 0x20000) {
  TempDir dir;
  WriteFile(dir.File("in.hex"), text);
  Loaded l{0, 0, THexList(size)};
  l.result = TFileLoader::LoadFile(dir.File("in.hex"), l.image);
  l.format = TFileLoader::LastFormat();
  return l;
}

struct FormatCase {
  const char* name;
  const char* text;
  int format;
  std::uint32_t address;            // where the first data byte lands
  std::vector<std::uint8_t> bytes;  // expected bytes from there
};

class EveryFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(EveryFormat, IsDetectedAndReadToTheRightAddresses) {
  const FormatCase& c = GetParam();
  Loaded l = LoadText(c.text);
  EXPECT_EQ(l.format, c.format);
  EXPECT_EQ(l.result, 0);
  for (std::size_t i = 0; i < c.bytes.size(); ++i)
    EXPECT_EQ(l.image.GetValue(c.address + std::uint32_t(i)), c.bytes[i]) << "byte " << i;
  // Nothing else was written.
  int others = 0;
  for (std::uint32_t a = 0; a < l.image.Count(); ++a)
    if (l.image.GetValue(a) != 0xFF && (a < c.address || a >= c.address + c.bytes.size())) ++others;
  EXPECT_EQ(others, 0);
}

INSTANTIATE_TEST_SUITE_P(
    TFileLoader, EveryFormat,
    ::testing::Values(
        FormatCase{"intel", ":0400100001020304E2\n:00000001FF\n", fmt_intel, 0x10, {1, 2, 3, 4}},
        FormatCase{"intel_segment", ":020000021000EC\n:02000400AABB95\n:00000001FF\n", fmt_intel_segment,
                   0x10004, {0xAA, 0xBB}},
        FormatCase{"intel_linear", ":020000040001F9\n:02000400CCDD51\n:00000001FF\n", fmt_intel_linear,
                   0x10004, {0xCC, 0xDD}},
        FormatCase{"s19", "S00600004844521B\nS1070010AABBCCDDFF\nS9030000FC\n", fmt_s19, 0x10,
                   {0xAA, 0xBB, 0xCC, 0xDD}},
        FormatCase{"s28", "S208010020010203040C\nS804000000FB\n", fmt_s28, 0x10020, {1, 2, 3, 4}},
        FormatCase{"s37", "S3090001000011223344FF\nS70500000000FA\n", fmt_s37, 0x10000,
                   {0x11, 0x22, 0x33, 0x44}},
        FormatCase{"tek_extended", "%1060040100AABBCC\n%08800200\n", fmt_tek_extended, 0x100,
                   {0xAA, 0xBB, 0xCC}},
        FormatCase{"tektronix", "/01000304AABBCC00\n/00000000\n", fmt_tektronix, 0x100, {0xAA, 0xBB, 0xCC}},
        FormatCase{"word_dump", "000010:1234\n000011:ABCD\n", fmt_word_dump, 0x20, {0x34, 0x12, 0xCD, 0xAB}},
        FormatCase{"byte_dump", "0010:AB\n0011:CD\n", fmt_byte_dump, 0x10, {0xAB, 0xCD}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TFileLoader, SegmentAndLinearAddressesAddUp) {
  // upper 0x0001 * 65536 + segment 0x0010 * 16 + 0x0004
  Loaded l = LoadText(":020000040001F9\n:020000020010EC\n:01000400AA51\n:00000001FF\n", 0x20000);
  EXPECT_EQ(l.format, fmt_intel_linear);
  EXPECT_EQ(l.image.GetValue(0x10104), 0xAA);
}

TEST(TFileLoader, LowerCaseDigitsLoadLikeUpperCase) {
  Loaded upper = LoadText(":04001000AABBCCDDEE\n:00000001FF\n");
  Loaded lower = LoadText(":04001000aabbccddee\n:00000001ff\n");
  EXPECT_EQ(lower.result, 0);
  for (std::uint32_t a = 0x10; a < 0x14; ++a) EXPECT_EQ(lower.image.GetValue(a), upper.image.GetValue(a));
}

TEST(TFileLoader, CarriageReturnsAloneEndLinesToo) {
  Loaded l = LoadText(":0100000011EE\r:00000001FF\r");
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(l.image.GetValue(0), 0x11);
}

TEST(TFileLoader, RecordsAfterTheEndRecordAreIgnored) {
  Loaded l = LoadText(":0100000011EE\n:00000001FF\n:0100010022DC\nthis is not hex\n");
  EXPECT_EQ(l.format, fmt_intel);
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(l.image.GetValue(1), 0xFF);
}

TEST(TFileLoader, FileWithoutEndRecordStillLoads) {
  Loaded l = LoadText(":0100000011EE\n");
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(l.image.GetValue(0), 0x11);
}

TEST(TFileLoader, AllBlankLinesAreAnEmptyWordDump) {
  Loaded l = LoadText("\n\n   \n");
  // "   " is not blank in the file's sense: only empty lines are skipped.
  EXPECT_EQ(l.result, -1);
  Loaded blank = LoadText("\n\r\n\n");
  EXPECT_EQ(blank.format, fmt_word_dump);
  EXPECT_EQ(blank.result, 0);
  EXPECT_EQ(blank.image.LastUsed(), -1);
}

TEST(TFileLoader, AFileOfNoLinesIsReportedAsEmpty) {
  Loaded l = LoadText("");
  EXPECT_EQ(l.result, fmt_empty);
  EXPECT_EQ(l.format, fmt_empty);
}

TEST(TFileLoader, MalformedRecordsMakeTheFormatUnknown) {
  const char* bad[] = {
      ":0100000011EE \n",            // trailing blank
      ":010000001\n",                // truncated record
      ":01000000111EE\n",            // odd number of digits
      ":0100000G11EE\n",             // not a hex digit
      ":0400000011EE\n",             // count does not match the length
      ":0100000611E8\n",             // record type 06
      "S5030000FC\n",                // S5 fails detection
      "/01000399AABBCC00\n",         // wrong Tektronix header checksum
      "0010:AB\n000011:ABCD\n",      // mixed dump kinds
      "hello world\n",
  };
  for (const char* text : bad) {
    Loaded l = LoadText(text);
    EXPECT_EQ(l.result, -1) << text;
    EXPECT_EQ(l.format, fmt_unknown) << text;
    EXPECT_EQ(l.image.LastUsed(), -1) << text;
  }
}

TEST(TFileLoader, DataBeyondTheImageFailsButKeepsWhatCameBefore) {
  Loaded l = LoadText(":0100000011EE\n:020000040001F9\n:0100000022DD\n:00000001FF\n", 0x100);
  EXPECT_EQ(l.result, -1);
  EXPECT_EQ(l.image.GetValue(0), 0x11);
  // A record crossing the end of the image stops at the end.
  Loaded crossing = LoadText(":04000E0001020304E7\n", 0x10);
  EXPECT_EQ(crossing.result, -1);
  EXPECT_EQ(crossing.image.GetValue(0x0E), 0x01);
  EXPECT_EQ(crossing.image.GetValue(0x0F), 0x02);
}

TEST(TFileLoader, HugeAddressesDoNotWrapAround) {
  // 0xFFFF * 65536 + 0xFFFF * 16 + 0xFFFF is far beyond any image.
  Loaded l = LoadText(":02000004FFFFFC\n:02000002FFFFFE\n:01FFFF0011F0\n", 0x100);
  EXPECT_EQ(l.result, -1);
  EXPECT_EQ(l.image.LastUsed(), -1);
  Loaded tek = LoadText("%1E6008FFFFFFFFAABBCCDD\n", 0x100);
  EXPECT_EQ(tek.result, -1);
}

TEST(TFileLoader, LoadingClearsTheImageFirst) {
  TempDir dir;
  WriteFile(dir.File("a.hex"), ":0100050011EA\n:00000001FF\n");
  THexList image(0x100);
  image.SetValue(0, 0x42);
  EXPECT_EQ(TFileLoader::LoadFile(dir.File("a.hex"), image), 0);
  EXPECT_EQ(image.GetValue(0), 0xFF);
  EXPECT_EQ(image.Name(), dir.File("a.hex"));
}

TEST(TFileLoader, AFileThatCannotBeOpenedRaisesTheFileError) {
  THexList image(0x100);
  EXPECT_THROW(TFileLoader::LoadFile("/nonexistent/file.hex", image), EFileOpenError);
  TempDir dir;
  EXPECT_THROW(TFileLoader::LoadFile(dir.Path(), image), EFileOpenError);
}

TEST(TFileLoader, LinesInMemoryLoadLikeAFile) {
  THexList image(0x100);
  EXPECT_EQ(TFileLoader::LoadLines({":020010001234B8", "", ":00000001FF"}, image), 0);
  EXPECT_EQ(image.GetValue(0x10), 0x12);
  EXPECT_EQ(image.GetValue(0x11), 0x34);
}

TEST(TFileLoader, BinaryGarbageNeverCrashes) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    int len = int(rng() % 200);
    // Mix plausible record characters with arbitrary bytes.
    const std::string alphabet = ":S%/0123456789ABCDEFabcdef\r\n";
    for (int i = 0; i < len; ++i)
      text.push_back(rng() % 4 == 0 ? char(rng() % 256) : alphabet[rng() % alphabet.size()]);
    Loaded l = LoadText(text, 0x1000);
    EXPECT_TRUE(l.result == 0 || l.result == -1 || l.result == -2) << l.result;
  }
}

}  // namespace
