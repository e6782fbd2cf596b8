// The shipped DEVICES.INI against the table of public device facts
// (tests/devices/device-facts.csv), which has a row for every device:
// identifiers and the revision bits of each family, memory sizes,
// configuration addresses, counts and masks, write latches and protection
// blocks. Every difference the database intends is listed below with the
// value it keeps; docs/DEVICES.md gives the reasons.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "devices/Algorithm.h"
#include "platform/IniFile.h"
#include "support/TestSupport.h"

namespace velmar {
namespace {

using platform::IniFile;

struct Facts {
  std::string name, deviceId, idMask;
  long programBytes = 0, eepromBytes = 0, configAddress = -1, configCount = 0;
  std::string configMasks, configDefaults, writeLatch;
};

// The programming family of a part's name: slots of one never take another's.
std::string FamilyOf(const std::string& name) {
  for (const char* prefix : {"PIC18", "PIC24", "dsPIC30"})
    if (name.rfind(prefix, 0) == 0) return prefix;
  return "PIC12/16";
}

std::vector<Facts> ReadFacts() {
  std::istringstream csv(test::ReadFile(test::SourceDir() + "tests/devices/device-facts.csv"));
  std::vector<Facts> rows;
  bool header = true;
  for (std::string line; std::getline(csv, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (header) {
      header = false;
      continue;
    }
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string v; std::getline(fields, v, ',');) f.push_back(v);
    if (f.size() < 10) {
      ADD_FAILURE() << "short row: " << line;
      continue;
    }
    auto number = [](const std::string& v) { return v.empty() ? 0L : std::stol(v); };
    const long address = f[5].empty() ? -1L : std::stol(f[5], nullptr, 16);
    rows.push_back({f[0], f[1], f[2], number(f[3]), number(f[4]), address, number(f[6]), f[7], f[8], f[9]});
  }
  return rows;
}

// Where DEVICES.INI keeps another value than the facts, on purpose.
struct IntendedDifference {
  const char* names;  // a pattern of section names
  const char* key;
  const char* kept;
};
const IntendedDifference kIntended[] = {
    // DEBUG (CONFIG1L bit 7) stays implemented on the LF J50 parts, as on the F parts.
    {"PIC18LF24J50|PIC18LF44J50", "Fuses", "EF07DF0FFF09CF01"},
    {"PIC18LF25J50|PIC18LF45J50", "Fuses", "EF07DF0FFF09DF01"},
    {"PIC18LF26J50|PIC18LF46J50", "Fuses", "EF07DF0FFF09FF01"},
    // The baseline algorithm takes the calibration word at 0x3FF with the program.
    {"PIC16F505|PIC16F506|PIC12F509|PIC12F510", "FlashSize", "2048"},
    // Eight-word steps, as the programming guide is tabulated; the PICkit 2
    // device file writes these parts 32 words at a time.
    {"PIC16L?F19(38|39|46|47)", "RowSize", "16"},
    // The PICkit 2 device file writes these parts a word at a time; the row
    // of latches is the guide's (16 and 32 words).
    {"PIC12LF1552", "RowSize", "32"},
    {"PIC16LF155[49]", "RowSize", "64"},
};

const IntendedDifference* Intended(const std::string& name, const std::string& key) {
  for (const IntendedDifference& d : kIntended)
    if (key == d.key && std::regex_match(name, std::regex(d.names))) return &d;
  return nullptr;
}

// PIC24 configuration bits DEVICES.INI keeps otherwise than the facts'
// masks: word `word` of the part's configuration words, `bits` set (or
// cleared) in the shipped mask. Every other bit must agree.
struct IntendedBits {
  const char* names;
  std::size_t word;
  unsigned bits;
  bool set;
};
const IntendedBits kIntendedBits[] = {
    {"PIC24FJ.*", 1, 0x4000, true},                        // JTAGEN (CONFIG1 bit 14): the C30 header's JTAGEN constants
    {"PIC24FJ(16|32|48|64)GA00[24]", 0, 0x0008, true},     // CONFIG2 bit 3, unimplemented: kept for the slots' bytes
    {"PIC24F(04|08|16)KA(10|20)[0-2]", 7, 0x0040, false},  // FICD bit 6, as the datasheet's register table was read
};

// The PIC24 Fuses text the facts' configuration words give, with the kept
// bits applied: low then middle byte of each word on FJ parts, the low byte
// of the first eight registers (FBS to FICD) on KA parts.
std::string Pic24Fuses(const std::string& name, const std::string& words, bool fj) {
  std::string out;
  const std::size_t count = fj ? words.size() / 4 : std::min<std::size_t>(words.size() / 4, 8);
  for (std::size_t k = 0; k < count; ++k) {
    unsigned w = unsigned(std::stoul(words.substr(4 * k, 4), nullptr, 16));
    for (const IntendedBits& b : kIntendedBits)
      if (b.word == k && std::regex_match(name, std::regex(b.names))) w = b.set ? w | b.bits : w & ~b.bits;
    char buf[5];
    if (fj)
      std::snprintf(buf, sizeof buf, "%02X%02X", w & 0xFF, (w >> 8) & 0xFF);
    else
      std::snprintf(buf, sizeof buf, "%02X", w & 0xFF);
    out += buf;
  }
  return out;
}

std::string Expected(const std::string& name, const std::string& key, const std::string& fact) {
  const IntendedDifference* d = Intended(name, key);
  return d ? d->kept : fact;
}

// `count` bytes of a run of two-digit hexadecimal bytes from byte `first`,
// bytes beyond the run as 00; with `defaults`, each byte ANDed with the
// matching byte of `masks`.
std::string Bytes(const std::string& hex, std::size_t first, std::size_t count, const std::string* masks = nullptr) {
  std::string out;
  for (std::size_t i = first; i < first + count; ++i) {
    unsigned v = 2 * i + 2 <= hex.size() ? unsigned(std::stoul(hex.substr(2 * i, 2), nullptr, 16)) : 0;
    if (masks) v &= 2 * i + 2 <= masks->size() ? unsigned(std::stoul(masks->substr(2 * i, 2), nullptr, 16)) : 0;
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02X", v);
    out += buf;
  }
  return out;
}

// Where the configuration words lie in the layout the section's family,
// `Type` and `Column` give the image builder, as an address of the part's
// hex file (PIC24 and dsPIC30: twice the program counter).
long ConfigAddressOfLayout(const IniFile& ini, const std::string& name) {
  const std::string family = FamilyOf(name), type = ini.ReadString(name, "Type", "");
  const long flash = long(ini.ReadInteger(name, "FlashSize", 0));
  if (family == "PIC12/16") {
    const int column = int(ini.ReadInteger(name, "Column", 0));
    if (devices::BaselineAlgorithm(column)) return 0xFFF;
    return devices::EnhancedMidrangeMap(column) ? 0x8007 : 0x2007;
  }
  if (family == "PIC18") return type == "J" ? flash - 8 : 0x300000;
  if (type == "24FJ") return (flash / 3 - 2) * 4;  // the last two instructions
  return 0x1F00000;                                // 0xF80000: KA registers, dsPIC30
}

// A PIC12/16 programming step (`RowSize` bytes) must fit the write latches
// a second source proves (it gives the words it writes in one step); the
// enhanced mid-range algorithms write the whole row of latches.
void CheckProgrammingStep(const IniFile& ini, const Facts& f) {
  if (f.writeLatch.empty()) {
    ADD_FAILURE() << "no write latch in the facts";
    return;
  }
  const long step = long(ini.ReadInteger(f.name, "RowSize", 0)), latches = 2 * std::stol(f.writeLatch);
  if (const IntendedDifference* d = Intended(f.name, "RowSize")) {
    EXPECT_EQ(std::to_string(step), d->kept) << "RowSize";
  } else if (devices::EnhancedMidrangeMap(int(ini.ReadInteger(f.name, "Column", 0)))) {
    EXPECT_EQ(step, latches) << "RowSize";
  } else {
    EXPECT_LE(step, latches) << "RowSize";
  }
}

std::map<std::string, Facts> FactsByName() {
  std::map<std::string, Facts> out;
  for (Facts& f : ReadFacts()) {
    const std::string name = f.name;
    EXPECT_TRUE(out.emplace(name, std::move(f)).second) << name << " has two rows";
  }
  return out;
}

TEST(DeviceFacts, TheShippedDatabaseAgreesWithThePublicFacts) {
  const IniFile ini(test::SourceDir() + "data/DEVICES.INI");
  const std::map<std::string, Facts> facts = FactsByName();
  ASSERT_GE(ini.Sections().size(), 400u);
  for (const auto& [name, row] : facts) EXPECT_TRUE(ini.SectionExists(name)) << name << ": a row for no device";
  for (const std::string& name : ini.Sections()) {
    SCOPED_TRACE(name);
    const auto it = facts.find(name);
    if (it == facts.end()) {
      ADD_FAILURE() << "no row of public facts";
      continue;
    }
    const Facts& f = it->second;
    auto check = [&](const char* key, const std::string& fact) {
      EXPECT_EQ(ini.ReadString(f.name, key, ""), Expected(f.name, key, fact)) << key;
    };
    const std::string family = FamilyOf(f.name);
    const bool j = ini.ReadString(f.name, "Type", "") == "J";
    check("DeviceID", f.deviceId == "0000" ? "FFFF" : f.deviceId);
    check("FlashSize", std::to_string(f.programBytes + (j ? 8 : 0)));
    check("EEPROMSIZE", std::to_string(f.eepromBytes));
    EXPECT_EQ(f.configAddress, ConfigAddressOfLayout(ini, f.name)) << "configuration address";
    if (family == "PIC24" || family == "dsPIC30") {
      check("FuseCount", std::to_string(family == "PIC24" ? f.configCount : 2 * f.configCount));
      check("BufferSize", f.writeLatch);
      if (family == "PIC24")
        check("Fuses", Pic24Fuses(f.name, f.configMasks, ini.ReadString(f.name, "Type", "") == "24FJ"));
      continue;
    }
    if (family == "PIC12/16") {
      check("FuseCount", std::to_string(2 * f.configCount));
      CheckProgrammingStep(ini, f);
      continue;
    }
    check("FuseCount", std::to_string(f.configCount));
    check("Fuses", Bytes(f.configMasks, 0, 8));
    if (!j) {
      check("FDefs", Bytes(f.configDefaults, 0, 8, &f.configMasks));
      check("Lockbits", Bytes(f.configMasks, 8, 6));
      check("LDefault", Bytes(f.configDefaults, 8, 6, &f.configMasks));
    }
    check("BufferSize", f.writeLatch);
  }
}

// Bits set in one byte of a run of two-digit hexadecimal bytes.
int BitsInByte(const std::string& hex, std::size_t index) {
  unsigned v = unsigned(std::stoul(hex.substr(2 * index, 2), nullptr, 16));
  int n = 0;
  for (; v; v &= v - 1) ++n;
  return n;
}

// `EraseBlocks` counts the protection blocks the part's configuration masks
// implement: one write-protect (K40: WRTn of CONFIG4L) or code-protect bit
// (CPn of CONFIG5L) and one table-read-protect bit (EBTRn of CONFIG6L or
// CONFIG7L) each, of one size. The K22 header takes four blocks of a
// quarter each on every part (docs/DEVICES.md), so it is not checked here.
TEST(DeviceFacts, EraseBlocksAreTheProtectionBlocksTheMasksImplement) {
  const IniFile ini(test::SourceDir() + "data/DEVICES.INI");
  int checked = 0;
  for (const auto& [name, f] : FactsByName()) {
    const std::string type = ini.ReadString(name, "Type", "");
    if (FamilyOf(name) != "PIC18" || type == "J" || type == "K22") continue;
    SCOPED_TRACE(name);
    const bool k40 = type == "K40";
    const long blocks = long(ini.ReadInteger(name, "EraseBlocks", 0));
    EXPECT_EQ(blocks, BitsInByte(f.configMasks, k40 ? 6 : 8)) << (k40 ? "WRTn" : "CPn");
    EXPECT_EQ(blocks, BitsInByte(f.configMasks, k40 ? 10 : 12)) << "EBTRn";
    EXPECT_EQ(blocks * ini.ReadInteger(name, "BlockSize", 0), ini.ReadInteger(name, "FlashSize", 0));
    checked += k40;
  }
  EXPECT_GE(checked, 10);
}

// Each identifier is stored with its revision bits cleared, and no two
// shipped parts of a family read as one another under their own revision bits (the
// PIC18F2420 family keeps bit 4 as a device bit: five revision bits would
// make each 42x0 and its 42x3 twin one part).
TEST(DeviceFacts, IdentifiersStayDistinctUnderEachFamilysRevisionBits) {
  const IniFile ini(test::SourceDir() + "data/DEVICES.INI");
  std::map<std::string, std::pair<unsigned, unsigned>> ids;  // name -> (identifier, mask)
  for (const Facts& f : ReadFacts()) {
    if (f.idMask == "0000") continue;
    const unsigned id = unsigned(std::stoul(ini.ReadString(f.name, "DeviceID", "FFFF"), nullptr, 16));
    const unsigned mask = unsigned(std::stoul(f.idMask, nullptr, 16));
    EXPECT_EQ(id & ~mask, 0u) << f.name << " stores revision bits";
    ids[f.name] = {id, mask};
  }
  ASSERT_GE(ids.size(), 370u);
  for (const auto& [a, x] : ids) {
    for (const auto& [b, y] : ids) {
      // Parts of one programming family only: a slot names its family.
      if (a >= b || FamilyOf(a) != FamilyOf(b)) continue;
      EXPECT_NE(x.first & y.second, y.first & x.second) << a << " reads as " << b;
    }
  }
  // The twins of the four-revision-bit family are apart only by bit 4.
  EXPECT_EQ(ids.at("PIC18F2423").first ^ ids.at("PIC18F2420").first, 0x10u);
  EXPECT_EQ(ids.at("PIC18F2423").second, 0xFFF0u);
}

}  // namespace
}  // namespace velmar
