// The PIC18F and PIC18 K family builder. One pass over the file's lines
// takes the configuration and ID sections out (each section runs from its
// extended address record to the next record that is not a data record) and
// keeps the rest; a second pass splits the kept lines into program and
// data EEPROM records. Both passes are linear in the number of lines.
#include <algorithm>
#include <initializer_list>

#include "devices/DeviceDatabase.h"
#include "image/DeviceLimits.h"
#include "image/HexLines.h"
#include "image/Pic18Builder.h"
#include "image/TFileLoader.h"
#include "image/Useful.h"
#include "image/UserFileCheck.h"
#include "platform/Text.h"

namespace velmar::image {

namespace {

constexpr std::string_view kConfigMark = ":020000040030CA";  // 0x300000
constexpr std::string_view kIdMark = ":020000040020DA";      // 0x200000
constexpr std::string_view kEepromMarks[] = {":0200000400F00A", ":020000040031C9"};
constexpr std::string_view kProgramMark = ":020000040000FA";
constexpr std::size_t kConfigBuffer = kConfigByteCount;

// Whether `mark` (a whole record, so starting with ':') appears in the line.
// A record can only start at a colon, so only those places are compared:
// the same answer as a search of the whole line, at a fraction of the cost.
bool HasMark(std::string_view line, std::string_view mark) {
  for (std::size_t at = line.find(':'); at != std::string_view::npos; at = line.find(':', at + 1))
    if (line.compare(at, mark.size(), mark) == 0) return true;
  return false;
}

bool HasEepromMark(std::string_view line) { return HasMark(line, kEepromMarks[0]) || HasMark(line, kEepromMarks[1]); }

bool ContainsAny(std::string_view line, std::initializer_list<std::string_view> marks) {
  for (std::string_view m : marks)
    if (HasMark(line, m)) return true;
  return false;
}

// A configuration or ID section ends before the next address or end record
// (any record that is not a data record, so a repeated section mark starts a
// new section instead of being read as data).
bool EndsConfigSection(std::string_view line) {
  return ContainsAny(line, {kIdMark, kEndRecord, kEepromMarks[0], kEepromMarks[1], kProgramMark}) ||
         IsControlRecord(line);
}

bool EndsIdSection(std::string_view line) {
  return ContainsAny(line, {kConfigMark, kEndRecord, kEepromMarks[0], kEepromMarks[1], kProgramMark}) ||
         IsControlRecord(line);
}

// Stores the data bytes of one record line at buffer[j], buffer[j + 1], ...
// where j is the low byte of the record address. Bytes that fall beyond the
// buffer have no place and are left out. Returns the number of bytes stored.
int StoreRecord(std::string_view l, std::uint8_t* buffer, std::size_t size) {
  const unsigned count = HexPairToByte(l.substr(std::min<std::size_t>(1, l.size())));
  const unsigned start = HexPairToByte(l.substr(std::min<std::size_t>(5, l.size())));
  int stored = 0;
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t pos = 9 + 2 * std::size_t(i);
    const std::uint8_t value = pos + 2 <= l.size() ? HexPairToByte(l.substr(pos, 2)) : 0xFF;
    if (start + i < size) {
      buffer[start + i] = value;
      ++stored;
    }
  }
  return stored;
}

struct Split {
  std::vector<std::string_view> flash;
  std::vector<std::string_view> eeprom;
};

// Program lines and data EEPROM lines. The EEPROM records run from an EEPROM
// address record to the next address record of another segment; their
// address records are left out, so the records keep their 16-bit addresses,
// which are the EEPROM addresses.
Split SplitEeprom(const std::vector<std::string_view>& kept) {
  Split s;
  bool inEeprom = false;
  for (std::string_view line : kept) {
    if (line == kEndRecord) break;
    if (HasEepromMark(line)) {
      inEeprom = true;
      continue;
    }
    if (inEeprom && IsAddressRecord(line)) inEeprom = false;
    (inEeprom ? s.eeprom : s.flash).push_back(line);
  }
  s.flash.push_back(kEndRecord);
  s.eeprom.push_back(kEndRecord);
  return s;
}

void Save(const SlotJob& job, const char* name, const std::vector<std::string_view>& lines) {
  const SaveResult saved = SaveHexLines(job.PiecePath(name), lines, platform::Durability::scratch);
  if (saved.Failed()) throw EBuildRefused("Error opening file or bad data \r" + job.userFile + "\r" + saved.message);
}

void Run(SlotJob& job, const BuildOptions& options) {
  if (std::optional<std::string> fault = CheckUserFile(job.userFile))
    throw EBuildRefused("Error opening file or bad data \r" + job.userFile + "\r" + *fault);
  const HexText file = ReadHexText(job.userFile);
  const std::vector<std::string_view>& lines = file.lines;
  if (lines.empty()) throw std::runtime_error("the file is empty");
  job.configFound = false;
  job.id.fill(0xFF);
  job.idCount = 0;
  bool eepromPresent = false;

  std::array<std::uint8_t, kConfigBuffer> buffer;
  buffer.fill(0xFF);
  int configCount = 0;

  std::vector<std::string_view> kept;
  kept.reserve(lines.size());
  const std::size_t n = lines.size();
  for (std::size_t p = 0; p < n;) {
    const std::string_view line = lines[p];
    if (HasEepromMark(line)) eepromPresent = true;
    if (HasMark(line, kConfigMark)) {
      job.configFound = true;
      for (++p; p < n && !EndsConfigSection(lines[p]); ++p)
        configCount += StoreRecord(lines[p], buffer.data(), buffer.size());
      continue;
    }
    if (HasMark(line, kIdMark)) {
      for (++p; p < n && !EndsIdSection(lines[p]); ++p)
        job.idCount += StoreRecord(lines[p], job.id.data(), job.id.size());
      continue;
    }
    kept.push_back(line);
    ++p;
  }
  if (job.configFound) {
    job.configShort = configCount <= 7;
    job.device.FuseCount = configCount;
  }

  if (!eepromPresent) {
    Save(job, piece::kFlash, kept);
    job.dataFileName.clear();
  } else {
    Split s = SplitEeprom(kept);
    Save(job, piece::kFlash, s.flash);
    Save(job, piece::kEeprom, s.eeprom);
    job.dataFileName = piece::kEeprom;
    // Preserve Data Memory: the slot carries an empty data part.
    if (options.dataSave) Save(job, piece::kEeprom, std::vector<std::string_view>{kEndRecord});
  }

  if (job.configFound) {
    std::copy_n(buffer.begin(), 8, job.config.begin());
    if (job.configShort)
      job.protection.fill(0xFF);
    else
      std::copy_n(buffer.begin() + 8, kProtectionByteCount, job.protection.begin());
  }
}

}  // namespace

void BuildPic18(SlotJob& job, const BuildOptions& options) {
  if (auto refusal = CheckDeviceLimits(job.device, devices::fam_PIC18F)) throw EBuildRefused(*refusal);
  try {
    Run(job, options);
  } catch (const EBuildRefused&) {
    throw;
  } catch (const std::exception& e) {
    // The reason (a missing file, a folder, a device) follows the usual text.
    throw EBuildRefused("Error opening file or bad data \r" + job.userFile + "\r" + e.what());
  }
}

}  // namespace velmar::image
