// The main window's device handling: filling the device list for a family,
// the device change that copies the selected device's DEVICES.INI keys into
// TData and applies the device rules, the reverse look-up by identifier, and
// the set-up of the family list and the window for a programmer kind.
#include <algorithm>

#include "devices/DeviceDatabase.h"
#include "model/TMainForm.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"

namespace velmar::model {

using platform::IniFile;

void TMainForm::FillDeviceList(int family) {
  controls_.ClearItems(Ctl::deviceList);
  if (family < 0 || family >= devices::kFamilyCodes) return;
  const auto file = devices::DeviceFile(Folders.program);
  const IniFile& ini = *file;
  for (const std::string& name : devices::DevicesOfFamily(ini, family)) controls_.AddItem(Ctl::deviceList, name);
  const std::vector<std::string>& items = controls_.Items(Ctl::deviceList);
  int remembered = LastDeviceIndex[std::size_t(family)];
  const std::string& name = LastDeviceName[std::size_t(family)];
  auto byName = std::find(items.begin(), items.end(), name);
  if (!name.empty() && byName != items.end()) remembered = int(byName - items.begin());
  int count = int(items.size());
  controls_.SetItemIndex(Ctl::deviceList, remembered >= 0 && remembered < count ? remembered : 0);
}

void TMainForm::deviceListChange() {
  controls_.SetEnabled(Ctl::VDD_Voltage, true);
  controls_.SetEnabled(Ctl::VerifyConfig, true);
  Data.ConfigDataFound = false;

  const Control& list = controls_.Get(Ctl::deviceList);
  Data.DeviceName = list.items.empty() ? "PIC18F1220" : list.SelectedText();
  controls_.SetText(Ctl::deviceList, list.SelectedText());

  const auto file = devices::DeviceFile(Folders.program);
  const IniFile& ini = *file;
  if (!ini.Exists()) {
    if (!closed_) dialogs_.MessageDlg("Can not open Devices Inifile", platform::DlgType::Error, {platform::DlgButton::Ok});
    Close();
    return;
  }
  devices::ReadDevice(ini, Data.DeviceName, Data);
  ApplyDeviceRules();

  int family = FamilyEntry();
  if (family >= 0 && family < devices::kFamilyCodes) {
    LastDeviceIndex[std::size_t(family)] = controls_.ItemIndex(Ctl::deviceList);
    LastDeviceName[std::size_t(family)] = list.items.empty() ? std::string() : list.SelectedText();
  }
}

std::string TMainForm::FindDeviceByID(const std::string& id) const {
  return devices::FindDeviceByID(Folders.program, id);
}

void TMainForm::ConfigureForKind() {
  KonOld = IniFile(SettingsPath()).ReadBool("ProgSettings", "KonOld", false);

  int remembered = FamilyEntry();
  controls_.SetItems(Ctl::family, {devices::FamilyEntryText(devices::fam_PIC18F), devices::FamilyEntryText(devices::fam_PIC12F16F),
                                   devices::FamilyEntryText(devices::fam_PIC18J)});
  controls_.SetItems(Ctl::family, devices::FamilyListForKind(ProgrammerKind, KonOld, Folders.program));

  for (ControlName name : {Ctl::EraseButton, Ctl::LoadButton, Ctl::CopyButton, Ctl::Panel1, Ctl::Label17})
    controls_.SetVisible(name, true);

  const bool portable = ProgrammerKind == slot::kind_portable;
  if (MultiSlotKind()) {
    if (ProgrammerKind != slot::kind_8way) controls_.SetVisible(Ctl::FindButton, true);
    controls_.SetText(Ctl::Label18, "Program Slot Options");
    controls_.SetVisible(Ctl::DeleteProgramButton, true);
    controls_.SetVisible(Ctl::editButton, true);
    if (portable)
      SetTitle("Torvik USB Portable Programmer Loader v" + PCPRIMA);
    else
      SetTitle("Torvik USB Handheld Programmer Loader v" + PCQRX);
    if (portable) {
      for (ControlName name : {Ctl::limitPrograms, Ctl::Label7, Ctl::ProgCount}) controls_.SetVisible(name, false);
    } else {
      controls_.SetVisible(Ctl::limitPrograms, true);
      controls_.SetVisible(Ctl::Label7, true);
      controls_.SetText(Ctl::Label7, "Number of Programs/slot");
      controls_.SetVisible(Ctl::ProgCount, true);
    }
  } else {
    controls_.SetVisible(Ctl::FindButton, false);
    SetTitle("Torvik USB Handheld Programmer Loader v" + PCQRX);
    controls_.SetVisible(Ctl::limitPrograms, true);
    controls_.SetVisible(Ctl::Label7, true);
    controls_.SetText(Ctl::Label7, "Number of Programs");
    controls_.SetVisible(Ctl::ProgCount, true);
    controls_.SetVisible(Ctl::DeleteProgramButton, false);
    controls_.SetVisible(Ctl::editButton, false);
    controls_.SetText(Ctl::Label18, "Program Options");
    controls_.SetVisible(Ctl::ProgCaption2, false);
    controls_.SetVisible(Ctl::Label16, false);
    controls_.SetEnabled(Ctl::NewButton, true);
  }
  controls_.SetText(Ctl::Label16, "");

  if (!creating_) {
    int count = int(controls_.Items(Ctl::family).size());
    controls_.SetItemIndex(Ctl::family, remembered >= 0 && remembered < count ? remembered : 0);
    familyClick();
  }
}

}  // namespace velmar::model
