// The PIC12F-16F family builder.
#include "image/Pic16Builder.h"

#include <algorithm>
#include <vector>

#include "devices/Algorithm.h"
#include "devices/DeviceDatabase.h"
#include "image/BuildQuestions.h"
#include "image/DeviceLimits.h"
#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "image/UserFileCheck.h"
#include "platform/Text.h"

namespace velmar::image {

namespace {

constexpr const char* kFormatTitle = "File Format Warning";

void SaveOrThrow(const SlotJob& job, const char* name, const THexList& image) {
  const SaveResult saved = SavePiece(job, name, image);
  if (saved.Failed()) throw EImageError(saved.message);
}

// The program words 0 .. FlashSize/2 - 1, blank words as 0x3FFF.
THexList ProgramImage(const THexList& file, std::uint32_t flashSize) {
  THexList b(flashSize);
  b.CopyFrom(file, 0, 0, flashSize);
  std::uint8_t* v = b.DataAt(0);
  for (std::uint32_t w = flashSize / 2; w-- > 0;)
    if (v[2 * w] == 0xFF && v[2 * w + 1] == 0xFF) v[2 * w + 1] = 0x3F;
  return b;
}

// Baseline parts: the names holding "16F5", and every part a baseline
// algorithm programs (PIC12F509/510 carry no "16F5").
bool Baseline(const devices::TData& d) {
  return text::Contains(d.DeviceName, "16F5") || devices::BaselineAlgorithm(d.Column);
}

bool DataBeyondDevice(const THexList& file, std::uint32_t flashSize) {
  if (flashSize > 0x3FFF) return false;
  std::vector<std::uint8_t> beyond(0x4000 - flashSize);
  file.Read(flashSize, beyond.data(), beyond.size());
  return std::any_of(beyond.begin(), beyond.end(), [](std::uint8_t b) { return b != 0xFF; });
}

void BuildEeprom(SlotJob& job, const BuildOptions& options, const THexList& file) {
  const devices::TData& d = job.device;
  if (d.EEPROMSIZE < 1) {
    job.dataFileName.clear();
    return;
  }
  const std::uint32_t start = devices::EnhancedMidrangeMap(d.Column) ? 0x1E000 : 0x4200;
  THexList e(std::uint32_t(d.EEPROMSIZE));
  bool any = false;
  for (std::uint32_t i = 0; i < std::uint32_t(d.EEPROMSIZE); ++i) {
    const std::uint8_t value = file.GetValue(start + 2 * i);  // the high byte of each word is ignored
    e.SetValue(i, value);
    any = any || value != 0xFF;
  }
  if (any) {
    SaveOrThrow(job, piece::kEeprom, e);
    job.dataFileName = piece::kEeprom;
  } else {
    job.dataFileName.clear();
  }
  if (options.dataSave) {
    job.dataFileName = piece::kEeprom;
    e.SetValue(0, 0xAA);
    SaveOrThrow(job, piece::kEeprom, e);
  }
}

void TakeConfiguration(SlotJob& job, const THexList& file) {
  const devices::TData& d = job.device;
  if (Baseline(d)) {
    job.config[0] = file.GetValue(0x1FFE);
    for (std::uint32_t i = 0; i < 4; ++i) job.id[i] = file.GetValue(0x1000 + 2 * i);
    return;
  }
  const std::uint32_t base = devices::EnhancedMidrangeMap(d.Column) ? 0x10000 : 0x4000;
  job.id.fill(0xFF);
  for (std::uint32_t i = 0; i < 8; ++i) job.id[i] = file.GetValue(base + i);
  for (std::uint32_t k = 0; k < 10; ++k) {
    std::uint8_t value = file.GetValue(base + 14 + k);
    if (k == 3 || k == 5 || k == 7 || k == 9) value &= 0x3F;  // high bytes of words 2 to 5
    job.config[k] = value;
  }
}

}  // namespace

bool BuildPic16(SlotJob& job, const BuildOptions& options, BuildQuestions& dialogs) {
  const devices::TData& d = job.device;
  if (auto refusal = CheckDeviceLimits(d, devices::fam_PIC12F16F)) {
    dialogs.ShowError(*refusal, "Error");
    return false;
  }
  THexList file(kPic16FileImage);
  try {
    const LoadResult loaded = TFileLoader::LoadFile(job.userFile, file);
    if (std::optional<std::string> fault = LoadFaultDetail(job.userFile, loaded)) {  // an empty file is no program
      dialogs.ShowWarning("Error in Hex file - bad format for PIC16 Devices\rQuitting\r" + *fault, kFormatTitle);
      return false;
    }
  } catch (const std::exception& e) {
    dialogs.ShowError(e.what(), "File Load Error");
    return false;
  }

  try {
    const std::uint32_t flashSize = std::uint32_t(d.FlashSize);
    THexList program = ProgramImage(file, flashSize);
    if (!Baseline(d) && flashSize < 0x3FFF && DataBeyondDevice(file, flashSize)) {
      dialogs.ShowWarning("Code size is greater than Device code size\rQuitting", "File Size Warning");
      return false;
    }
    SaveOrThrow(job, piece::kFlash, program);
    BuildEeprom(job, options, file);
    TakeConfiguration(job, file);
    return true;
  } catch (const std::exception& e) {
    dialogs.ShowError(e.what(), "Error");
    return false;
  }
}

}  // namespace velmar::image
