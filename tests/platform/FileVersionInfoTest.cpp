// Version information: a Windows executable with a version resource (built
// here byte by byte), files without one, damaged files, and our own
// velmar-cli, which carries its properties in an ELF section.
#include <cstring>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/FileVersionInfo.h"
#include "platform/VersionResource.h"
#include "support/TestSupport.h"

using namespace velmar::platform;

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::size_t at, std::uint64_t v, int n) {
  if (b.size() < at + std::size_t(n)) b.resize(at + std::size_t(n), 0);
  for (int i = 0; i < n; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

// A minimal PE32 file whose only section holds a resource tree with one
// RT_VERSION entry (type 16, name 1, language 0x0809).
Bytes MakePe(const Bytes& block) {
  Bytes b(0x200, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put(b, 0x3C, 0x40, 4);
  Put(b, 0x40, 0x00004550, 4);  // "PE\0\0"
  Put(b, 0x44, 0x14C, 2);       // machine
  Put(b, 0x46, 1, 2);           // one section
  Put(b, 0x54, 224, 2);         // optional header size
  std::size_t opt = 0x58;
  Put(b, opt, 0x10B, 2);             // PE32
  Put(b, opt + 92, 16, 4);           // data directories
  Put(b, opt + 96 + 16, 0x1000, 4);  // resource table RVA
  Put(b, opt + 96 + 20, 0x58 + block.size(), 4);
  std::size_t sec = opt + 224;
  std::memcpy(b.data() + sec, ".rsrc", 5);
  Put(b, sec + 8, 0x58 + block.size(), 4);   // virtual size
  Put(b, sec + 12, 0x1000, 4);               // virtual address
  Put(b, sec + 16, 0x58 + block.size(), 4);  // raw size
  Put(b, sec + 20, 0x200, 4);                // raw pointer
  std::size_t r = 0x200;
  Put(b, r + 14, 1, 2);   // root: one id entry
  Put(b, r + 16, 16, 4);  // RT_VERSION
  Put(b, r + 20, 0x80000000u | 0x18, 4);
  Put(b, r + 0x18 + 14, 1, 2);
  Put(b, r + 0x18 + 16, 1, 4);  // name 1
  Put(b, r + 0x18 + 20, 0x80000000u | 0x30, 4);
  Put(b, r + 0x30 + 14, 1, 2);
  Put(b, r + 0x30 + 16, 0x0809, 4);    // language
  Put(b, r + 0x30 + 20, 0x48, 4);      // data entry
  Put(b, r + 0x48, 0x1000 + 0x58, 4);  // data RVA
  Put(b, r + 0x48 + 4, block.size(), 4);
  b.resize(r + 0x58);
  b.insert(b.end(), block.begin(), block.end());
  return b;
}

VersionResourceValues DesignTimeValues() {
  VersionResourceValues v;
  v.strings = {
      {"FileVersion", "1.2.0.26"}, {"ProductVersion", "1.0.0.0"}, {"CompanyName", "Torvik"}, {"Comments", "x"}};
  return v;
}

std::string WriteTemp(const velmar::test::TempDir& dir, const Bytes& b) {
  std::string path = dir.File("program.exe");
  velmar::test::WriteFile(path, std::string(b.begin(), b.end()));
  return path;
}

TEST(TFileVersionInfo, ReadsTheVersionResourceOfAWindowsExecutable) {
  velmar::test::TempDir dir;
  TFileVersionInfo info(WriteTemp(dir, MakePe(BuildVersionResource(DesignTimeValues()))));
  EXPECT_EQ(info.CountryCode, "080904E4");
  EXPECT_EQ(info.FileVersion, "1.2.0.26");
  EXPECT_EQ(info.ProductVersion, "1.0.0.0");
  EXPECT_EQ(info.CompanyName, "Torvik");
  EXPECT_EQ(info.Comments, "x");
  EXPECT_EQ(info.LegalTradeMarks, "");  // missing entry stays empty
}

TEST(TFileVersionInfo, OtherTranslationsNameTheirOwnStringTable) {
  VersionResourceValues v = DesignTimeValues();
  v.language = 0x0409;
  v.codePage = 0x04B0;
  velmar::test::TempDir dir;
  TFileVersionInfo info(WriteTemp(dir, MakePe(BuildVersionResource(v))));
  EXPECT_EQ(info.CountryCode, "040904B0");
  EXPECT_EQ(info.FileVersion, "1.2.0.26");
}

TEST(TFileVersionInfo, FilesWithoutAVersionResourceLeaveEverythingEmpty) {
  velmar::test::TempDir dir;
  Bytes pe = MakePe(BuildVersionResource(DesignTimeValues()));
  Bytes noResource = pe;
  Put(noResource, 0x58 + 96 + 16, 0, 4);  // no resource directory
  Bytes truncated(pe.begin(), pe.begin() + 0x220);
  Bytes garbage(5000, 0xA5);
  for (const Bytes& file : {noResource, truncated, garbage, Bytes{}}) {
    TFileVersionInfo info(WriteTemp(dir, file));
    EXPECT_EQ(info.CountryCode, "");
    EXPECT_EQ(info.FileVersion, "");
    EXPECT_EQ(info.ProductName, "");
  }
  TFileVersionInfo missing(dir.File("none.exe"));
  EXPECT_EQ(missing.FileVersion, "");
}

// Offsets from an ELF header are 64 bits wide: one just below 2^64 must not
// wrap around to a small number and pass as "inside the file".
TEST(TFileVersionInfo, ElfOffsetsNearTheTopOfTheAddressSpaceAreRefused) {
  auto elf = [](std::uint64_t sectionTable, std::uint64_t nameTable) {
    Bytes b(0xC0, 0);
    b[0] = 0x7F;
    b[1] = 'E';
    b[2] = 'L';
    b[3] = 'F';
    b[4] = 2;                           // 64-bit
    Put(b, 0x28, sectionTable, 8);      // section header table
    Put(b, 0x3A, 0x40, 2);              // entry size
    Put(b, 0x3C, 1, 2);                 // one section
    Put(b, 0x3E, 0, 2);                 // its names are in section 0
    Put(b, 0x40 + 0x18, nameTable, 8);  // section 0's offset
    Put(b, 0x40 + 0x20, 0x10, 8);
    return b;
  };
  const std::uint64_t top = ~std::uint64_t(0);
  for (const Bytes& file : {elf(top - 0x1B, 0x80),  // a header field 4 bytes before 2^64
                            elf(0x40, top - 7)}) {  // the name table 8 bytes before 2^64
    EXPECT_FALSE(FindVersionBlock(file).has_value());
    velmar::test::TempDir dir;
    TFileVersionInfo info(WriteTemp(dir, file));
    EXPECT_EQ(info.FileVersion, "");
  }
}

TEST(TFileVersionInfo, SettingTheFileReReadsEveryProperty) {
  velmar::test::TempDir dir;
  TFileVersionInfo info(WriteTemp(dir, MakePe(BuildVersionResource(DesignTimeValues()))));
  velmar::test::WriteFile(dir.File("plain.txt"), "hello");
  info.SetExecutableFile(dir.File("plain.txt"));
  EXPECT_EQ(info.FileVersion, "");
  EXPECT_EQ(info.CountryCode, "");
}

// The peak resident memory of this process in KiB, or -1 without /proc.
long PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// The desktop program reads its own executable, tens of megabytes with its
// debugging information; only the parts the search needs may be read in.
TEST(TFileVersionInfo, ALargeExecutableIsNotReadIntoMemoryWhole) {
  if (PeakResidentKiB() < 0) GTEST_SKIP() << "no /proc/self/status";
  velmar::test::TempDir dir;
  std::string path = WriteTemp(dir, MakePe(BuildVersionResource(DesignTimeValues())));
  std::filesystem::resize_file(path, 256u << 20);  // a hole: takes no disk space
  const long before = PeakResidentKiB();
  TFileVersionInfo info(path);
  EXPECT_EQ(info.FileVersion, "1.2.0.26");
  EXPECT_LT(PeakResidentKiB() - before, 64 * 1024);
}

TEST(TFileVersionInfo, OurOwnExecutablesCarryTheirProperties) {
  for (const char* exe : {"velmar-cli", "velmar"}) {
    const std::string path = velmar::test::BinDir() + exe + velmar::test::kExeSuffix;
    if (!velmar::test::Exists(path)) continue;  // velmar needs Qt
    TFileVersionInfo info(path);
    EXPECT_EQ(info.FileVersion, VELMAR_VERSION) << exe;
    EXPECT_EQ(info.ProductVersion, VELMAR_VERSION) << exe;  // one product version everywhere
    EXPECT_EQ(info.CompanyName, "Torvik") << exe;
  }
  TFileVersionInfo info(velmar::test::BinDir() + "velmar-cli" + velmar::test::kExeSuffix);
  EXPECT_EQ(info.CountryCode, "080904E4");
  EXPECT_EQ(info.FileVersion, "1.2.0.26");
  EXPECT_EQ(info.ProductVersion, "1.2.0.26");
  EXPECT_EQ(info.ProductName, "Velmar");
}

}  // namespace

// The version reader's fuzz seeds are written by tests/fuzz/make-seeds.py
// from the documented layouts, independently of BuildVersionResource: a
// 32-bit and a 64-bit PE file and an ELF file, each read as Windows would.
struct SeedCase {
  const char* file;
  const char* countryCode;
  const char* fileVersion;
};

class VersionSeed : public ::testing::TestWithParam<SeedCase> {};

TEST_P(VersionSeed, ReadsTheVersionOfAnExecutableBuiltElsewhere) {
  TFileVersionInfo info(velmar::test::SourceDir() + "tests/fuzz/corpus/version_info_fuzz/" + GetParam().file);
  EXPECT_EQ(info.CountryCode, GetParam().countryCode);
  EXPECT_EQ(info.FileVersion, GetParam().fileVersion);
}

INSTANTIATE_TEST_SUITE_P(TFileVersionInfo, VersionSeed,
                         ::testing::Values(SeedCase{"pe32.exe", "080904E4", "1.2.0.26"},
                                           SeedCase{"pe64.exe", "040904B0", "2.0"},
                                           SeedCase{"elf64", "080904E4", "1.2.0.26"}, SeedCase{"mz-only", "", ""}));
