// DEVICES.INI reading: family membership, keys and defaults, the reverse
// look-up, and the shipped database itself (checked against gputils where
// gputils knows the device).
#include <gtest/gtest.h>

#include <cctype>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "devices/Algorithm.h"
#include "devices/DeviceDatabase.h"
#include "support/TestSupport.h"

using namespace velmar;
using devices::InFamily;
using platform::IniFile;

namespace {

IniFile FromText(const std::string& text) {
  IniFile ini;
  ini.Parse(text);
  return ini;
}

TEST(FamilyMembership, FollowsTheNameTests) {
  EXPECT_TRUE(InFamily("PIC18F46J50", devices::fam_PIC18J));
  EXPECT_FALSE(InFamily("PIC18F46J50", devices::fam_PIC18F));
  EXPECT_TRUE(InFamily("PIC18F46K22", devices::fam_PIC18K));
  EXPECT_FALSE(InFamily("PIC18F46K22", devices::fam_PIC18F));
  EXPECT_FALSE(InFamily("PIC18F46K22", devices::fam_PIC18J));
  EXPECT_TRUE(InFamily("PIC18F66J94K", devices::fam_PIC18J));
  EXPECT_TRUE(InFamily("PIC18F66J94K", devices::fam_PIC18K));
  EXPECT_TRUE(InFamily("PIC18F46k99", devices::fam_PIC18F));  // a lower-case k is no K
  EXPECT_FALSE(InFamily("PIC18F46k99", devices::fam_PIC18K));
  EXPECT_TRUE(InFamily("PIC12F675", devices::fam_PIC12F16F));
  EXPECT_TRUE(InFamily("PIC24F16KA102", devices::fam_PIC24F));
  EXPECT_FALSE(InFamily("DSPIC30F4011", devices::fam_dsPIC30));
  EXPECT_TRUE(InFamily("PSD813", devices::fam_PSD));
}

TEST(ReadDevice, AbsentKeysAndNonNumbersTakeTheDefaults) {
  IniFile ini = FromText(
      "[ Pic16F88 ]\n Column = 5 \nFlashSize=lots\nBlockSize=70000\nBufferSize=300\n DAset=1\n"
      "[empty]\n");
  devices::TData d;
  devices::ReadDevice(ini, "PIC16F88", d);
  EXPECT_EQ(d.Column, 5);
  EXPECT_EQ(d.FlashSize, 0);
  // Kept as written: a value too wide for its header field is refused when
  // a slot is built, not cut to a smaller one here.
  EXPECT_EQ(d.BlockSize, 70000);
  EXPECT_EQ(d.BufferSize, 300);
  EXPECT_TRUE(d.DAset);
  devices::TData e;
  e.Column = 9;
  e.FuseCount = 1;
  devices::ReadDevice(ini, "empty", e);
  EXPECT_EQ(e.DeviceID, "FFFF");
  EXPECT_EQ(e.EraseCMD, "8000");
  EXPECT_EQ(e.FuseCount, 2);
  EXPECT_EQ(e.Column, 0);
  EXPECT_EQ(e.Type, "A");
  devices::TData job;
  devices::ReadDevice(ini, "nowhere", job, devices::DeviceRead::Job);
  EXPECT_EQ(job.EraseCMD, "8080");
  EXPECT_EQ(job.FuseCount, 14);
  EXPECT_EQ(job.ProgTime, 10);
  EXPECT_EQ(job.EraseTime, 50);
}

TEST(FindDeviceByID, TakesTheFirstExactMatchInFileOrder) {
  test::TempDir dir;
  test::WriteFile(dir.File("DEVICES.INI"), "[B]\nDeviceID=1080\n[A]\nDeviceID=1080\n[NoId]\n[C]\nDeviceID=1080 \n");
  EXPECT_EQ(devices::FindDeviceByID(dir.Path(), "1080"), "B");
  EXPECT_EQ(devices::FindDeviceByID(dir.Path(), "FFFF"), "NoId");  // no key reads as FFFF
  EXPECT_EQ(devices::FindDeviceByID(dir.Path(), "108"), "");
  test::TempDir empty;
  EXPECT_EQ(devices::FindDeviceByID(empty.Path(), "1080"), "");
}

TEST(DeviceFile, IsReadOnceAndAgainOnlyWhenTheFileChanges) {
  test::TempDir dir;
  test::WriteFile(dir.File("DEVICES.INI"), "[A]\nDeviceID=1080\n");
  auto first = devices::DeviceFile(dir.Path());
  EXPECT_EQ(devices::DeviceFile(dir.Path()), first);  // the same reading
  // Replaced, as an editor saves it: read again.
  test::WriteFile(dir.File("new.ini"), "[B]\nDeviceID=2080\n[C]\n");
  std::filesystem::rename(dir.File("new.ini"), dir.File("DEVICES.INI"));
  auto second = devices::DeviceFile(dir.Path());
  EXPECT_NE(second, first);
  EXPECT_EQ(second->Sections().size(), 2u);
  EXPECT_EQ(first->Sections().size(), 1u);  // a reading in use stays whole
  std::filesystem::remove(dir.File("DEVICES.INI"));
  EXPECT_FALSE(devices::DeviceFile(dir.Path())->Exists());
}

// ---- The shipped database ----

class ShippedDatabase : public ::testing::Test {
 protected:
  IniFile ini{test::SourceDir() + "data/DEVICES.INI"};
};

// Names compared with their runs of digits as numbers: PIC16F84A before
// PIC16F505 before PIC16F1503.
bool NaturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const bool da = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
    const bool db = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
    if (da && db) {
      std::size_t ei = a.find_first_not_of("0123456789", i), ej = b.find_first_not_of("0123456789", j);
      const long x = std::stol(a.substr(i, ei - i)), y = std::stol(b.substr(j, ej - j));
      if (x != y) return x < y;
      i = ei == std::string::npos ? a.size() : ei;
      j = ej == std::string::npos ? b.size() : ej;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i, ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

// Every family's list holds its devices in natural order, however many the
// database grows to (the window's list and `devices` show the file order).
TEST_F(ShippedDatabase, CoversEveryFamilyInNaturalOrderAndTheExampleDevices) {
  ASSERT_TRUE(ini.Exists());
  EXPECT_GE(ini.Sections().size(), 400u);
  for (int family = 0; family < 6; ++family) {
    const std::vector<std::string> list = devices::DevicesOfFamily(ini, family);
    EXPECT_GE(list.size(), 4u) << family;
    for (std::size_t k = 1; k < list.size(); ++k) EXPECT_TRUE(NaturalLess(list[k - 1], list[k])) << list[k];
  }
  for (const char* name : {"PIC16F628A", "PIC16F84A", "PIC18F4520", "PIC18F46J50", "PIC18F46K22", "PIC24FJ64GA002",
                           "PIC24F16KA102", "dsPIC30F4011", "PIC18F1220"})
    EXPECT_TRUE(ini.SectionExists(name)) << name;
}

TEST_F(ShippedDatabase, ValuesFitWhatTheImageBuildersExpect) {
  const std::regex hexId("[0-9A-F]{4}");
  for (const std::string& s : ini.Sections()) {
    devices::TData d;
    devices::ReadDevice(ini, s, d, devices::DeviceRead::Job);
    SCOPED_TRACE(s);
    EXPECT_TRUE(std::regex_match(d.DeviceID, hexId));
    EXPECT_TRUE(std::regex_match(d.EraseCMD, hexId));
    EXPECT_GT(d.FlashSize, 0);
    EXPECT_GE(d.EEPROMSIZE, 0);
    EXPECT_EQ(ini.Keys(s).size() >= 8, true);
    if (devices::InFamily(s, devices::fam_PIC12F16F)) {
      EXPECT_EQ(d.FlashSize % 2, 0);
      EXPECT_TRUE(d.FuseCount == 2 || d.FuseCount == 4 || d.FuseCount == 10);
      // The identifier check leaves the five revision bits out; a part whose
      // identifier needs them cannot be matched.
      if (d.DeviceID != "FFFF") {
        EXPECT_EQ(std::stoi(d.DeviceID, nullptr, 16) & 0x1F, 0) << d.DeviceID;
      }
      // The row-counting algorithm has no data memory step.
      if (d.Column == 15) {
        EXPECT_EQ(d.EEPROMSIZE, 0);
      }
    } else if (devices::InFamily(s, devices::fam_PIC18J)) {
      EXPECT_EQ(d.Fuses.size(), 16u);
      EXPECT_EQ(d.EEPROMSIZE, 0);
      EXPECT_TRUE(d.noLVP);
    } else if (devices::InFamily(s, devices::fam_PIC24F) || devices::InFamily(s, devices::fam_dsPIC30)) {
      EXPECT_EQ(d.FlashSize % 3, 0);
      EXPECT_TRUE(d.Type == "24FJ" || d.Type == "24KA" || d.Type == "ds30");
      if (d.Type == "24FJ") {
        EXPECT_EQ(d.Fuses.size(), std::size_t(4 * d.FuseCount));
        // The builder puts the configuration words in the last instructions
        // of FlashSize; on the chip they close the last 512-instruction
        // erase page.
        EXPECT_EQ(d.FlashSize / 3 % 512, 0) << d.FlashSize;
      }
      if (d.Type == "24KA") {
        EXPECT_GE(d.Fuses.size(), 16u);
      }
      EXPECT_LT(d.FlashSize * 4 / 3, 360000);
    } else {
      EXPECT_EQ(d.Fuses.size(), 16u);
      EXPECT_EQ(d.Lockbits.size(), 12u);
      EXPECT_EQ(d.FDefs.size(), 16u);
      EXPECT_EQ(d.LDefault.size(), 12u);
    }
  }
  // No two devices of a family share an identifier (baseline parts have
  // none; the PIC16 and PIC18 identifier spaces overlap).
  std::set<std::string> ids;
  for (const std::string& s : ini.Sections()) {
    std::string raw = ini.ReadString(s, "DeviceID", "FFFF");
    std::string id = raw + (devices::InFamily(s, devices::fam_PIC12F16F) ? "/16" : "");
    if (raw != "FFFF") {
      EXPECT_TRUE(ids.insert(id).second) << s << " " << id;
    }
  }
}

// Program and EEPROM sizes as gputils' linker script gives them, in the
// byte units of the family's hex layout; false when gputils lacks the device.
bool GputilsSizes(const std::string& device, int family, long& flash, long& eeprom) {
  std::string lower;
  for (char c : device.substr(3)) lower += char(std::tolower(static_cast<unsigned char>(c)));
  std::string path = "/usr/share/gputils/lkr/" + lower + "_g.lkr";
  if (!test::Exists(path)) return false;
  std::regex page(R"(CODEPAGE\s+NAME=(\S+)\s+START=0x([0-9A-Fa-f]+)\s+END=0x([0-9A-Fa-f]+))");
  long codeEnd = -1, configStart = -1;
  eeprom = 0;
  std::string text = test::ReadFile(path);
  for (std::sregex_iterator it(text.begin(), text.end(), page), end; it != end; ++it) {
    std::string name = (*it)[1];
    long start = std::stol((*it)[2], nullptr, 16), last = std::stol((*it)[3], nullptr, 16);
    if (name.rfind("page", 0) == 0) codeEnd = std::max(codeEnd, last);
    if (name == "eedata") eeprom = last - start + 1;
    if (name == "config") configStart = start;
  }
  if (family == devices::fam_PIC12F16F)
    flash = (codeEnd + 1) * 2;  // two bytes per program word
  else if (family == devices::fam_PIC18J)
    flash = configStart + 8;  // the configuration words are the last 8 bytes
  else
    flash = codeEnd + 1;
  return true;
}

TEST_F(ShippedDatabase, MemorySizesAgreeWithGputils) {
  if (!test::Exists("/usr/share/gputils/lkr")) GTEST_SKIP() << "gputils is not installed";
  int checked = 0;
  for (const std::string& s : ini.Sections()) {
    int family = -1;
    for (int f : {devices::fam_PIC12F16F, devices::fam_PIC18J, devices::fam_PIC18K, devices::fam_PIC18F})
      if (devices::InFamily(s, f)) family = f;
    long flash = 0, eeprom = 0;
    if (family < 0 || !GputilsSizes(s, family, flash, eeprom)) continue;
    EXPECT_EQ(ini.ReadInteger(s, "FlashSize", -1), flash) << s;
    if (!devices::InFamily(s, devices::fam_PIC18J)) {
      EXPECT_EQ(ini.ReadInteger(s, "EEPROMSIZE", -1), eeprom) << s;
    }
    ++checked;
  }
  EXPECT_GE(checked, 60);
}

// ---- The shipped database against its sources ----

// The family a section's name puts it in; -1 when none or more than one.
int FamilyOf(const std::string& section) {
  int found = -1;
  for (int f = devices::fam_PIC18F; f <= devices::fam_dsPIC30; ++f) {
    if (!devices::InFamily(section, f)) continue;
    if (found >= 0) return -1;
    found = f;
  }
  return found;
}

// The algorithms each family's image builder handles.
bool BuilderHandles(int family, const devices::TData& d) {
  static const std::map<int, std::set<std::string>> types = {
      {devices::fam_PIC18F, {"A", "B", "C"}}, {devices::fam_PIC18K, {"K22", "K80", "K40"}},
      {devices::fam_PIC18J, {"J", "J94"}},    {devices::fam_PIC24F, {"24FJ", "24FJ-GA4", "24KA"}},
      {devices::fam_dsPIC30, {"ds30"}},       {devices::fam_PIC12F16F, {"A"}}};
  if (!types.at(family).count(d.Type)) return false;
  if (family != devices::fam_PIC12F16F) return d.Column == 0;
  return (d.Column >= 0 && d.Column <= 15);
}

TEST_F(ShippedDatabase, EverySectionHasOneFamilyAndAnAlgorithmItsBuilderHandles) {
  EXPECT_GE(ini.Sections().size(), 300u);
  for (const std::string& s : ini.Sections()) {
    int family = FamilyOf(s);
    ASSERT_GE(family, 0) << s;
    devices::TData d;
    devices::ReadDevice(ini, s, d, devices::DeviceRead::Job);
    EXPECT_TRUE(BuilderHandles(family, d)) << s << " " << d.Type << " " << d.Column;
  }
}

// Each configuration byte's implemented bits and unprogrammed value as
// gputils' configuration database gives them ("gpasm -s").
std::map<long, std::pair<int, int>> GputilsConfig(const std::string& device) {
  std::string lower;
  for (char c : device.substr(3)) lower += char(std::tolower(static_cast<unsigned char>(c)));
  std::string out;
  std::map<long, std::pair<int, int>> words;
  // gpasm answers an unknown part with other parts' properties: only a
  // report that names the part counts.
  if (test::RunCommand("gpasm -s -p" + lower + " 2>/dev/null", &out) != 0 ||
      out.find("Names          : pic" + lower + ",") == std::string::npos)
    return words;
  std::regex word(R"(address = 0x([0-9A-Fa-f]+), mask = 0x([0-9A-Fa-f]+), default = 0x([0-9A-Fa-f]+))");
  for (std::sregex_iterator it(out.begin(), out.end(), word), end; it != end; ++it)
    words[std::stol((*it)[1], nullptr, 16)] = {std::stoi((*it)[2], nullptr, 16), std::stoi((*it)[3], nullptr, 16)};
  return words;
}

std::string HexBytes(const std::map<long, std::pair<int, int>>& words, long start, int count, bool defaults) {
  std::string out;
  char buf[3];
  for (int i = 0; i < count; ++i) {
    auto it = words.find(start + i);
    int mask = it == words.end() ? 0 : it->second.first;
    std::snprintf(buf, sizeof buf, "%02X", defaults && it != words.end() ? it->second.second & mask : mask);
    out += buf;
  }
  return out;
}

TEST_F(ShippedDatabase, ConfigurationMasksAgreeWithGputils) {
  if (!test::HaveProgram("gpasm")) GTEST_SKIP() << "gputils is not installed";
  // gputils leaves DEBUG out of the K80 parts' CONFIG4L and the LF J50
  // parts' CONFIG1L; the table of public facts checks those parts
  // (DeviceFactsTest).
  const std::regex factsDecide("PIC18L?F[24][4-6]J50|PIC18L?F[246][56]K80");
  int checked = 0;
  for (const std::string& s : ini.Sections()) {
    int family = FamilyOf(s);
    if (family != devices::fam_PIC18F && family != devices::fam_PIC18K && family != devices::fam_PIC18J) continue;
    auto words = GputilsConfig(s);
    if (words.empty()) continue;  // a part gputils does not know (K40)
    SCOPED_TRACE(s);
    if (std::regex_match(s, factsDecide)) continue;
    if (family == devices::fam_PIC18J) {
      long start = ini.ReadInteger(s, "FlashSize", 0) - 8;
      EXPECT_EQ(ini.ReadString(s, "Fuses", ""), HexBytes(words, start, 8, false));
    } else {
      EXPECT_EQ(ini.ReadString(s, "Fuses", ""), HexBytes(words, 0x300000, 8, false));
      EXPECT_EQ(ini.ReadString(s, "Lockbits", ""), HexBytes(words, 0x300008, 6, false));
      EXPECT_EQ(ini.ReadString(s, "FDefs", ""), HexBytes(words, 0x300000, 8, true));
      EXPECT_EQ(ini.ReadString(s, "LDefault", ""), HexBytes(words, 0x300008, 6, true));
    }
    ++checked;
  }
  EXPECT_GE(checked, 100);
}

// Slips of the second source that the part's programming guide and the
// MPLAB X device data overrule: the part, the slip, the identifier shipped.
struct SecondSourceSlip {
  const char* name;
  const char* slip;
  const char* id;
};
const SecondSourceSlip kSecondSourceSlips[] = {
    {"PIC18F24K50", "5C30", "5C60"},  // the PICkit 2 device file; DS41630 gives 5C60
    // piklab and usbpicprog's index give the F parts' identifiers to the FV
    // names; the guide's table and the later PICkit 2 device file give the FV
    // parts the odd ones.
    {"PIC24FV16KA301", "4508", "4509"},
    {"PIC24FV16KA302", "4502", "4503"},
    {"PIC24FV16KA304", "4506", "4507"},
    {"PIC24FV32KA302", "4512", "4513"},
    {"PIC24FV32KA304", "4516", "4517"},
};

TEST_F(ShippedDatabase, IdentifiersAgreeWithASecondSource) {
  // name -> the identifiers the second source's two tables give (either may
  // be empty); each table has slips of its own, so one must agree.
  std::istringstream csv(test::ReadFile(test::SourceDir() + "tools/devices/second-source-ids.csv"));
  std::map<std::string, std::set<std::string>> second;
  for (std::string line; std::getline(csv, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name, id;
    std::getline(fields, name, ',');
    while (std::getline(fields, id, ','))
      if (!id.empty()) second[name].insert(id);
  }
  ASSERT_GT(second.size(), 400u);
  int compared = 0;
  for (const std::string& s : ini.Sections()) {
    std::string id = ini.ReadString(s, "DeviceID", "FFFF");
    auto it = second.find(s);
    // Baseline parts have no identifier (FFFF); the tables give them none or 0.
    if (it == second.end() || id == "FFFF") continue;
    const SecondSourceSlip* slip = nullptr;
    for (const SecondSourceSlip& k : kSecondSourceSlips)
      if (s == k.name) slip = &k;
    if (slip) {
      EXPECT_TRUE(it->second.count(slip->slip)) << s << ": the listed slip is no longer the second source's";
      EXPECT_EQ(id, slip->id) << s;
      continue;
    }
    EXPECT_TRUE(it->second.count(id)) << s << " " << id;
    ++compared;
  }
  EXPECT_GE(compared, 200);
}

TEST_F(ShippedDatabase, IsWhatItsGeneratorWritesFromTheTables) {
  if (!test::HaveProgram("gpasm") || !test::HaveProgram("python3")) GTEST_SKIP() << "needs gputils and python3";
  std::string out;
  EXPECT_EQ(
      test::RunCommand("cd '" + test::SourceDir() + "' && python3 scripts/make-devices-ini.py --check 2>&1", &out), 0)
      << out;
}

// The algorithm names stand for the numbers DEVICES.INI stores: a device of
// each named algorithm reads back as that name, and the facts drawn from the
// names hold for the devices the shipped file gives them to.
struct AlgorithmCase {
  const char* device;
  devices::AlgorithmColumn column;
  bool highVpp;
  bool enhancedMap;
};

class ShippedAlgorithm : public ::testing::TestWithParam<AlgorithmCase> {};

TEST_P(ShippedAlgorithm, NamesTheColumnTheDeviceFileGives) {
  const AlgorithmCase c = GetParam();
  static const IniFile ini{test::SourceDir() + "data/DEVICES.INI"};
  devices::TData d;
  devices::ReadDevice(ini, c.device, d);
  EXPECT_EQ(d.Column, c.column);
  EXPECT_EQ(devices::NeedsHighVpp(d.Column), c.highVpp);
  EXPECT_EQ(devices::EnhancedMidrangeMap(d.Column), c.enhancedMap);
}

INSTANTIATE_TEST_SUITE_P(Devices, ShippedAlgorithm,
                         ::testing::Values(AlgorithmCase{"PIC18F4520", devices::alg_Default, false, false},
                                           AlgorithmCase{"PIC12F675", devices::alg_PIC12F629, false, false},
                                           AlgorithmCase{"PIC16F77", devices::alg_PIC16F7x, false, false},
                                           AlgorithmCase{"PIC16F628A", devices::alg_PIC16F62xA, false, false},
                                           AlgorithmCase{"PIC16F877A", devices::alg_PIC16F87xA, false, false},
                                           AlgorithmCase{"PIC16F88", devices::alg_PIC16F88, false, false},
                                           AlgorithmCase{"PIC16F684", devices::alg_PIC16F684, false, false},
                                           AlgorithmCase{"PIC16F887", devices::alg_PIC16F88x, false, false},
                                           AlgorithmCase{"PIC16F57", devices::alg_PIC16F5x, false, false},
                                           AlgorithmCase{"PIC16F505", devices::alg_PIC16F505, false, false},
                                           AlgorithmCase{"PIC12F1822", devices::alg_PIC16F1xxx, true, true},
                                           AlgorithmCase{"PIC16F1503", devices::alg_PIC16F150x, true, true}));

TEST(AlgorithmFacts, NumbersNoShippedDeviceUsesKeepTheirFacts) {
  EXPECT_TRUE(devices::NeedsHighVpp(devices::alg_Column13));
  EXPECT_FALSE(devices::EnhancedMidrangeMap(devices::alg_Column13));
  for (int column : {-1, 10, 11, 14, 16, 255}) {
    EXPECT_FALSE(devices::NeedsHighVpp(column)) << column;
    EXPECT_FALSE(devices::EnhancedMidrangeMap(column)) << column;
  }
}

}  // namespace
