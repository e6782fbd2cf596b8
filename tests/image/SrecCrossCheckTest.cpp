// Cross-checks against an independent implementation: srec_cat (srecord)
// writes the same data in every format it shares with us; each file must
// load into exactly the same image. And srec_cmp must read our Intel HEX
// (checksums included) as the same data.
#include <random>

#include <gtest/gtest.h>

#include "image/TFileLoader.h"
#include "support/TestSupport.h"

using namespace velmar::image;
using velmar::test::RunCommand;
using velmar::test::TempDir;

namespace {

struct Chunk {
  std::uint32_t offset;
  std::uint32_t length;
};

// Writes the chunks as binary files and returns the srec_cat input list.
std::string WriteChunks(const TempDir& dir, const std::vector<Chunk>& chunks, THexList& expected) {
  std::mt19937 rng(99);
  std::string inputs;
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    std::string data;
    for (std::uint32_t k = 0; k < chunks[i].length; ++k) {
      auto b = std::uint8_t(rng() % 255);  // 0xFF is an empty byte to us
      data.push_back(char(b));
      expected.SetValue(chunks[i].offset + k, b);
    }
    std::string name = dir.File("chunk" + std::to_string(i) + ".bin");
    velmar::test::WriteFile(name, data);
    inputs += " " + name + " -binary -offset " + std::to_string(chunks[i].offset);
  }
  return inputs;
}

struct SrecFormat {
  const char* name;
  const char* options;
  int format;
  bool wide;  // addresses beyond 16 bits allowed
};

class SrecCat : public ::testing::TestWithParam<SrecFormat> {
 protected:
  void SetUp() override {
    if (!velmar::test::HaveProgram("srec_cat")) GTEST_SKIP() << "srec_cat is not installed";
  }
};

TEST_P(SrecCat, WritesFilesThatLoadIntoTheSameImage) {
  const SrecFormat& f = GetParam();
  TempDir dir;
  std::vector<Chunk> chunks = f.wide ? std::vector<Chunk>{{0x0, 40}, {0x105, 3000}, {0x1FFF0, 100}, {0x3A000, 777}}
                                     : std::vector<Chunk>{{0x0, 40}, {0x105, 3000}, {0xF000, 0xFFF}};
  THexList expected(0x40000);
  std::string inputs = WriteChunks(dir, chunks, expected);
  std::string out = dir.File("out.txt");
  ASSERT_EQ(RunCommand("srec_cat" + inputs + " -o " + out + " " + f.options), 0);

  THexList loaded(0x40000);
  const LoadResult r = TFileLoader::LoadFile(out, loaded);
  ASSERT_EQ(r.result, 0) << r.message;
  EXPECT_EQ(r.format, f.format);
  EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
  for (std::uint32_t a = 0; a < expected.Count(); ++a)
    ASSERT_EQ(loaded.GetValue(a), expected.GetValue(a)) << "address " << a;
}

INSTANTIATE_TEST_SUITE_P(
    CrossCheck, SrecCat,
    ::testing::Values(SrecFormat{"intel_segment", "-Intel -address-length=3", fmt_intel_segment, true},
                      SrecFormat{"intel_linear", "-Intel", fmt_intel_linear, true},
                      SrecFormat{"s19", "-Motorola -address-length=2 -disable=data-count", fmt_s19, false},
                      SrecFormat{"s28", "-Motorola -address-length=3 -disable=data-count", fmt_s28, true},
                      SrecFormat{"s37", "-Motorola -address-length=4 -disable=data-count", fmt_s37, true},
                      // srec_cat's default output: an S0 header and an S5
                      // count record, in every address length.
                      SrecFormat{"s19_default", "-Motorola -address-length=2", fmt_s19, false},
                      SrecFormat{"s28_default", "-Motorola -address-length=3", fmt_s28, true},
                      SrecFormat{"s37_default", "-Motorola -address-length=4", fmt_s37, true},
                      SrecFormat{"tektronix", "-Tektronix", fmt_tektronix, false},
                      SrecFormat{"tektronix_extended", "-Tektronix_Extended", fmt_tek_extended, true}),
    [](const auto& info) { return std::string(info.param.name); });

// More than 65535 records: srec_cat counts them in an S6 record (24-bit
// count). The file loads, with no warning about the count.
TEST(SrecCatDefault, ACountBeyondSixteenBitsIsAnS6RecordAndLoads) {
  if (!velmar::test::HaveProgram("srec_cat")) GTEST_SKIP() << "srec_cat is not installed";
  TempDir dir;
  THexList expected(0x20000);
  std::string inputs = WriteChunks(dir, {{0x100, 70000}}, expected);
  std::string out = dir.File("many.s37");
  ASSERT_EQ(RunCommand("srec_cat" + inputs + " -o " + out + " -Motorola -address-length=4 -obs=1"), 0);
  ASSERT_NE(velmar::test::ReadFile(out).find("\nS6"), std::string::npos) << "srec_cat wrote no S6 record";
  THexList loaded(0x20000);
  const LoadResult r = TFileLoader::LoadFile(out, loaded);
  ASSERT_EQ(r.result, 0) << r.message;
  EXPECT_EQ(r.format, fmt_s37);
  EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
  for (std::uint32_t a = 0; a < expected.Count(); ++a)
    ASSERT_EQ(loaded.GetValue(a), expected.GetValue(a)) << "address " << a;
}

TEST(SrecCmp, ReadsOurIntelHexAsTheSameData) {
  if (!velmar::test::HaveProgram("srec_cmp")) GTEST_SKIP() << "srec_cmp is not installed";
  TempDir dir;
  THexList image(0x40000);
  std::string inputs = WriteChunks(dir, {{0x10, 5}, {0x8000, 1000}, {0x1FFF8, 20}, {0x30001, 1}}, image);
  ASSERT_EQ(TFileLoader::SaveFile(dir.File("ours.hex"), image).result, 0);
  ASSERT_EQ(RunCommand("srec_cat" + inputs + " -o " + dir.File("ref.hex") + " -Intel"), 0);
  std::string output;
  // Our lines keep the leading 0xFF bytes of a line, so compare with the
  // holes filled by 0xFF, which both sides mean by an empty byte.
  const std::string fill = " -fill 0xFF 0 0x40000";
  EXPECT_EQ(RunCommand("srec_cmp " + dir.File("ours.hex") + " -Intel" + fill + " " + dir.File("ref.hex") + " -Intel" +
                           fill + " 2>&1",
                       &output),
            0)
      << output;
}

}  // namespace
