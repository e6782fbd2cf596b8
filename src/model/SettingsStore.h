// The window's settings and profiles: setting.ini read when the window is
// shown and written when it closes, the .prj profiles, the version texts of
// progsetting.ini and the File Name they restore. The store keeps only
// whether setting.ini was read whole (a window that never was must not
// overwrite it) and whether it held recent files; the switches, the
// remembered devices, the folders, the recent files and the option record
// are the window's, given at construction with the controls, the dialogs
// and the rules a restored family and device run.
#pragma once

#include <string>
#include <vector>

#include "devices/TData.h"
#include "image/ISPDefs.h"
#include "link/LinkPacing.h"
#include "model/ControlStore.h"
#include "model/DeviceSelection.h"
#include "model/FamilyRules.h"

namespace velmar::platform {
class Dialogs;
class IniFile;
}  // namespace velmar::platform

namespace velmar::model {

// The setting.ini switches no control shows.
struct SettingSwitches {
  bool KonOld = false;
  bool ResetPulse = false;
  bool EraseDeviceSize = false;
  bool EraseWholeSlot = false;
  bool VDD1st = true;
  bool PP_Led_on = false;
  bool e2_skipFF = false;
  // The desktop window shows the operation log under the slot list.
  bool ShowOperationLog = true;
  // How the programmer link paces its exchanges (key "LinkPacing").
  link::LinkPacing LinkPacing = link::LinkPacing::exact;
};

// The link pacing setting.ini keeps: exact when the key is absent or holds
// anything but "exact" or "fast".
link::LinkPacing StoredLinkPacing(const platform::IniFile& ini);

// One value of setting.ini as the window would write it.
struct SettingEntry {
  std::string section;
  std::string key;
  enum Kind { Number, Flag, Text } kind = Number;
  long long number = 0;  // numbers, and flags as 1 or 0
  std::string text;
};

// A device that a stored position selected because the file named no
// device of that family (files of earlier versions store positions only):
// the window and the command line show it so the user can check it.
struct PositionChoice {
  std::string file;        // "setting.ini" or the profile's file name
  std::string key;         // the position's key
  int family = 0;          // family code
  int position = 0;        // as stored
  std::string storedName;  // a stored name the family does not list, or ""
  std::string device;      // the device the position selected
};

// What the window says about a position choice.
std::string PositionChoiceText(const PositionChoice& choice);

// The version texts of progsetting.ini shown in the window's title.
struct VersionTexts {
  std::string PCQRX;
  std::string PCPRIMA;
};

// The window state besides the controls that the settings and profiles
// read and write.
struct SettingsState {
  devices::TData& data;  // the File Name's path (FlashFile)
  const image::Folders& folders;
  SettingSwitches& switches;
  RememberedIndexes& lastDeviceIndex;
  RememberedNames& lastDeviceName;
  std::string& lastFolder;                // where file choices start
  std::vector<std::string>& recentFiles;  // newest first
};

class SettingsStore {
 public:
  // The program files remembered, at most.
  static constexpr std::size_t kRecentFiles = 8;

  SettingsStore(ControlStore& controls, platform::Dialogs& dialogs, SettingsState state, FamilyRules& rules,
                DeviceSelection& devices);

  void LoadSettings();
  // Writes setting.ini in the working folder; false after the error message
  // when it could not be written.
  bool SaveSettings();
  std::string SettingsPath() const;
  // Every setting.ini value in the order the window writes them.
  std::vector<SettingEntry> SettingsEntries() const;
  // The devices the last setting.ini and profile loaded selected by position
  // alone, one per family at most.
  const std::vector<PositionChoice>& PositionChoices() const { return positionChoices_; }
  // True once setting.ini (or its absence) has been read whole.
  bool Loaded() const { return loaded_; }

  void LoadProfileClick();
  void SaveProfileClick();
  // The profile steps after the file choice.
  void LoadProfile(const std::string& path);
  bool SaveProfile(const std::string& path, std::string* error = nullptr);

  VersionTexts ReadVersionTexts() const;
  // Makes `path` the File Name: the option record's file, the box's text
  // and, when it names one, the folder the next file choice starts in.
  void SetFlashFile(const std::string& path);

 private:
  void ApplySettingsIniValues(const platform::IniFile& ini, bool fromFile);
  // The File Name's path setting.ini is to hold.
  std::string StorableFlashFile() const;
  // The name setting.ini stores for a family: the remembered one, or the
  // device its remembered position selects, so that every file written
  // names its devices.
  std::string RememberedName(int family) const;
  // Settles a family's stored device before its list is filled: a name the
  // family lists decides; otherwise the position does, the device it selects
  // becomes the remembered name (so the next save stores it) and the choice
  // is noted.
  void SettleStoredDevice(const std::string& file, const std::string& key, int family, int position,
                          const std::string& storedName);

  ControlStore& controls_;
  platform::Dialogs& dialogs_;
  SettingsState state_;
  FamilyRules& rules_;
  DeviceSelection& devices_;
  bool loaded_ = false;
  bool recentStored_ = false;  // setting.ini held recent files when loaded
  // The File Name's path as setting.ini holds it: what the next save keeps
  // when the File Name names no file (a name typed wrong, a drive not
  // attached), so that a broken path is never stored.
  std::string storedFlashFile_;
  std::vector<PositionChoice> positionChoices_;
};

}  // namespace velmar::model
