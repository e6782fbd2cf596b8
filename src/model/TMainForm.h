// The main window as a Qt-free model (`TMainForm`): every control by its
// name in a ControlStore, the option and device record `TData`, the
// remembered device positions, the settings switches and folders, and the
// window's handlers under their own names. The Qt front end binds widgets to
// the store both ways; the command line and the tests drive the handlers
// directly. The handlers live in the files of their concept: the device
// database and device change in devices/DeviceSelection.cpp, the family,
// mode and supply rules in devices/FamilyRules.cpp, settings, profiles, the
// hex file choice and the service controls in devices/Settings.cpp and
// devices/ServiceControls.cpp. The window also is the link's LinkWindow.
#pragma once

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devices/TData.h"
#include "image/ISPDefs.h"
#include "link/LinkWindow.h"
#include "model/ControlStore.h"
#include "model/TEraseOpsForm.h"

namespace velmar::platform {
class Dialogs;
class IniFile;
}

namespace velmar::model {

class LinkTuning;

// One value of setting.ini as the window would write it.
struct SettingEntry {
  std::string section;
  std::string key;
  enum Kind { Number, Flag, Text } kind = Number;
  long long number = 0;  // numbers, and flags as 1 or 0
  std::string text;
};

// Keys the service shortcuts react to.
enum class ShortcutKey { F1, F2, F3, F4, F5, Other };

class TMainForm final : public link::LinkWindow {
 public:
  TMainForm(platform::Dialogs& dialogs, image::Folders folders);
  ~TMainForm() override;

  ControlStore& Controls() { return controls_; }
  const ControlStore& Controls() const { return controls_; }
  TEraseOpsForm& EraseOpsForm() { return eraseOps_; }
  platform::Dialogs& Dialogs() { return dialogs_; }

  // The link settings reached by the hidden speed and delay controls (none
  // until the programmer link is bound).
  void SetLinkTuning(LinkTuning* tuning) { tuning_ = tuning; }

  // Called when the window must close by itself (the front end closes its
  // window, which runs FormClose). Without one, Close runs FormClose.
  void SetCloseHandler(std::function<void()> handler) { closeHandler_ = std::move(handler); }
  void Close();
  bool Closed() const { return closed_; }

  // ---- State besides the controls ----
  devices::TData Data;
  std::array<int, 7> LastDeviceIndex{};  // per family code
  std::string LastFolder;
  image::Folders Folders;
  int ProgrammerKind = 0;  // told by the link after each identification
  // Settings switches (setting.ini).
  bool KonOld = false;
  bool ResetPulse = false;
  bool EraseDeviceSize = false;
  bool EraseWholeSlot = false;
  bool VDD1st = true;
  bool PP_Led_on = false;
  bool e2_skipFF = false;
  // Version texts from progsetting.ini.
  std::string PCQRX;
  std::string PCPRIMA;
  // Run state.
  bool CommandLineMode = false;
  bool CloseRequested = false;  // close without saving the settings
  bool QuietMode = false;
  int LastFamily = 0;
  bool Creating() const { return creating_; }

  // ---- Window events ----
  void FormCreate(bool startedWithParameters = false);
  void FormShow();
  void FormClose();

  // ---- Device database and device selection ----
  void deviceListChange();
  std::string FindDeviceByID(const std::string& id) const;
  // Rebuilds the family list for the programmer kind and sets the window up
  // for it. Throws devices::EDeviceFileMissing when DEVICES.INI is needed and
  // missing.
  void ConfigureForKind();

  // ---- Family, programming mode and supply rules ----
  void familyClick();
  void progModeClick();
  void VDD_VoltageClick();
  void ProgramOpsClick();
  void BulkEraseClick();
  void matchDeviceIDClick();
  void progUserIDClick();
  void VerifyConfigClick();
  void DataSaveClick();
  void limitProgramsClick();

  // ---- Settings and profiles ----
  void LoadSettings();
  // Writes setting.ini in the working folder (the saving step of FormClose).
  // False after the error message when it could not be written.
  bool SaveSettings();
  std::string SettingsPath() const;
  // Every setting.ini value in the order the window writes them.
  std::vector<SettingEntry> SettingsEntries() const;
  void LoadProfileClick();
  void SaveProfileClick();
  // The profile steps after the file choice (also used by the command line).
  void LoadProfile(const std::string& path);
  bool SaveProfile(const std::string& path, std::string* error = nullptr);

  // ---- Hex file choice ----
  void Button1Click();
  void Edit1Change();
  void Edit1Enter();

  // ---- Service controls ----
  void ComboBox1Change();
  void DataFlashDelChange();
  void HalfDelayChange();
  // True when the shortcut was consumed (Shift and Ctrl held).
  bool ApplicationEvents1ShortCut(ShortcutKey key, bool shift, bool ctrl);
  void ApplicationEvents2Exception(const std::string& message);
  void ApplicationEvents2Exception(const std::exception& e) { ApplicationEvents2Exception(std::string(e.what())); }
  void Button2Click();  // opens the erase options (the front end shows it modally)
  void Button4Click();  // toggles the forced firmware update

  // ---- link::LinkWindow ----
  void SetTitle(const std::string& title) override;
  void SetProgrammerVersionLabel(bool visible, const std::string& text) override;
  void SetFirmwareLabel(const std::string& text) override;
  void SetCountControlsVisible(bool visible) override;
  bool TakeForceUpdate() override;

  // Short reads of the window state the rules test.
  int FamilyEntry() const { return controls_.ItemIndex("family"); }
  // The 3.3 V supply counts as chosen when its box is hidden or checked.
  bool Supply33Chosen() const;

 private:
  void BuildInventory();
  void BindHandlers();
  void FillDeviceList(int family);
  void ApplyFamily(int code);  // the family branch of familyClick
  void ApplyDeviceRules();
  void ApplySettingsIniValues(const platform::IniFile& ini, bool fromFile);
  void ReadVersionTexts();
  void SetFlashFile(const std::string& path);

  platform::Dialogs& dialogs_;
  ControlStore controls_;
  TEraseOpsForm eraseOps_;
  LinkTuning* tuning_ = nullptr;
  std::function<void()> closeHandler_;
  bool creating_ = true;
  bool closed_ = false;
  bool settingsLoaded_ = false;
};

}  // namespace velmar::model
