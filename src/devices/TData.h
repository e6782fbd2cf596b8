// TData: the option and device record, one instance for the whole run. It
// holds the selected device's DEVICES.INI parameters, the family code, the
// option flags kept in step with the main window's controls, the erase code,
// the firmware the selected family needs and the firmware the programmer
// runs, and the firmware file paths and versions read from progsetting.ini.
// Plain data: the rules and operations that set each field say so.
#pragma once

#include <cstdint>
#include <string>

namespace velmar::devices {

// Family codes: the position of the entry in the window's family list.
enum FamilyCode : int {
  fam_PIC18F = 0,
  fam_PIC12F16F = 1,
  fam_PIC18J = 2,
  fam_PIC18K = 3,
  fam_PIC24F = 4,
  fam_dsPIC30 = 5,
  fam_PSD = 6,  // never offered in the family list
};
constexpr int kFamilyCodes = 7;

// Firmware codes (required and loaded firmware).
enum Firmware : int { fw_none = -1, fw_pic = 0, fw_pic24 = 1, fw_portable = 3 };

struct TData {
  // The selected device (DEVICES.INI section and its keys).
  std::string DeviceName;
  std::string Fuses;
  std::string Lockbits;
  std::string FDefs;
  std::string DeviceID = "FFFF";
  std::string LDefault;
  int EEPROMSIZE = 0;
  int FlashSize = 0;
  // Read as written in DEVICES.INI; the builders check that they fit the
  // header's 16-bit and 8-bit fields before a slot is built.
  int BlockSize = 8192;
  int BufferSize = 8;
  std::string EraseCMD = "8000";
  std::string Type = "A";
  int EraseBlocks = 4;
  int Column = 0;
  bool noLVP = false;
  bool DAset = false;
  int FuseCount = 2;
  bool is3Vonly = false;
  bool ID14Bit = false;  // key "14bitID"
  int RowSize = 1;
  int ProgTime = 10;   // read only by New and Replace
  int EraseTime = 50;  // read only by New and Replace

  // Set by the image builders when the user's file held configuration data;
  // cleared at every device change.
  bool ConfigDataFound = false;

  // Family code (a FamilyCode: 0 PIC18F, 1 PIC12F-16F, 2 PIC18J, 3 PIC18 K,
  // 4 PIC24F, 5 dsPIC30).
  int Family = fam_PIC18F;

  // Option flags kept in step with the window's controls.
  bool LowVoltageMode = false;
  bool BulkEraseOn = false;
  bool MatchID = false;
  bool ProgramUserID = false;
  bool VerifyConfigOn = false;

  // Erase selection code from the erase options dialog.
  std::uint8_t EraseFlag = 0;

  // Firmware the selected family needs, and what the programmer runs.
  int RequiredFirmware = fw_pic;
  int LoadedFirmware = fw_none;

  // From progsetting.ini, section "AppSetting" (read at every Identify).
  std::string FirmwareQRX = "FirmWare\\qrxpicusb.upd";
  std::string FirmwareQRX24 = "FirmWare\\qrxpic24.upd";
  std::string FirmwareQRXPrima = "FirmWare\\primafw.upd";
  std::string HardwareVersion = "02";  // "HVERQRX"

  // The user's hex file, full path.
  std::string FlashFile;
};

}  // namespace velmar::devices
