// The Intel HEX writer and saving over an existing file.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "image/TFileLoader.h"
#include "support/TestSupport.h"

using namespace velmar::image;
using velmar::test::ReadFile;
using velmar::test::TempDir;
using velmar::test::WriteFile;

namespace {

TEST(IntelHexWriter, AnEmptyImageIsJustTheEndRecord) {
  THexList h(0x100);
  EXPECT_EQ(TFileLoader::IntelHexText(h), ":00000001FF\r\n");
}

TEST(IntelHexWriter, ByteBeyond64KGetsBothAddressRecords) {
  THexList h(0x20000);
  h.SetValue(0x10005, 0x12);
  EXPECT_EQ(TFileLoader::IntelHexText(h),
            ":020000040000FA\r\n"
            ":020000040001F9\r\n"
            ":06000000FFFFFFFFFF12ED\r\n"
            ":00000001FF\r\n");
}

TEST(IntelHexWriter, LeadingBlanksOfALineAreWrittenTrailingOnesAreNot) {
  THexList h(0x20);
  h.SetValue(15, 0x00);
  h.SetValue(0x11, 0xAB);
  std::string text = TFileLoader::IntelHexText(h);
  EXPECT_EQ(text,
            ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00FF\r\n"
            ":02001000FFAB44\r\n"
            ":00000001FF\r\n");
}

TEST(IntelHexWriter, LinesOfOnlyBlankBytesAreSkipped) {
  THexList h(0x100);
  h.SetValue(0x00, 0x01);
  h.SetValue(0x40, 0x02);
  std::string text = TFileLoader::IntelHexText(h);
  EXPECT_EQ(text, ":0100000001FE\r\n:0100400002BD\r\n:00000001FF\r\n");
}

TEST(IntelHexWriter, RoundTripsEveryByteThroughTheReader) {
  THexList h(0x30000);
  for (std::uint32_t a = 0; a < h.Count(); a += 7) h.SetValue(a, std::uint8_t(a * 13));
  TempDir dir;
  ASSERT_EQ(TFileLoader::SaveFile(dir.File("out.hex"), h).result, 0);
  THexList back(0x30000);
  const LoadResult r = TFileLoader::LoadFile(dir.File("out.hex"), back);
  ASSERT_EQ(r.result, 0);
  EXPECT_EQ(r.format, fmt_intel_linear);
  EXPECT_EQ(0, std::memcmp(h.DataAt(0), back.DataAt(0), h.Count()));
}

// One Intel HEX record, formatted here independently of the writer.
std::string Record(unsigned type, unsigned address, const std::vector<std::uint8_t>& data) {
  char pair[3];
  std::string r = ":";
  unsigned sum = 0;
  const auto put = [&](unsigned b) {
    std::snprintf(pair, sizeof pair, "%02X", b & 0xFF);
    r += pair;
    sum += b & 0xFF;
  };
  put(unsigned(data.size()));
  put(address >> 8);
  put(address);
  put(type);
  for (std::uint8_t b : data) put(b);
  put(0x100 - (sum & 0xFF));
  return r + "\r\n";
}

std::string Upper(unsigned segment) { return Record(4, 0, {std::uint8_t(segment >> 8), std::uint8_t(segment)}); }

// A text that fills the writer's 256 KiB buffer to just below the point
// where it is handed on, then a long run of 64 KiB boundaries with no data
// (one address record each) before the last byte: every record must be
// handed on whole, none written past the buffer.
TEST(IntelHexWriter, ManyAddressRecordsAfterANearlyFullBufferAreAllWritten) {
  THexList h(16u << 20);
  constexpr std::uint32_t kLines = 5822;  // 17 + 17 + 5822 * 45 bytes: 120 short of the buffer's end
  std::string expected = Upper(0);
  for (std::uint32_t line = 0; line < kLines; ++line) {
    const std::uint32_t at = line * 16;
    if (at != 0 && at % 0x10000 == 0) expected += Upper(at >> 16);
    std::vector<std::uint8_t> bytes(16);
    for (std::uint32_t k = 0; k < 16; ++k) bytes[k] = std::uint8_t((at + k) % 0xFF);
    h.Write(at, bytes.data(), 16);
    expected += Record(0, at & 0xFFFF, bytes);
  }
  for (unsigned segment = 2; segment <= 0xFF; ++segment) expected += Upper(segment);
  h.SetValue(0xFFFFF0, 0x5A);
  expected += Record(0, 0xFFF0, {0x5A}) + ":00000001FF\r\n";
  EXPECT_TRUE(TFileLoader::IntelHexText(h) == expected);
  TempDir dir;
  ASSERT_EQ(TFileLoader::SaveFile(dir.File("out.hex"), h).result, 0);
  EXPECT_TRUE(ReadFile(dir.File("out.hex")) == expected);
}

TEST(SaveFile, ReplacesAnOldFileCompletely) {
  TempDir dir;
  WriteFile(dir.File("out.hex"), std::string(10000, 'x'));
  THexList h(0x10);
  h.SetValue(0, 0x11);
  ASSERT_EQ(TFileLoader::SaveFile(dir.File("out.hex"), h).result, 0);
  EXPECT_EQ(ReadFile(dir.File("out.hex")), ":0100000011EE\r\n:00000001FF\r\n");
}

TEST(SaveFile, ReplacingAFileKeepsWhatTheFileWas) {
  VELMAR_SKIP_ON_WINDOWS("POSIX permission bits and symbolic links");
  namespace fs = std::filesystem;
  TempDir dir;
  THexList h(0x10);
  h.SetValue(0, 0x11);
  // A private file stays private.
  WriteFile(dir.File("private.hex"), "old");
  fs::permissions(dir.File("private.hex"), fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_EQ(TFileLoader::SaveFile(dir.File("private.hex"), h).result, 0);
  EXPECT_EQ(fs::status(dir.File("private.hex")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  // A link stays a link, and the file it names gets the new contents.
  fs::create_directory(dir.File("kept"));
  WriteFile(dir.File("kept/real.hex"), "old");
  fs::create_symlink(dir.File("kept/real.hex"), dir.File("link.hex"));
  ASSERT_EQ(TFileLoader::SaveFile(dir.File("link.hex"), h).result, 0);
  EXPECT_TRUE(fs::is_symlink(dir.File("link.hex")));
  EXPECT_EQ(ReadFile(dir.File("kept/real.hex")), ":0100000011EE\r\n:00000001FF\r\n");
}

TEST(SaveFile, AFailedSaveLeavesTheOldFileWholeAndReturnsOne) {
  VELMAR_SKIP_ON_WINDOWS("a read-only folder by POSIX permission bits");
  if (velmar::test::RunningAsRoot()) GTEST_SKIP() << "root ignores folder permissions";
  TempDir dir;
  WriteFile(dir.File("out.hex"), "old contents");
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  THexList h(0x10);
  h.SetValue(0, 0x11);
  const SaveResult saved = TFileLoader::SaveFile(dir.File("out.hex"), h);
  EXPECT_EQ(saved.result, 1);
  EXPECT_NE(saved.message.find("out.hex"), std::string::npos);
  EXPECT_EQ(ReadFile(dir.File("out.hex")), "old contents");
}

TEST(SaveFile, AFailedRenameKeepsTheTargetAndRemovesTheTemporaryFile) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("target.hex"));
  WriteFile(dir.File("target.hex/keep"), "x");
  THexList h(0x10);
  EXPECT_EQ(TFileLoader::SaveFile(dir.File("target.hex"), h).result, 1);
  EXPECT_TRUE(velmar::test::Exists(dir.File("target.hex/keep")));
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.Path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST(SaveFile, AnUnwritableTargetReturnsOne) {
  THexList h(0x10);
  const SaveResult saved = TFileLoader::SaveFile("/nonexistent-folder/out.hex", h);
  EXPECT_EQ(saved.result, 1);
  EXPECT_NE(saved.message.find("/nonexistent-folder/out.hex"), std::string::npos) << saved.message;
}

TEST(SaveFile, DoesNotLeaveTemporaryFilesBehind) {
  TempDir dir;
  THexList h(0x10);
  ASSERT_EQ(TFileLoader::SaveFile(dir.File("a.hex"), h).result, 0);
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.Path())) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

}  // namespace
