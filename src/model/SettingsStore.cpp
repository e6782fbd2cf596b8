// Reading and writing setting.ini, the profiles and the version texts.
// Stored values that no control can hold (an index beyond a list, a number
// beyond a box's range) fall back to the key's default or the box's limit,
// and a stored mode or program option never undoes what the device rules
// have locked.
#include "model/SettingsStore.h"

#include <algorithm>
#include <climits>
#include <filesystem>

#include "devices/DeviceDatabase.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace velmar::model {

using platform::IniFile;

namespace {

const char* const kSettings = "ProgSettings";
const char* const kSettingsUserId = "Progsettings";  // progUserId's own spelling
const char* const kRecentSection = "RecentFiles";
const char* const kProfile = "Progprofile";
const char* const kFileFilterProfiles = "PRJ|*.prj|All Files|*.*";

// The remembered-device keys, with the family code each one feeds. The
// position keys are what earlier versions stored; the name keys beside them
// keep the same device selected when a newer device list has moved it.
struct DeviceKey {
  const char* key;
  const char* nameKey;
  int family;
};
const DeviceKey kDeviceKeys[] = {
    {"16FDevice", "16FDeviceName", devices::fam_PIC12F16F}, {"18FDevice", "18FDeviceName", devices::fam_PIC18F},
    {"JDevice", "JDeviceName", devices::fam_PIC18J},        {"KDevice", "KDeviceName", devices::fam_PIC18K},
    {"PSDDevice", "PSDDeviceName", devices::fam_PSD},       {"24Device", "24DeviceName", devices::fam_PIC24F},
    {"ds30Device", "ds30DeviceName", devices::fam_dsPIC30}};

int ReadInt(const IniFile& ini, const char* section, const char* key, int def) {
  long long v = ini.ReadInteger(section, key, def);
  return v < INT_MIN || v > INT_MAX ? def : int(v);
}

// An entry index for a list of `count` entries; `def` when outside it.
int IndexOr(int value, int count, int def) { return value >= 0 && value < count ? value : def; }

// A stored programming mode, applied after the device rules: where they have
// locked the mode (the device cannot be programmed at low voltage) it stays
// on High Voltage Programming, since the slot would otherwise be built for a
// low-voltage entry the device does not have.
void SetStoredMode(ControlStore& s, int mode) { s.SetItemIndex(Ctl::progMode, s.Enabled(Ctl::progMode) ? mode : 1); }

// Stored program options, likewise: a device without data memory has them
// disabled on Program All, and Program Data Only would leave it unprogrammed.
void SetStoredProgramOps(ControlStore& s, int ops) {
  s.SetItemIndex(Ctl::ProgramOps, s.Enabled(Ctl::ProgramOps) ? ops : 0);
}

}  // namespace

std::string PositionChoiceText(const PositionChoice& c) {
  const std::string family = text::Trim(devices::FamilyEntryText(c.family));
  const std::string why = c.storedName.empty() ? " stores no " + family + " device name"
                                               : " names " + c.storedName + ", which the " + family + " list lacks";
  return c.file + why + ": its position " + std::to_string(c.position) + " (" + c.key + ") selected " + c.device +
         "; check the device";
}

link::LinkPacing StoredLinkPacing(const IniFile& ini) {
  return link::ParsePacing(ini.ReadString(kSettings, "LinkPacing", "")).value_or(link::LinkPacing::exact);
}

SettingsStore::SettingsStore(ControlStore& controls, platform::Dialogs& dialogs, SettingsState state,
                             FamilyRules& rules, DeviceSelection& devices)
    : controls_(controls), dialogs_(dialogs), state_(state), rules_(rules), devices_(devices) {}

void SettingsStore::SettleStoredDevice(const std::string& file, const std::string& key, int family, int position,
                                       const std::string& storedName) {
  positionChoices_.erase(std::remove_if(positionChoices_.begin(), positionChoices_.end(),
                                        [family](const PositionChoice& c) { return c.family == family; }),
                         positionChoices_.end());
  const std::vector<std::string> listed = devices_.DeviceNames(family);
  if (listed.empty() || std::find(listed.begin(), listed.end(), storedName) != listed.end()) return;
  const std::string& device = listed[std::size_t(RememberedEntry(listed, position, ""))];
  state_.lastDeviceName[std::size_t(family)] = device;
  positionChoices_.push_back({file, key, family, position, storedName, device});
}

std::string SettingsStore::RememberedName(int family) const {
  const std::string& name = state_.lastDeviceName[std::size_t(family)];
  if (!name.empty()) return name;
  const std::vector<std::string> listed = devices_.DeviceNames(family);
  return listed.empty() ? ""
                        : listed[std::size_t(RememberedEntry(listed, state_.lastDeviceIndex[std::size_t(family)], ""))];
}

std::string SettingsStore::SettingsPath() const { return state_.folders.working + "setting.ini"; }

void SettingsStore::SetFlashFile(const std::string& path) {
  state_.data.FlashFile = path;
  std::string folder = platform::ExtractFilePath(path);
  if (!folder.empty()) state_.lastFolder = folder;
  controls_.SetText(Ctl::fileName, platform::ExtractFileName(path));
}

VersionTexts SettingsStore::ReadVersionTexts() const {
  IniFile ini(state_.folders.program + "progsetting.ini");
  return {ini.ReadString("AppSetting", "PCQRX", ""), ini.ReadString("AppSetting", "PCPRIMA", "")};
}

void SettingsStore::LoadSettings() {
  IniFile ini(SettingsPath());
  ControlStore& s = controls_;
  positionChoices_.clear();
  if (!ini.Exists()) {
    state_.lastDeviceIndex.fill(0);
    state_.lastDeviceName.fill("");
    s.SetItemIndex(Ctl::family, 0);
    // The family change fills the device list (empty until a family change
    // has run) and then runs the device change on its first entry.
    rules_.familyClick();
    state_.data.FlashFile.clear();
    storedFlashFile_.clear();
    state_.lastFolder = state_.folders.program;
    s.SetText(Ctl::fileName, "");
  } else {
    for (const DeviceKey& k : kDeviceKeys) {
      const int position = ReadInt(ini, kSettings, k.key, 0);
      const std::string name = ini.ReadString(kSettings, k.nameKey, "");
      state_.lastDeviceIndex[std::size_t(k.family)] = position;
      state_.lastDeviceName[std::size_t(k.family)] = name;
      if (ini.ValueExists(kSettings, k.key)) SettleStoredDevice("setting.ini", k.key, k.family, position, name);
    }
    int familyCount = int(s.Items(Ctl::family).size());
    int family = IndexOr(ReadInt(ini, kSettings, "PICFamily", 0), familyCount, 0);
    s.SetItemIndex(Ctl::family, family);
    s.SetItemIndex(Ctl::deviceList, state_.lastDeviceIndex[std::size_t(family)]);
    if (s.ItemIndex(Ctl::deviceList) < 0) s.SetItemIndex(Ctl::deviceList, 0);
    rules_.familyClick();
    // A stored path whose folder is gone (or was never one: earlier
    // versions stored a typed full path behind the last folder) is shown,
    // but the next choice does not start in its folder.
    storedFlashFile_ = ini.ReadString(kSettings, "FlashFile", "");
    const std::string lastFolder = state_.lastFolder;
    SetFlashFile(storedFlashFile_);
    std::error_code ec;
    if (!std::filesystem::is_directory(platform::PathOf(state_.lastFolder), ec)) state_.lastFolder = lastFolder;
  }
  ApplySettingsIniValues(ini, ini.Exists());
  state_.recentFiles.clear();
  for (std::size_t i = 0; i < kRecentFiles; ++i) {
    const std::string file = ini.ReadString(kRecentSection, "File" + std::to_string(i + 1), "");
    if (!file.empty()) state_.recentFiles.push_back(file);
  }
  recentStored_ = !state_.recentFiles.empty();
  loaded_ = true;
}

// The values of every setting after the family and file: from the file, or
// the values for a missing file.
void SettingsStore::ApplySettingsIniValues(const IniFile& ini, bool fromFile) {
  ControlStore& s = controls_;
  auto flag = [&](const char* key, bool def) { return ini.ReadBool(kSettings, key, def); };
  auto number = [&](const char* key, int def) { return ReadInt(ini, kSettings, key, def); };

  s.SetChecked(Ctl::limitPrograms, flag("LimitPrograms", false));
  s.SetChecked(Ctl::matchDeviceID, flag("MatchDeviceID", true));
  s.SetChecked(Ctl::VerifyConfig, flag("VerifyConfig", false));
  s.SetValue(Ctl::ProgCount, number("ProgCount", 5));
  s.SetItemIndex(Ctl::loaderSpeed, IndexOr(number("SPE", 1), int(s.Items(Ctl::loaderSpeed).size()), 1));
  s.SetValue(Ctl::DataFlashDel, number("DEL", 40));
  s.SetValue(Ctl::HalfDelay, number("DEL2", 20));
  s.SetValue(Ctl::errorRepeatCount, number("REPEAT", 5));
  s.SetChecked(Ctl::DataSave, flag("DataSave", false));
  s.SetChecked(Ctl::bootSave, flag("BootSave", false));
  s.SetChecked(Ctl::progUserID, ini.ReadBool(kSettingsUserId, "progUserId", false));
  s.SetChecked(Ctl::VDD_Voltage, flag("VddVoltage", false));
  s.SetChecked(Ctl::VerifyAfterWriting, flag("VerifyAfterWriting", false));
  state_.switches.ShowOperationLog = flag("ShowOperationLog", true);
  state_.switches.KonOld = flag("KonOld", false);
  state_.switches.ResetPulse = flag("ResetPulse", false);
  state_.switches.EraseDeviceSize = flag("EraseDeviceSize", false);
  state_.switches.EraseWholeSlot = flag("EraseWholeSlot", false);
  state_.switches.VDD1st = flag("VDD1st", true);
  state_.switches.PP_Led_on = flag("PP_Led_on", false);
  state_.switches.e2_skipFF = flag("e2_skipFF", false);
  state_.switches.LinkPacing = StoredLinkPacing(ini);
  int modeDefault = fromFile ? 0 : 1;
  SetStoredMode(s, IndexOr(number("ProgMode", modeDefault), 2, modeDefault));
}

std::string SettingsStore::StorableFlashFile() const {
  const std::string& path = state_.data.FlashFile;
  return path.empty() || platform::FileExists(path) ? path : storedFlashFile_;
}

std::vector<SettingEntry> SettingsStore::SettingsEntries() const {
  const ControlStore& s = controls_;
  std::vector<SettingEntry> e;
  auto num = [&](const char* key, long long v) { e.push_back({kSettings, key, SettingEntry::Number, v, {}}); };
  auto flag = [&](const char* key, bool v, const char* section = kSettings) {
    e.push_back({section, key, SettingEntry::Flag, v ? 1 : 0, {}});
  };
  num("PICFamily", s.ItemIndex(Ctl::family));
  num("Device", s.ItemIndex(Ctl::deviceList));
  for (const DeviceKey& k : kDeviceKeys) num(k.key, state_.lastDeviceIndex[std::size_t(k.family)]);
  e.push_back({kSettings, "FlashFile", SettingEntry::Text, 0, StorableFlashFile()});
  flag("LimitPrograms", s.Checked(Ctl::limitPrograms));
  num("ProgCount", s.Value(Ctl::ProgCount));
  flag("MatchDeviceID", s.Checked(Ctl::matchDeviceID));
  flag("VerifyConfig", s.Checked(Ctl::VerifyConfig));
  num("SPE", s.ItemIndex(Ctl::loaderSpeed));
  num("DEL", s.Value(Ctl::DataFlashDel));
  num("DEL2", s.Value(Ctl::HalfDelay));
  num("REPEAT", s.Value(Ctl::errorRepeatCount));
  flag("progUserId", s.Checked(Ctl::progUserID), kSettingsUserId);
  flag("DataSave", s.Checked(Ctl::DataSave));
  flag("BootSave", s.Checked(Ctl::bootSave));
  flag("VDDVoltage", s.Checked(Ctl::VDD_Voltage));
  num("ProgMode", s.ItemIndex(Ctl::progMode));
  flag("KonOld", state_.switches.KonOld);
  flag("ResetPulse", state_.switches.ResetPulse);
  flag("EraseDeviceSize", false);
  flag("EraseWholeSlot", false);
  flag("VDD1st", state_.switches.VDD1st);
  flag("PP_Led_on", state_.switches.PP_Led_on);
  flag("e2_skipFF", state_.switches.e2_skipFF);
  for (const DeviceKey& k : kDeviceKeys)
    e.push_back({kSettings, k.nameKey, SettingEntry::Text, 0, RememberedName(k.family)});
  // The recently used program files, in their own section (written only
  // once there are any, so a file without them stays as it was).
  if (!state_.recentFiles.empty() || recentStored_)
    for (std::size_t i = 0; i < kRecentFiles; ++i)
      e.push_back({kRecentSection, "File" + std::to_string(i + 1), SettingEntry::Text, 0,
                   i < state_.recentFiles.size() ? state_.recentFiles[i] : std::string()});
  flag("VerifyAfterWriting", s.Checked(Ctl::VerifyAfterWriting));
  flag("ShowOperationLog", state_.switches.ShowOperationLog);
  e.push_back({kSettings, "LinkPacing", SettingEntry::Text, 0, link::PacingName(state_.switches.LinkPacing)});
  return e;
}

bool SettingsStore::SaveSettings() {
  std::string error;
  std::string workingOn = state_.folders.working;
  bool ok = platform::EnsurePrivateFolder(state_.folders.working, &error);
  if (ok) {
    workingOn = SettingsPath();
    IniFile ini(workingOn);
    for (const SettingEntry& e : SettingsEntries()) {
      if (e.kind == SettingEntry::Text)
        ini.WriteString(e.section, e.key, e.text);
      else
        ini.WriteInteger(e.section, e.key, e.number);
    }
    ok = ini.Save(&error, platform::FileOrigin::Own);
    if (ok) storedFlashFile_ = StorableFlashFile();
  }
  if (!ok)
    dialogs_.MessageDlg("Error creating Settings File\r\r" + workingOn, platform::DlgType::Error,
                        {platform::DlgButton::Ok});
  return ok;
}

// ---- Profiles ----

void SettingsStore::LoadProfileClick() {
  controls_.SetExtra(Ctl::programFileDialog, "filter", kFileFilterProfiles);
  const Control& dlg = controls_.Get(Ctl::programFileDialog);
  auto chosen = dialogs_.OpenFile({dlg.extra.at("filter"), dlg.extra.at("defaultExt"), state_.lastFolder, {}});
  if (!chosen) return;
  LoadProfile(*chosen);
}

void SettingsStore::LoadProfile(const std::string& path) {
  ControlStore& s = controls_;
  std::string folder = platform::ExtractFilePath(path);
  if (!folder.empty()) state_.lastFolder = folder;
  s.SetExtra(Ctl::programFileDialog, "initialDir", state_.lastFolder);

  IniFile ini(path);  // an unreadable or absent file reads as one without keys
  int device = ReadInt(ini, kProfile, "Device", 0);
  int family = IndexOr(ReadInt(ini, kProfile, "PICFamily", 0), int(s.Items(Ctl::family).size()), 0);
  s.SetItemIndex(Ctl::family, family);
  const std::string name = ini.ReadString(kProfile, "DeviceName", "");
  state_.lastDeviceIndex[std::size_t(family)] = device;
  state_.lastDeviceName[std::size_t(family)] = name;
  if (ini.ValueExists(kProfile, "Device"))
    SettleStoredDevice(platform::ExtractFileName(path), "Device", family, device, name);
  else
    positionChoices_.erase(std::remove_if(positionChoices_.begin(), positionChoices_.end(),
                                          [family](const PositionChoice& c) { return c.family == family; }),
                           positionChoices_.end());
  rules_.familyClick();
  devices_.deviceListChange();

  SetFlashFile(ini.ReadString(kProfile, "FlashFile", ""));
  auto flag = [&](const char* key) { return ini.ReadBool(kProfile, key, false); };
  auto number = [&](const char* key, int def) { return ReadInt(ini, kProfile, key, def); };
  s.SetChecked(Ctl::limitPrograms, flag("LimitPrograms"));
  s.SetChecked(Ctl::matchDeviceID, flag("MatchDeviceID"));
  s.SetChecked(Ctl::VerifyConfig, flag("VerifyConfig"));
  s.SetChecked(Ctl::progUserID, flag("ProgUserId"));
  s.SetValue(Ctl::ProgCount, number("ProgCount", 10));
  s.SetItemIndex(Ctl::loaderSpeed, IndexOr(number("SPE", 1), int(s.Items(Ctl::loaderSpeed).size()), 1));
  s.SetValue(Ctl::DataFlashDel, number("DEL", 40));
  s.SetValue(Ctl::HalfDelay, number("DEL2", 15));
  s.SetValue(Ctl::errorRepeatCount, number("REPEAT", 5));
  s.SetChecked(Ctl::bootSave, flag("BootSave"));
  state_.switches.KonOld = flag("KonOld");
  s.SetText(Ctl::ProgCaption, ini.ReadString(kProfile, "Description", ""));
  s.SetChecked(Ctl::DataSave, flag("DataSave"));
  SetStoredProgramOps(s, IndexOr(number("ProgramOps", 0), 3, 0));
  SetStoredMode(s, IndexOr(number("ProgramMode", 1), 2, 1));
  s.SetChecked(Ctl::VDD_Voltage, flag("VDDVoltage"));
  s.SetChecked(Ctl::unusedFuses, flag("UnusedFuses"));
  rules_.VDD_VoltageClick();
}

void SettingsStore::SaveProfileClick() {
  controls_.SetExtra(Ctl::profileSaveDialog, "filter", kFileFilterProfiles);
  const Control& dlg = controls_.Get(Ctl::profileSaveDialog);
  auto chosen = dialogs_.SaveFile({dlg.extra.at("filter"), dlg.extra.at("defaultExt"), state_.lastFolder, {}});
  if (!chosen) return;
  std::string error;
  if (!SaveProfile(*chosen, &error))
    dialogs_.MessageDlg("Error saving Profile\r\r" + *chosen + "\r" + error, platform::DlgType::Error,
                        {platform::DlgButton::Ok});
}

bool SettingsStore::SaveProfile(const std::string& path, std::string* error) {
  ControlStore& s = controls_;
  std::string folder = platform::ExtractFilePath(path);
  if (!folder.empty()) state_.lastFolder = folder;
  s.SetExtra(Ctl::programFileDialog, "initialDir", state_.lastFolder);
  for (ControlName name : {Ctl::DataSave, Ctl::VerifyConfig, Ctl::progUserID})
    if (!s.Enabled(name)) s.SetChecked(name, false);

  IniFile ini(path);
  auto num = [&](const char* key, long long v) { ini.WriteInteger(kProfile, key, v); };
  auto flag = [&](const char* key, bool v) { ini.WriteBool(kProfile, key, v); };
  num("PICFamily", s.ItemIndex(Ctl::family));
  num("Device", s.ItemIndex(Ctl::deviceList));
  ini.WriteString(kProfile, "DeviceName",
                  s.Items(Ctl::deviceList).empty() ? "" : s.Get(Ctl::deviceList).SelectedText());
  ini.WriteString(kProfile, "FlashFile", state_.data.FlashFile);
  flag("LimitPrograms", s.Checked(Ctl::limitPrograms));
  flag("MatchDeviceID", s.Checked(Ctl::matchDeviceID));
  flag("VerifyConfig", s.Checked(Ctl::VerifyConfig));
  flag("progUserId", s.Checked(Ctl::progUserID));
  num("ProgCount", s.Value(Ctl::ProgCount));
  num("SPE", s.ItemIndex(Ctl::loaderSpeed));
  num("DEL", s.Value(Ctl::DataFlashDel));
  num("DEL2", s.Value(Ctl::HalfDelay));
  num("REPEAT", s.Value(Ctl::errorRepeatCount));
  flag("DataSave", s.Checked(Ctl::DataSave));
  flag("BootSave", s.Checked(Ctl::bootSave));
  ini.WriteString(kProfile, "Description", s.Text(Ctl::ProgCaption));
  flag("VDDVoltage", s.Checked(Ctl::VDD_Voltage));
  flag("UnusedFuses", s.Checked(Ctl::unusedFuses));
  num("ProgramOps", s.ItemIndex(Ctl::ProgramOps));
  num("ProgramMode", s.ItemIndex(Ctl::progMode));
  return ini.Save(error);
}

}  // namespace velmar::model
