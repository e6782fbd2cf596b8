// The values one New or Replace passes from step to step while it turns the
// user's file into a slot: the device values re-read for the job (the
// builders may adjust `FuseCount`, `Fuses` and `EraseCMD`), the
// configuration, protection and ID bytes taken from the file, the flags the
// family builders set for the later steps, and a snapshot of the window's
// options that the builders read. Plain data, so every builder can be run
// and tested without a window.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "devices/TData.h"
#include "image/SaveResult.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::image {

class THexList;

// The intermediate files in the working folder.
namespace piece {
inline constexpr const char* kFlash = "kf_flash.hex";
inline constexpr const char* kEeprom = "kf_eeprom.hex";
inline constexpr const char* kE2 = "kf_e2.hex";
inline constexpr const char* kFuses = "kf_fuses.hex";
inline constexpr const char* kOtp = "kf_otp.hex";
inline constexpr const char* kHeader = "kf_header.hex";
inline constexpr const char* kFlashTest = "kf_flashtest.hex";
}  // namespace piece

constexpr std::size_t kConfigByteCount = 14;  // room in the header's ConfigBytes
constexpr std::size_t kProtectionByteCount = 6;
constexpr std::size_t kIdByteCount = 16;

// The window's options as the builders read them, captured once the option
// handlers have settled the flags.
struct BuildOptions {
  int familyIndex = 0;         // selected entry of the family box
  bool matchDeviceId = false;  // `MatchID`
  int progMode = 1;            // `progMode` entry: 0 low voltage, 1 high voltage
  bool programUserId = false;  // `ProgramUserID` (box enabled and checked)
  bool bulkErase = false;      // `BulkEraseOn`
  bool verifyConfig = false;   // `VerifyConfigOn` (box enabled and checked)
  bool dataSave = false;       // `DataSave` checked (and enabled)
  bool dataSaveEnabled = false;
  bool bootSave = false;
  bool unusedFuses = false;
  bool vddVisible = false;  // `VDD_Voltage` shown
  bool vddChecked = false;  // `VDD_Voltage` checked (3.3 V supply)
  bool progModeVisible = true;
  int programOps = 0;  // `ProgramOps` entry
  bool limitPrograms = false;
  int progCount = 0;    // `ProgCount`
  int errorRepeat = 0;  // `errorRepeatCount`
  // setting.ini switches.
  bool e2SkipFF = false;
  bool resetPulse = false;
  bool vdd1st = true;
  bool ppLedOn = false;
  slot::ProgrammerKind programmerKind = slot::kind_single;
};

struct SlotJob {
  devices::TData device;      // the device values the builders use
  std::string userFile;       // full path of the user's hex file
  std::string workingFolder;  // ends with a separator

  std::array<std::uint8_t, kConfigByteCount> config{};
  std::array<std::uint8_t, kProtectionByteCount> protection{};
  std::array<std::uint8_t, kIdByteCount> id{};
  bool configFound = false;
  bool configShort = false;
  int idCount = 0;
  std::string dataFileName;  // "kf_eeprom.hex" when the job has data memory
  bool auxiliary = false;    // kf_otp.hex holds data

  SlotJob() { Reset(); }
  // Every byte 0xFF, every flag clear.
  void Reset();
  std::string PiecePath(std::string_view name) const { return workingFolder + std::string(name); }
};

// ANDs the hexadecimal pairs of `mask` into the first `count` configuration
// bytes when `count` is 7 or more, else into the protection bytes; a missing
// pair counts as 0xFF. Throws std::invalid_argument for a pair that is not
// hexadecimal, naming `what` (the mask's DEVICES.INI key) when given.
void ApplyMask(SlotJob& job, std::string_view mask, int count, std::string_view what = {});

// Saves an image as one of the job's pieces; a failed result says why.
SaveResult SavePiece(const SlotJob& job, std::string_view name, const THexList& image);

}  // namespace velmar::image
