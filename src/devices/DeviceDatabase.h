// The device database DEVICES.INI: one section per device, named as the user
// sees the device. This file knows the family each section name belongs to,
// the keys read for a selected device (with the defaults of the device
// change and the slightly different ones of New and Replace), the reverse
// look-up by device identifier, and the family list that a programmer kind
// offers.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "devices/TData.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::devices {

// The family list texts of codes 0 to 5.
const std::string& FamilyEntryText(int code);

// True when a section of that name is listed under family `code` (letter
// case as written: a lower-case "k" is no "K").
bool InFamily(const std::string& sectionName, int code);

// Raised when the device file a family list is built from is missing.
class EDeviceFileMissing : public platform::EVelmarError {
 public:
  using EVelmarError::EVelmarError;
};

// Which defaults apply to missing keys: those of the device change, or those
// of the re-read that New and Replace make for the image builders (`EraseCMD`
// "8080", `FuseCount` 14, and `ProgTime`/`EraseTime` read as well).
enum class DeviceRead { Selection, Job };

// Reads the keys of section `deviceName` into `data` (absent keys, and a
// name without a section, take their defaults). `DeviceName` is left alone.
void ReadDevice(const platform::IniFile& ini, const std::string& deviceName, TData& data,
                DeviceRead mode = DeviceRead::Selection);

// The device file of a program folder.
std::string DeviceFilePath(const std::string& programFolder);

// The device file of a program folder as read: once per process, and again
// only when the file on disk changes (its size, time or identity). A missing
// file reads as one without sections (Exists() is false). Safe to call from
// any thread.
std::shared_ptr<const platform::IniFile> DeviceFile(const std::string& programFolder);

// Section names of family `code`, in file order.
std::vector<std::string> DevicesOfFamily(const platform::IniFile& ini, int code);

// The first section (file order) whose `DeviceID` (default "FFFF") equals
// `id` exactly, or "" when none does or the file cannot be read.
std::string FindDeviceByID(const std::string& programFolder, const std::string& id);

// The family list offered to programmer `kind`: "PIC18F", "PIC12F-16F" and
// "PIC18J" always; unless the earlier single-way programmer runs without
// `konOld`, "PIC18 K " when any section name holds a "K", and on the version
// 2 programmers "PIC24F" and "dsPIC30" when such sections exist (each only
// directly after the one before). Throws EDeviceFileMissing when the device
// file is needed and missing.
std::vector<std::string> FamilyListForKind(slot::ProgrammerKind kind, bool konOld, const std::string& programFolder);

}  // namespace velmar::devices
