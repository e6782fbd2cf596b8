// DEVICES.INI: family membership, device keys, reverse look-up and the
// family list of a programmer kind.
#include "devices/DeviceDatabase.h"

#include <climits>
#include <map>
#include <mutex>

#include "platform/FileStamp.h"
#include "platform/Text.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::devices {

using platform::IniFile;
using text::Contains;

const std::string& FamilyEntryText(int code) {
  static const std::string texts[] = {"PIC18F", "PIC12F-16F", "PIC18J", "PIC18 K ", "PIC24F", "dsPIC30"};
  static const std::string none;
  return code >= 0 && code < 6 ? texts[code] : none;
}

bool InFamily(const std::string& n, int code) {
  switch (code) {
    case fam_PIC18F: return Contains(n, "PIC18") && !Contains(n, "J") && !Contains(n, "K");
    case fam_PIC12F16F: return Contains(n, "PIC16") || Contains(n, "PIC12");
    case fam_PIC18J: return Contains(n, "PIC18") && Contains(n, "J");
    case fam_PIC18K: return Contains(n, "K") && Contains(n, "PIC18");
    case fam_PIC24F: return Contains(n, "PIC24");
    case fam_dsPIC30: return Contains(n, "dsPIC30");
    case fam_PSD: return Contains(n, "PSD");
    default: return false;
  }
}

namespace {

int ReadInt(const IniFile& ini, const std::string& s, const std::string& k, int def) {
  long long v = ini.ReadInteger(s, k, def);
  return v < INT_MIN || v > INT_MAX ? def : int(v);
}

}  // namespace

void ReadDevice(const IniFile& ini, const std::string& s, TData& d, DeviceRead mode) {
  const bool job = mode == DeviceRead::Job;
  d.Fuses = ini.ReadString(s, "Fuses", "");
  d.Lockbits = ini.ReadString(s, "Lockbits", "");
  d.FDefs = ini.ReadString(s, "FDefs", "");
  d.DeviceID = ini.ReadString(s, "DeviceID", "FFFF");
  d.LDefault = ini.ReadString(s, "LDefault", "");
  d.EEPROMSIZE = ReadInt(ini, s, "EEPROMSIZE", 0);
  d.FlashSize = ReadInt(ini, s, "FlashSize", 0);
  d.BlockSize = ReadInt(ini, s, "BlockSize", 8192);
  d.BufferSize = ReadInt(ini, s, "BufferSize", 8);
  d.EraseCMD = ini.ReadString(s, "EraseCMD", job ? "8080" : "8000");
  d.Type = ini.ReadString(s, "Type", "A");
  d.EraseBlocks = ReadInt(ini, s, "EraseBlocks", 4);
  d.Column = ReadInt(ini, s, "Column", 0);
  if (job) {
    d.ProgTime = ReadInt(ini, s, "ProgTime", 10);
    d.EraseTime = ReadInt(ini, s, "EraseTime", 50);
  }
  d.noLVP = ini.ReadBool(s, "noLVP", false);
  d.DAset = ini.ReadBool(s, " DAset", false);
  d.FuseCount = ReadInt(ini, s, "FuseCount", job ? 14 : 2);
  d.is3Vonly = ini.ReadBool(s, "is3Vonly", false);
  d.ID14Bit = ini.ReadBool(s, "14bitID", false);
  d.RowSize = ReadInt(ini, s, "RowSize", 1);
}

std::string DeviceFilePath(const std::string& programFolder) { return programFolder + "DEVICES.INI"; }

std::shared_ptr<const IniFile> DeviceFile(const std::string& programFolder) {
  struct Entry {
    platform::FileStamp stamp;
    std::shared_ptr<const IniFile> file;
  };
  static std::mutex mutex;
  static std::map<std::string, Entry> cache;

  const std::string path = DeviceFilePath(programFolder);
  const platform::FileStamp now = platform::StampOf(path);
  std::lock_guard<std::mutex> lock(mutex);
  Entry& e = cache[path];
  if (!e.file || !(e.stamp == now)) {
    e.file = std::make_shared<const IniFile>(path);
    e.stamp = now;
  }
  return e.file;
}

std::vector<std::string> DevicesOfFamily(const IniFile& ini, int code) {
  std::vector<std::string> r;
  for (const std::string& s : ini.Sections())
    if (InFamily(s, code)) r.push_back(s);
  return r;
}

std::string FindDeviceByID(const std::string& programFolder, const std::string& id) {
  const auto file = DeviceFile(programFolder);
  const IniFile& ini = *file;
  for (const std::string& s : ini.Sections())
    if (ini.ReadString(s, "DeviceID", "FFFF") == id) return s;
  return {};
}

std::vector<std::string> FamilyListForKind(slot::ProgrammerKind kind, bool konOld, const std::string& programFolder) {
  std::vector<std::string> list = {FamilyEntryText(fam_PIC18F), FamilyEntryText(fam_PIC12F16F),
                                   FamilyEntryText(fam_PIC18J)};
  const slot::KindInfo& row = slot::KindRow(kind);
  if (row.earlyFamiliesOnly && !konOld) return list;
  const auto file = DeviceFile(programFolder);
  const IniFile& ini = *file;
  if (!ini.Exists()) throw EDeviceFileMissing("Error Opening Device File - " + DeviceFilePath(programFolder));
  auto anyHolds = [&](const char* part) {
    for (const std::string& s : ini.Sections())
      if (Contains(s, part)) return true;
    return false;
  };
  if (anyHolds("K")) list.push_back(FamilyEntryText(fam_PIC18K));
  if (row.firmware == slot::FirmwareLine::picOrPic24) {  // the PIC24 firmware programs them
    if (list.size() == 4 && anyHolds("PIC24F")) list.push_back(FamilyEntryText(fam_PIC24F));
    if (list.size() == 5 && anyHolds("dsPIC30")) list.push_back(FamilyEntryText(fam_dsPIC30));
  }
  return list;
}

}  // namespace velmar::devices
