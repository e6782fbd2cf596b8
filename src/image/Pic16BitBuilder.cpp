// The dsPIC30, PIC24 FJ and PIC24F family builders.
#include "image/Pic16BitBuilder.h"

#include <algorithm>

#include "devices/DeviceDatabase.h"
#include "image/BuildQuestions.h"
#include "image/DeviceLimits.h"
#include "image/HeaderBuilders.h"
#include "image/HexLines.h"
#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "image/UserFileCheck.h"

namespace velmar::image {

namespace {

constexpr const char* kFormatTitle = "File Format Warning";
constexpr const char* kBadDsPic30 = "Error in Hex file - bad format for dsPIC30 Devices\rQuitting";
constexpr const char* kBadPic24 = "Error in Hex file - bad format for PIC24 Devices\rQuitting";
constexpr const char* kBadPic24F = "Error in Hex file - bad format for PIC24F Devices\rQuitting";
constexpr const char* kNoConfigDsPic30 =
    "Error in Hex file - no Configuration Register Data for dsPIC30 Devices\rQuitting";

// A failure that has a message of its own for the user.
struct Refusal {
  std::string message;
};

void Save(const SlotJob& job, const char* name, const std::vector<std::string>& lines) {
  const SaveResult saved = SaveHexLines(job.PiecePath(name), lines, platform::Durability::scratch);
  if (saved.Failed()) throw EImageError(saved.message);
}

void Save(const SlotJob& job, const char* name, const THexList& image) {
  const SaveResult saved = SavePiece(job, name, image);
  if (saved.Failed()) throw EImageError(saved.message);
}

void Load(const SlotJob& job, const char* name, THexList& image, const char* badFormat) {
  if (TFileLoader::LoadFile(job.PiecePath(name), image).Failed()) throw Refusal{badFormat};
}

SectionSplit Split(const SlotJob& job, std::initializer_list<Space> spaces, const char* badFormat) {
  std::optional<std::string> fault;
  try {
    fault = CheckUserFile(job.userFile);
  } catch (const std::exception&) {
    throw Refusal{badFormat};
  }
  if (fault) throw Refusal{std::string(badFormat) + "\r" + *fault};
  try {
    std::vector<std::string> lines = ReadHexLines(job.userFile);
    if (lines.empty()) throw Refusal{badFormat};  // an empty file is no program
    return SplitSections(std::move(lines), spaces);
  } catch (const std::exception&) {
    throw Refusal{badFormat};
  }
}

// The user's program, the lines left after the split, packed to FlashSize /
// 3 instructions (they are loaded straight from memory: the unpacked program
// would only be written to kf_flash.hex to be read back at once). Program
// data beyond the device's memory would be cut off, so the user is asked
// first. False when the user declines.
bool PackProgram(const SlotJob& job, const std::vector<std::string>& program, std::uint32_t fileImageSize,
                 const char* badFormat, BuildQuestions& dialogs, THexList& packed) {
  const std::uint32_t instructions = std::uint32_t(job.device.FlashSize) / 3;
  THexList file(std::max(fileImageSize, 4 * instructions));
  if (TFileLoader::LoadLines(program, file).Failed()) throw Refusal{badFormat};
  if (HoldsDataFrom(file, 4 * instructions) &&
      !dialogs.AskYesNo("Code Size is larger than device size - Continue?", "File Size Warning"))
    return false;
  packed.SetSize(std::uint32_t(job.device.FlashSize));
  PackInstructions(file, packed, instructions);
  return true;
}

// Program addresses of the data EEPROM end at 0x7FFFFF, so its first word
// lies 2 x EEPROMSIZE file bytes below the end of its 64 KiB segment.
std::uint32_t EepromStart(const devices::TData& d) { return 0x10000u - 2u * std::uint32_t(d.EEPROMSIZE); }

// Two bytes of every four from the EEPROM segment, one byte per EEPROM byte.
void SaveEeprom(SlotJob& job, const char* source, const char* badFormat) {
  const devices::TData& d = job.device;
  THexList file(0x10000);
  Load(job, source, file, badFormat);
  THexList e(std::uint32_t(d.EEPROMSIZE + 1) & ~1u);
  const std::uint32_t start = EepromStart(d);
  for (std::uint32_t k = 0; 2 * k < std::uint32_t(d.EEPROMSIZE); ++k) {
    e.SetValue(2 * k, file.GetValue(start + 4 * k));
    e.SetValue(2 * k + 1, file.GetValue(start + 4 * k + 1));
  }
  Save(job, piece::kEeprom, e);
  job.dataFileName = piece::kEeprom;
}

// The auxiliary area: BufferSize instructions packed from kf_otp.hex.
void PackAuxiliary(SlotJob& job) {
  const std::uint32_t instructions = job.device.BufferSize;
  THexList file(instructions * 4);
  THexList packed(instructions * 3);
  Load(job, piece::kOtp, file, kBadPic24);
  PackInstructions(file, packed, instructions);
  Save(job, piece::kOtp, packed);
  job.auxiliary = packed.LastUsed() >= 0;
}

void SaveSections(SlotJob& job, const SectionSplit& s, const char* eepromName) {
  if (s.hasEeprom) Save(job, eepromName, s.eeprom);
  if (s.hasConfig) Save(job, piece::kFuses, s.config);
  if (s.hasAux) {
    Save(job, piece::kOtp, s.aux);
    job.auxiliary = true;
  }
}

// Runs a builder body: refusals show their message, other failures their
// own text; conversion errors of the device's texts end the build.
template <typename Body>
bool Guard(const SlotJob& job, int family, BuildQuestions& dialogs, Body body) {
  if (auto refusal = CheckDeviceLimits(job.device, family)) {
    dialogs.ShowError(*refusal, "Error");
    return false;
  }
  try {
    return body();
  } catch (const Refusal& r) {
    dialogs.ShowWarning(r.message, kFormatTitle);
    return false;
  } catch (const std::invalid_argument&) {
    throw;
  } catch (const std::exception& e) {
    dialogs.ShowError(e.what(), "Error");
    return false;
  }
}

}  // namespace

bool BuildDsPic30(SlotJob& job, const BuildOptions&, BuildQuestions& dialogs) {
  return Guard(job, devices::fam_dsPIC30, dialogs, [&] {
    const SectionSplit s = Split(job, {Space::Eeprom, Space::Config, Space::Aux}, kBadDsPic30);
    SaveSections(job, s, piece::kEeprom);
    if (s.hasEeprom) job.dataFileName = piece::kEeprom;

    THexList packed;
    if (!PackProgram(job, s.program, kPic16BitFileImage, kBadDsPic30, dialogs, packed)) return false;
    Save(job, piece::kFlash, packed);

    if (s.hasEeprom) SaveEeprom(job, piece::kEeprom, kBadDsPic30);
    if (s.hasConfig) {
      THexList fuses(kPic16BitFileImage);
      Load(job, piece::kFuses, fuses, kNoConfigDsPic30);
      for (std::uint32_t k = 0; 2 * k < std::uint32_t(job.device.FuseCount); ++k) {
        job.config[2 * k] = fuses.GetValue(4 * k);
        if (2 * k + 1 < job.config.size()) job.config[2 * k + 1] = fuses.GetValue(4 * k + 1);
      }
      job.configFound = true;
    }
    if (job.auxiliary) PackAuxiliary(job);
    return true;
  });
}

bool BuildPic24FJ(SlotJob& job, const BuildOptions&, BuildQuestions& dialogs) {
  return Guard(job, devices::fam_PIC24F, dialogs, [&] {
    const SectionSplit s = Split(job, {Space::Aux}, kBadPic24);
    SaveSections(job, s, piece::kEeprom);

    THexList packed;
    if (!PackProgram(job, s.program, kPic16BitFileImage, kBadPic24, dialogs, packed)) return false;
    // The configuration words are the last FuseCount instructions: masked
    // with the device's Fuses, upper byte 0x00.
    const std::uint32_t words = std::uint32_t(job.device.FuseCount);
    const std::vector<std::uint8_t> mask = HexTextBytes(job.device.Fuses, 2 * words, DeviceKey(job.device, "Fuses"));
    std::copy(mask.begin(), mask.end(), job.config.begin());
    const std::uint32_t s0 = std::uint32_t(job.device.FlashSize) - 3 * words;
    for (std::uint32_t k = 0; k < words; ++k) {
      packed.SetValue(s0 + 3 * k, packed.GetValue(s0 + 3 * k) & job.config[2 * k]);
      packed.SetValue(s0 + 3 * k + 1, packed.GetValue(s0 + 3 * k + 1) & job.config[2 * k + 1]);
      packed.SetValue(s0 + 3 * k + 2, 0x00);
    }
    Save(job, piece::kFlash, packed);
    job.configFound = true;
    if (job.auxiliary) PackAuxiliary(job);
    return true;
  });
}

bool BuildPic24F(SlotJob& job, const BuildOptions& options, BuildQuestions& dialogs) {
  return Guard(job, devices::fam_PIC24F, dialogs, [&] {
    const SectionSplit s = Split(job, {Space::Eeprom, Space::Config}, kBadPic24F);
    SaveSections(job, s, piece::kE2);

    THexList packed;
    if (!PackProgram(job, s.program, 0x10000, kBadPic24F, dialogs, packed)) return false;
    Save(job, piece::kFlash, packed);

    if (s.hasEeprom) {
      SaveEeprom(job, piece::kE2, kBadPic24F);
      if (options.dataSave) {
        THexList preserved(std::uint32_t(job.device.EEPROMSIZE));
        if (preserved.Count() > 0) preserved.SetValue(0, 0xAA);
        Save(job, piece::kEeprom, preserved);
      }
    }
    if (s.hasConfig) {
      THexList fuses(100);
      Load(job, piece::kFuses, fuses, kBadPic24F);
      for (std::uint32_t i = 0; i < std::uint32_t(job.device.FuseCount); ++i) job.config[i] = fuses.GetValue(4 * i);
      job.config[1] = 0x00;
      job.configFound = true;
    }
    return true;
  });
}

}  // namespace velmar::image
