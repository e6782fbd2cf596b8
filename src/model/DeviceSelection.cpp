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
  controls_.ClearItems("deviceList");
  if (family < 0 || family >= devices::kFamilyCodes) return;
  const auto file = devices::DeviceFile(Folders.program);
  const IniFile& ini = *file;
  for (const std::string& name : devices::DevicesOfFamily(ini, family)) controls_.AddItem("deviceList", name);
  const std::vector<std::string>& items = controls_.Items("deviceList");
  int remembered = LastDeviceIndex[std::size_t(family)];
  const std::string& name = LastDeviceName[std::size_t(family)];
  auto byName = std::find(items.begin(), items.end(), name);
  if (!name.empty() && byName != items.end()) remembered = int(byName - items.begin());
  int count = int(items.size());
  controls_.SetItemIndex("deviceList", remembered >= 0 && remembered < count ? remembered : 0);
}

void TMainForm::deviceListChange() {
  controls_.SetEnabled("VDD_Voltage", true);
  controls_.SetEnabled("VerifyConfig", true);
  Data.ConfigDataFound = false;

  const Control& list = controls_.Get("deviceList");
  Data.DeviceName = list.items.empty() ? "PIC18F1220" : list.SelectedText();
  controls_.SetText("deviceList", list.SelectedText());

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
    LastDeviceIndex[std::size_t(family)] = controls_.ItemIndex("deviceList");
    LastDeviceName[std::size_t(family)] = list.items.empty() ? std::string() : list.SelectedText();
  }
}

std::string TMainForm::FindDeviceByID(const std::string& id) const {
  return devices::FindDeviceByID(Folders.program, id);
}

void TMainForm::ConfigureForKind() {
  KonOld = IniFile(SettingsPath()).ReadBool("ProgSettings", "KonOld", false);

  int remembered = FamilyEntry();
  controls_.SetItems("family", {devices::FamilyEntryText(0), devices::FamilyEntryText(1), devices::FamilyEntryText(2)});
  controls_.SetItems("family", devices::FamilyListForKind(ProgrammerKind, KonOld, Folders.program));

  for (const char* name : {"EraseButton", "LoadButton", "CopyButton", "Panel1", "Label17"})
    controls_.SetVisible(name, true);

  const int kind = ProgrammerKind;
  if (kind == 2 || kind == 3 || kind == 4) {
    if (kind != 2) controls_.SetVisible("FindButton", true);
    controls_.SetText("Label18", "Program Slot Options");
    controls_.SetVisible("DeleteProgramButton", true);
    controls_.SetVisible("editButton", true);
    if (kind == 3)
      SetTitle("Torvik USB Portable Programmer Loader v" + PCPRIMA);
    else
      SetTitle("Torvik USB Handheld Programmer Loader v" + PCQRX);
    if (kind == 3) {
      for (const char* name : {"limitPrograms", "Label7", "ProgCount"}) controls_.SetVisible(name, false);
    } else {
      controls_.SetVisible("limitPrograms", true);
      controls_.SetVisible("Label7", true);
      controls_.SetText("Label7", "Number of Programs/slot");
      controls_.SetVisible("ProgCount", true);
    }
  } else {
    controls_.SetVisible("FindButton", false);
    SetTitle("Torvik USB Handheld Programmer Loader v" + PCQRX);
    controls_.SetVisible("limitPrograms", true);
    controls_.SetVisible("Label7", true);
    controls_.SetText("Label7", "Number of Programs");
    controls_.SetVisible("ProgCount", true);
    controls_.SetVisible("DeleteProgramButton", false);
    controls_.SetVisible("editButton", false);
    controls_.SetText("Label18", "Program Options");
    controls_.SetVisible("ProgCaption2", false);
    controls_.SetVisible("Label16", false);
    controls_.SetEnabled("NewButton", true);
  }
  controls_.SetText("Label16", "");

  if (!creating_) {
    int count = int(controls_.Items("family").size());
    controls_.SetItemIndex("family", remembered >= 0 && remembered < count ? remembered : 0);
    familyClick();
  }
}

}  // namespace velmar::model
