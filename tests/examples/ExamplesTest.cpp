// The shipped example programs: each loads with TFileLoader and carries its
// regions where examples/README.md says (configuration, ID locations, EEPROM,
// unit ID), with the extended address records the family builders look for,
// in ascending order. Re-assembling the 8-bit sources with gpasm and re-running
// the 16-bit generator must reproduce the shipped HEX files byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "image/TFileLoader.h"
#include "platform/Text.h"
#include "support/TestSupport.h"

using velmar::image::TFileLoader;
using velmar::image::THexList;
using velmar::test::HaveProgram;
using velmar::test::ReadFile;
using velmar::test::RunCommand;
using velmar::test::SourceDir;
using velmar::test::TempDir;

namespace fs = std::filesystem;

namespace {

struct Region {
  std::uint32_t address;  // byte address in the HEX file
  std::vector<std::uint8_t> bytes;
};

struct Example {
  std::string folder;
  bool assembled;   // gpasm source beside the HEX file
  bool sixteenBit;  // phantom byte in every fourth place
  std::uint32_t imageSize;
  std::int64_t lastProgramByte;       // nothing between this and the next region
  std::vector<std::string> segments;  // extended linear address records, in order
  std::vector<Region> regions;
};

const std::string kProgram = ":020000040000FA";

const std::vector<Example>& Examples() {
  static const std::vector<Example> examples = {
      {"pic16f628a",
       true,
       false,
       0x10000,
       0x29,
       {kProgram},
       {{0x0000, {0x05, 0x28}},                                      // goto start
        {0x4000, {0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00}},  // ID locations
        {0x400E, {0x70, 0x3F}},                                      // configuration word
        {0x4200, {'V', 0, 'e', 0, 'l', 0, 'm', 0, 'a', 0, 'r', 0, 0, 0, 0x2A, 0}}}},
      {"pic16f84a",
       true,
       false,
       0x10000,
       0x29,
       {kProgram},
       {{0x0000, {0x05, 0x28}},
        {0x4000, {0x08, 0x00, 0x04, 0x00, 0x0A, 0x00, 0x01, 0x00}},
        {0x400E, {0xF1, 0x3F}},
        {0x4200, {1, 0, 2, 0, 4, 0, 8, 0, 0x10, 0, 0x20, 0, 0x40, 0, 0x80, 0}}}},
      {"pic18f4520",
       true,
       false,
       0x1000000,
       0x39,
       {kProgram, ":020000040020DA", ":020000040030CA", ":0200000400F00A"},
       {{0x000000, {0x0D, 0xEF, 0x00, 0xF0}},                          // goto start
        {0x200000, {1, 2, 3, 4, 5, 6, 7, 8}},                          // ID locations
        {0x300000, {0xFF, 0x08, 0x1E, 0x1E, 0xFF, 0x81, 0x81, 0xFF}},  // CONFIG1L-4H
        {0x300008, {0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40}},              // protection
        {0xF00000, {'V', 'e', 'l', 'm', 'a', 'r', 0, 0x2A}}}},
      {"pic18f46j50",
       true,
       false,
       0x1000000,
       0x3B,
       {kProgram},
       {{0x0000, {0x0D, 0xEF, 0x00, 0xF0}},
        {0xFFF8, {0xAC, 0xF7, 0x10, 0xFF, 0xF3, 0xF8, 0xFF, 0xF1}}}},  // top of flash
      {"pic18f46k22",
       true,
       false,
       0x1000000,
       0x39,
       {kProgram, ":020000040020DA", ":020000040030CA", ":0200000400F00A"},
       {{0x000000, {0x0D, 0xEF, 0x00, 0xF0}},
        {0x200000, {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x00, 0x01}},
        {0x300000, {0xFF, 0x28, 0x06, 0x3C, 0xFF, 0xBD, 0x81, 0xFF}},
        {0x300008, {0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40}},
        {0xF00000, {'V', 'e', 'l', 'm', 'a', 'r', ' ', 'K', '2', '2', 0}}}},
      {"pic24fj64ga002",
       false,
       true,
       0x2000000,
       0x427,
       {kProgram, ":020000040001F9"},
       {{0x000000, {0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}},    // goto 0x200
        {0x000400, {0x0F, 0x80, 0x20, 0x00}},                            // mov #0x800, w15
        {0x0157F8, {0xDF, 0xF9, 0x00, 0x00, 0x7F, 0x3F, 0x00, 0x00}}}},  // CW2, CW1
      {"pic24f16ka102",
       false,
       true,
       0x2000000,
       0x427,
       {kProgram, ":0200000400FFFB", ":0200000401F009"},
       {{0x000000, {0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {0xFFFC00, {0x56, 0x65, 0x00, 0x00, 0x6C, 0x6D, 0x00, 0x00}},     // EEPROM 0x7FFE00
        {0x1F00000, {0x0F, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00}},    // FBS, reserved
        {0x1F0001C, {0xC3, 0x00, 0x00, 0x00, 0xDF, 0x00, 0x00, 0x00}}}},  // FICD, FDS
      {"dspic30f4011",
       false,
       true,
       0x2000000,
       0x227,
       {kProgram, ":0200000400FFFB", ":020000040100F9", ":0200000401F009"},
       {{0x000000, {0x00, 0x01, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}},  // goto 0x100
        {0x000200, {0x0F, 0x80, 0x20, 0x00}},
        {0xFFF800, {0x56, 0x65, 0x00, 0x00, 0x6C, 0x6D, 0x00, 0x00}},   // EEPROM 0x7FFC00
        {0x1000B80, {0x30, 0x00, 0x00, 0x00, 0x34, 0x00, 0x00, 0x00}},  // unit ID 0x8005C0
        {0x1F00000, {0x00, 0xC1, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00}},  // FOSC, FWDT
        {0x1F00018, {0x03, 0xC0, 0x00, 0x00}}}},                        // FICD
  };
  return examples;
}

std::string HexPath(const Example& e) { return SourceDir() + "examples/" + e.folder + "/blink.hex"; }

// Test names and failure messages show the folder, not the bytes of the record.
void PrintTo(const Example& e, std::ostream* os) { *os << e.folder; }

class ShippedExample : public ::testing::TestWithParam<Example> {};

TEST_P(ShippedExample, LoadsAsIntelHexWithEveryRegionInPlace) {
  const Example& e = GetParam();
  THexList image(e.imageSize);
  const velmar::image::LoadResult r = TFileLoader::LoadFile(HexPath(e), image);
  ASSERT_EQ(r.result, 0);
  EXPECT_EQ(r.format, velmar::image::fmt_intel_linear);
  for (const Region& r : e.regions)
    for (std::size_t i = 0; i < r.bytes.size(); ++i) {
      EXPECT_EQ(image.GetValue(r.address + std::uint32_t(i)), r.bytes[i])
          << e.folder << " at 0x" << velmar::text::IntToHex(r.address + i, 6);
    }
  // Program memory ends where the README says; the next byte in use is the
  // start of one of the listed regions.
  std::uint32_t next = e.imageSize;
  for (const Region& r : e.regions)
    if (r.address > std::uint32_t(e.lastProgramByte)) next = std::min(next, r.address);
  const std::uint8_t* p = image.DataAt(0);
  auto firstUsedAfterProgram =
      std::find_if(p + e.lastProgramByte + 1, p + image.Count(), [](std::uint8_t b) { return b != 0xFF; });
  std::uint32_t firstUsed = std::uint32_t(firstUsedAfterProgram - p);
  EXPECT_GE(firstUsed, next) << e.folder;
  EXPECT_NE(p[e.lastProgramByte], 0xFF) << e.folder;
}

TEST_P(ShippedExample, OpensEverySegmentWithTheRecordTheBuildersSearchFor) {
  const Example& e = GetParam();
  std::vector<std::string> segmentLines;
  for (const std::string& line : velmar::text::SplitLines(ReadFile(HexPath(e))))
    if (velmar::text::StartsWith(line, ":02000004")) segmentLines.push_back(line);
  EXPECT_EQ(segmentLines, e.segments);
  std::vector<std::string> lines = velmar::text::SplitLines(ReadFile(HexPath(e)));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), ":00000001FF");
}

INSTANTIATE_TEST_SUITE_P(Examples, ShippedExample, ::testing::ValuesIn(Examples()),
                         [](const auto& info) { return info.param.folder; });

TEST(ShippedExamples, EveryExampleFolderIsChecked) {
  std::set<std::string> listed, found;
  for (const Example& e : Examples()) listed.insert(e.folder);
  for (const auto& entry : fs::directory_iterator(SourceDir() + "examples"))
    if (entry.is_directory()) found.insert(entry.path().filename().string());
  EXPECT_EQ(found, listed);
}

TEST(ShippedExamples, SixteenBitFilesCarryAZeroPhantomByteInEveryInstruction) {
  for (const Example& e : Examples()) {
    if (!e.sixteenBit) continue;
    THexList image(e.imageSize);
    ASSERT_EQ(TFileLoader::LoadFile(HexPath(e), image).result, 0);
    // Byte 4k + 3 of every instruction holding code or data is 0x00.
    const std::uint8_t* p = image.DataAt(0);
    for (std::uint32_t a = 0; a < image.Count(); a += 4) {
      bool used = p[a] != 0xFF || p[a + 1] != 0xFF || p[a + 2] != 0xFF;
      if (used) {
        EXPECT_EQ(p[a + 3], 0x00) << e.folder << " at 0x" << velmar::text::IntToHex(a, 7);
      }
    }
  }
}

TEST(ShippedExamples, GpasmReassemblesEverySourceToItsHexFile) {
  if (!HaveProgram("gpasm")) GTEST_SKIP() << "gpasm is not installed";
  TempDir dir;
  for (const Example& e : Examples()) {
    if (!e.assembled) continue;
    std::string src = SourceDir() + "examples/" + e.folder + "/blink.asm";
    std::string out = dir.File(e.folder + ".hex");
    std::string log;
    ASSERT_EQ(RunCommand("gpasm -q -a inhx32 -o '" + out + "' '" + src + "' 2>&1", &log), 0) << log;
    EXPECT_EQ(ReadFile(out), ReadFile(HexPath(e))) << e.folder;
  }
}

TEST(ShippedExamples, TheGeneratorReproducesTheSixteenBitHexFiles) {
  if (!HaveProgram("python3")) GTEST_SKIP() << "python3 is not installed";
  TempDir dir;
  std::string log;
  ASSERT_EQ(RunCommand("python3 '" + SourceDir() + "examples/make_16bit.py' '" + dir.Path() + "' 2>&1", &log), 0)
      << log;
  for (const Example& e : Examples()) {
    if (!e.sixteenBit) continue;
    EXPECT_EQ(ReadFile(dir.File(e.folder + "/blink.hex")), ReadFile(HexPath(e))) << e.folder;
  }
}

}  // namespace
