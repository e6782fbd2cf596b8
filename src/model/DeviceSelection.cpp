// The device list of a family, the device change and the family list of a
// programmer kind.
#include "model/DeviceSelection.h"

#include <algorithm>

#include "devices/DeviceDatabase.h"
#include "platform/IniFile.h"

namespace velmar::model {

using platform::IniFile;

DeviceSelection::DeviceSelection(ControlStore& controls, devices::TData& data, const image::Folders& folders,
                                 RememberedIndexes& lastIndex, RememberedNames& lastName, Hooks hooks)
    : controls_(controls),
      data_(data),
      folders_(folders),
      lastIndex_(lastIndex),
      lastName_(lastName),
      hooks_(std::move(hooks)) {}

int RememberedEntry(const std::vector<std::string>& items, int position, const std::string& name) {
  auto byName = std::find(items.begin(), items.end(), name);
  if (!name.empty() && byName != items.end()) return int(byName - items.begin());
  return position >= 0 && position < int(items.size()) ? position : 0;
}

std::vector<std::string> DeviceSelection::DeviceNames(int family) const {
  if (family < 0 || family >= devices::kFamilyCodes) return {};
  const auto file = devices::DeviceFile(folders_.program);
  std::vector<std::string> names = devices::DevicesOfFamily(*file, family);
  if (controls_.Get(Ctl::deviceList).sorted) std::stable_sort(names.begin(), names.end(), SortedListLess);
  return names;
}

void DeviceSelection::FillDeviceList(int family) {
  controls_.ClearItems(Ctl::deviceList);
  if (family < 0 || family >= devices::kFamilyCodes) return;
  for (const std::string& name : DeviceNames(family)) controls_.AddItem(Ctl::deviceList, name);
  controls_.SetItemIndex(Ctl::deviceList,
                         RememberedEntry(controls_.Items(Ctl::deviceList), lastIndex_[std::size_t(family)],
                                         lastName_[std::size_t(family)]));
}

void DeviceSelection::deviceListChange() {
  controls_.SetEnabled(Ctl::VDD_Voltage, true);
  controls_.SetEnabled(Ctl::VerifyConfig, true);
  data_.ConfigDataFound = false;

  const Control& list = controls_.Get(Ctl::deviceList);
  data_.DeviceName = list.items.empty() ? "PIC18F1220" : list.SelectedText();
  controls_.SetText(Ctl::deviceList, list.SelectedText());

  const auto file = devices::DeviceFile(folders_.program);
  const IniFile& ini = *file;
  if (!ini.Exists()) {
    if (hooks_.deviceFileMissing) hooks_.deviceFileMissing();
    return;
  }
  devices::ReadDevice(ini, data_.DeviceName, data_);
  if (hooks_.deviceRules) hooks_.deviceRules();

  int family = controls_.ItemIndex(Ctl::family);
  if (family >= 0 && family < devices::kFamilyCodes) {
    lastIndex_[std::size_t(family)] = controls_.ItemIndex(Ctl::deviceList);
    lastName_[std::size_t(family)] = list.items.empty() ? std::string() : list.SelectedText();
  }
}

std::string DeviceSelection::FindDeviceByID(const std::string& id) const {
  return devices::FindDeviceByID(folders_.program, id);
}

void DeviceSelection::FillFamilyList(slot::ProgrammerKind kind, bool konOld) {
  using enum devices::FamilyCode;
  controls_.SetItems(Ctl::family, {devices::FamilyEntryText(fam_PIC18F), devices::FamilyEntryText(fam_PIC12F16F),
                                   devices::FamilyEntryText(fam_PIC18J)});
  controls_.SetItems(Ctl::family, devices::FamilyListForKind(kind, konOld, folders_.program));
}

}  // namespace velmar::model
