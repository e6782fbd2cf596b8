// Format detection and reading of every accepted hex text format, and the
// handling of bad input.
#include <algorithm>
#include <cstring>
#include <random>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

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
  LoadResult r;
};

Loaded LoadText(const std::string& text, std::uint32_t size = 0x20000) {
  TempDir dir;
  WriteFile(dir.File("in.hex"), text);
  Loaded l{0, 0, THexList(size), {}};
  l.r = TFileLoader::LoadFile(dir.File("in.hex"), l.image);
  l.result = l.r.result;
  l.format = l.r.format;
  // Text in memory loads exactly like the same text in a file.
  THexList again(size);
  LoadResult m = TFileLoader::LoadText(text, again);
  EXPECT_EQ(m.result, l.r.result);
  EXPECT_EQ(m.format, l.r.format);
  EXPECT_EQ(m.message, l.r.message);
  EXPECT_EQ(0, std::memcmp(again.DataAt(0), l.image.DataAt(0), size));
  // An image that grows as the file needs ends as one of the full size,
  // without growing past the 64 KiB step that holds the highest byte.
  THexList grown;
  LoadResult g = TFileLoader::LoadFileSized(dir.File("in.hex"), grown, size);
  EXPECT_EQ(g.result, l.r.result);
  EXPECT_EQ(g.format, l.r.format);
  EXPECT_EQ(g.message, l.r.message);
  EXPECT_EQ(g.lastAddress, l.r.lastAddress);
  EXPECT_LE(grown.Count(), size);
  if (g.result == 0) {
    EXPECT_LE(grown.Count(), std::uint64_t(g.lastAddress + 1 + 0xFFFF) / 0x10000 * 0x10000);
  }
  EXPECT_EQ(0, std::memcmp(grown.DataAt(0), l.image.DataAt(0), grown.Count()));
  EXPECT_EQ(grown.LastUsed(), l.image.LastUsed());
  // Checking without keeping the data comes to the same verdict.
  LoadResult c = TFileLoader::CheckFile(dir.File("in.hex"), size);
  EXPECT_EQ(c.result, l.r.result);
  EXPECT_EQ(c.format, l.r.format);
  EXPECT_EQ(c.fault, l.r.fault);
  EXPECT_EQ(c.message, l.r.message);
  EXPECT_EQ(c.lastAddress, l.r.lastAddress);
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
        FormatCase{"intel_segment",
                   ":020000021000EC\n:02000400AABB95\n:00000001FF\n",
                   fmt_intel_segment,
                   0x10004,
                   {0xAA, 0xBB}},
        FormatCase{
            "intel_linear", ":020000040001F9\n:02000400CCDD51\n:00000001FF\n", fmt_intel_linear, 0x10004, {0xCC, 0xDD}},
        FormatCase{
            "s19", "S00600004844521B\nS1070010AABBCCDDFF\nS9030000FC\n", fmt_s19, 0x10, {0xAA, 0xBB, 0xCC, 0xDD}},
        FormatCase{"s28", "S208010020010203040C\nS804000000FB\n", fmt_s28, 0x10020, {1, 2, 3, 4}},
        FormatCase{"s37", "S3090001000011223344FF\nS70500000000FA\n", fmt_s37, 0x10000, {0x11, 0x22, 0x33, 0x44}},
        FormatCase{"tek_extended", "%1060040100AABBCC\n%08800200\n", fmt_tek_extended, 0x100, {0xAA, 0xBB, 0xCC}},
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
      ":0100000011EE \n",        // trailing blank
      ":010000001\n",            // truncated record
      ":01000000111EE\n",        // odd number of digits
      ":0100000G11EE\n",         // not a hex digit
      ":0400000011EE\n",         // count does not match the length
      ":0100000611E8\n",         // record type 06
      "S4030000FC\n",            // S4 fails detection
      "/01000399AABBCC00\n",     // wrong Tektronix header checksum
      "0010:AB\n000011:ABCD\n",  // mixed dump kinds
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
  EXPECT_EQ(TFileLoader::LoadFile(dir.File("a.hex"), image).result, 0);
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
  EXPECT_EQ(TFileLoader::LoadLines({":020010001234B8", "", ":00000001FF"}, image).result, 0);
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

// ---- what a refused file is told about ----

struct RefusalCase {
  const char* name;
  std::string text;
  std::size_t line;
  LoadFault fault;
  const char* words;  // part of the message
};

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, NameTheFirstBadLineAndWhy) {
  const RefusalCase& c = GetParam();
  Loaded l = LoadText(c.text, 0x100);
  EXPECT_EQ(l.result, -1);
  EXPECT_EQ(l.r.line, c.line);
  EXPECT_EQ(l.r.fault, c.fault) << LoadFaultName(l.r.fault);
  EXPECT_EQ(l.r.message.rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << l.r.message;
  EXPECT_NE(l.r.message.find(c.words), std::string::npos) << l.r.message;
}

INSTANTIATE_TEST_SUITE_P(
    TFileLoader, Refusals,
    ::testing::Values(
        RefusalCase{"not_a_digit", ":0100000011EE\n\n:0100000G11EE\n", 3, LoadFault::bad_character, "column 9: 'G'"},
        RefusalCase{"not_a_record", "hello\n", 1, LoadFault::bad_character, "'h'"},
        RefusalCase{"control_character", "\x01:00000001FF\n", 1, LoadFault::bad_character, "\\x01"},
        RefusalCase{"count_and_length_differ", ":0100000011EE\n:0400000011EE\n", 2, LoadFault::bad_length,
                    "count says 4"},
        RefusalCase{"truncated", ":0100000011EE\r:01\r", 2, LoadFault::bad_length, "at least"},
        RefusalCase{"blank_crlf_lines_counted", ":0100000011EE\r\n\r\n\r\n:010\r\n", 4, LoadFault::bad_length, "even"},
        RefusalCase{"intel_type_06", ":0100000611E8\n", 1, LoadFault::unknown_record, "0x06"},
        RefusalCase{"s4", "S1070010AABBCCDDDA\nS4030000FC\n", 2, LoadFault::unknown_record, "S4"},
        RefusalCase{"tektronix_header", "/01000399AABBCC00\n", 1, LoadFault::bad_checksum, "header checksum"},
        RefusalCase{"symbols_only", "%0A3001234567\n%0A3001234567\n", 1, LoadFault::no_data, "no line"},
        RefusalCase{"mixed_dumps", "0010:AB\n000011:ABCD\n", 2, LoadFault::bad_length, "11-character line"},
        RefusalCase{"beyond_the_image", ":0100000011EE\n:020000040001F9\n:0100000022DD\n", 3, LoadFault::beyond_image,
                    "0x00010000"},
        RefusalCase{"long_line", ":" + std::string(300000, '0') + "\n", 1, LoadFault::bad_length, "even"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TFileLoader, ABadLineAfterDataBeyondTheImageStillRefusesTheFormat) {
  Loaded l = LoadText(":0100000011EE\n:0101000022DC\n:0100000611E8\n", 0x100);
  EXPECT_EQ(l.result, -1);
  EXPECT_EQ(l.format, fmt_unknown);
  EXPECT_EQ(l.r.line, 3u);
  EXPECT_EQ(l.r.fault, LoadFault::unknown_record);
  EXPECT_EQ(l.image.GetValue(0), 0xFF);  // what was read is wiped
  // Without the bad line the format stands and the first byte stays.
  Loaded beyond = LoadText(":0100000011EE\n:0101000022DC\n:00000001FF\n", 0x100);
  EXPECT_EQ(beyond.format, fmt_intel);
  EXPECT_EQ(beyond.r.fault, LoadFault::beyond_image);
  EXPECT_EQ(beyond.image.GetValue(0), 0x11);
  EXPECT_EQ(beyond.r.lastAddress, 0);
}

TEST(TFileLoader, ALoadedFileHasNoFaultAndKnowsItsHighestAddress) {
  Loaded l = LoadText(":020000040001F9\n:02000400CCDD51\n:00000001FF\n");
  EXPECT_EQ(l.r.fault, LoadFault::none);
  EXPECT_EQ(l.r.line, 0u);
  EXPECT_TRUE(l.r.message.empty());
  EXPECT_EQ(l.r.lastAddress, 0x10005);
  EXPECT_TRUE(l.r.warnings.empty());
}

// A file of valid records none of which holds a byte is no program.
TEST(TFileLoader, AFileWithoutDataLoadsWithAWarning) {
  for (const char* text : {":00000001FF\n", ":020000040001F9\n:00000001FF\n", "S9030000FC\n"}) {
    Loaded l = LoadText(text);
    EXPECT_EQ(l.result, 0) << text;
    EXPECT_EQ(l.r.lastAddress, -1) << text;
    EXPECT_EQ(l.r.warnings, std::vector<std::string>{"no record holds data"}) << text;
  }
}

TEST(TFileLoader, AWrongRecordChecksumIsAWarningOnlyOnce) {
  Loaded l = LoadText(":0100000011EF\n:0100010022DD\n:00000001FF\n");
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(l.image.GetValue(0), 0x11);
  ASSERT_EQ(l.r.warnings.size(), 1u);
  EXPECT_EQ(l.r.warnings[0].rfind("line 1: bad checksum 0xEF (expected 0xEE)", 0), 0u) << l.r.warnings[0];
  Loaded s = LoadText("S1070010AABBCCDD00\n");
  EXPECT_EQ(s.result, 0);
  ASSERT_EQ(s.r.warnings.size(), 1u);
  EXPECT_NE(s.r.warnings[0].find("expected 0xDA"), std::string::npos) << s.r.warnings[0];
}

// S5 and S6 records count the data records before them; srec_cat writes one
// by default. They are read past, and a count that does not match is only
// worth a warning.
TEST(TFileLoader, SRecordCountRecordsAreSkippedAndChecked) {
  Loaded s5 = LoadText("S00600004844521B\nS1070010AABBCCDDDA\nS5030001FB\nS9030000FC\n");
  EXPECT_EQ(s5.result, 0);
  EXPECT_EQ(s5.format, fmt_s19);
  EXPECT_EQ(s5.image.GetValue(0x10), 0xAA);
  EXPECT_TRUE(s5.r.warnings.empty());

  Loaded s6 = LoadText("S20801002001020304CC\nS604000001FA\nS804000000FB\n");
  EXPECT_EQ(s6.result, 0);
  EXPECT_EQ(s6.format, fmt_s28);
  EXPECT_TRUE(s6.r.warnings.empty());

  Loaded wrong = LoadText("S1070010AABBCCDDDA\nS5030002FA\nS9030000FC\n");
  EXPECT_EQ(wrong.result, 0);
  ASSERT_EQ(wrong.r.warnings.size(), 1u);
  EXPECT_EQ(wrong.r.warnings[0], "line 2: the count record says 2 data records, 1 came before it");

  Loaded shortS6 = LoadText("S1070010AABBCCDDDA\nS6030001FB\n");
  EXPECT_EQ(shortS6.result, -1);
  EXPECT_EQ(shortS6.r.fault, LoadFault::bad_length);
}

// Lines are handed over in chunks; these cross the chunk boundaries.
TEST(TFileLoader, LongLinesAndSplitLineEndsCrossChunksIntact) {
  // A symbol record longer than a chunk is skipped whole.
  Loaded tek = LoadText("%1060040100AABBCC\n%FF3" + std::string(300000, 'A') + "\n%1060040104DDEEFF\n%08800200\n");
  EXPECT_EQ(tek.result, 0);
  EXPECT_EQ(tek.image.GetValue(0x102), 0xCC);
  EXPECT_EQ(tek.image.GetValue(0x106), 0xFF);
  EXPECT_EQ(tek.image.GetValue(0x104), 0xDD);

  // After the S9 record any line is read as far as it fits.
  Loaded s = LoadText("S9030000FC\nS1" + std::string(400000, '0') + "\nS1050020AABB75\n");
  EXPECT_EQ(s.result, 0);
  EXPECT_EQ(s.image.GetValue(0x20), 0xAA);

  // A CR LF whose CR ends one chunk and LF starts the next is one line end.
  const std::string record = ":0100000011EE\r\n";
  const std::size_t blankLines = (256 * 1024 + 1 - record.size()) / 2;
  std::string text = record;
  for (std::size_t i = 0; i < blankLines; ++i) text += "\r\n";
  ASSERT_EQ(text.size(), 256u * 1024 + 1);
  Loaded split = LoadText(text + "zz\r\n");
  EXPECT_EQ(split.r.line, 1 + blankLines + 1);
}

#ifndef _WIN32
// A pipe has no size to go by: it is read in whole chunks, and a line end
// split between two of them is still one line end.
TEST(TFileLoader, APipeLoadsLikeTheSameTextInAFile) {
  std::string text = ":0100000011EE\r\n";
  while (text.size() < 256 * 1024 - 1) text += "\r\n";
  text += "\r\n:0100020022CB\r\nzz\r\n";
  const Loaded file = LoadText(text);
  ASSERT_EQ(file.result, -1);
  ASSERT_EQ(file.r.line, std::size_t(std::count(text.begin(), text.end(), '\n')));  // "zz", the last line

  TempDir dir;
  const std::string fifo = dir.File("pipe.hex");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] { WriteFile(fifo, text); });
  THexList image(0x20000);
  const LoadResult piped = TFileLoader::LoadFile(fifo, image);
  writer.join();
  EXPECT_EQ(piped.result, file.result);
  EXPECT_EQ(piped.line, file.r.line);
  EXPECT_EQ(piped.message, file.r.message);
  EXPECT_EQ(0, std::memcmp(image.DataAt(0), file.image.DataAt(0), image.Count()));
}
#endif
