// The main window's device selection: the device list of a family (with the
// device remembered for it, by name before position), the device change that
// copies the selected device's DEVICES.INI keys into TData, the reverse
// look-up by identifier, and the family list a programmer kind offers. It
// owns no state of its own: the controls, the option record, the folders and
// the remembered devices are the window's, given at construction, and what
// follows a device change (the device rules, or closing the window when
// DEVICES.INI is gone) is the window's to say through the hooks.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "devices/TData.h"
#include "image/ISPDefs.h"
#include "model/ControlStore.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::model {

// The device last chosen in each family, by family code: its position in the
// list and its name (the name wins when the list has changed since).
using RememberedIndexes = std::array<int, devices::kFamilyCodes>;
using RememberedNames = std::array<std::string, devices::kFamilyCodes>;

// The entry of a device list that a remembered device selects: its name
// where the list holds it, else its position where that lies in the list,
// else the first entry.
int RememberedEntry(const std::vector<std::string>& items, int position, const std::string& name);

class DeviceSelection {
 public:
  struct Hooks {
    // Runs once the selected device's keys are in TData.
    std::function<void()> deviceRules;
    // DEVICES.INI cannot be opened: the window tells the user and closes.
    std::function<void()> deviceFileMissing;
  };

  DeviceSelection(ControlStore& controls, devices::TData& data, const image::Folders& folders,
                  RememberedIndexes& lastIndex, RememberedNames& lastName, Hooks hooks);

  // Lists the devices of a family code and selects the one remembered for it
  // (the first when it is no longer listed). Runs no handler.
  void FillDeviceList(int family);
  // The device change: reads the selected device, applies the device rules
  // and remembers the device for the family shown.
  void deviceListChange();
  std::string FindDeviceByID(const std::string& id) const;
  // The device list of a family code in the window's order (empty
  // when DEVICES.INI is missing or lists none of the family).
  std::vector<std::string> DeviceNames(int family) const;
  // Lists the families a programmer kind offers ("KonOld" adds the older
  // families where the kind has them).
  void FillFamilyList(slot::ProgrammerKind kind, bool konOld);

 private:
  ControlStore& controls_;
  devices::TData& data_;
  const image::Folders& folders_;
  RememberedIndexes& lastIndex_;
  RememberedNames& lastName_;
  Hooks hooks_;
};

}  // namespace velmar::model
