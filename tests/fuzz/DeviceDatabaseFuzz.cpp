// Fuzz target: the device database DEVICES.INI. The first byte picks the
// programmer kind, the rest is the file. It is read as the program reads it:
// every section's keys for the device change and for New and Replace, the
// family lists of every kind, the look-up by device identifier; then a main
// window is shown over it and the user picks every family and, in each, the
// devices of the list one after another.
#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "FuzzWindow.h"
#include "devices/DeviceDatabase.h"

using velmar::model::Ctl;

namespace fuzz = velmar::fuzz;
namespace devices = velmar::devices;
namespace slot = velmar::slot;

namespace {

constexpr std::size_t kDevicesPicked = 12;

fuzz::FuzzWindow& Window() {
  static fuzz::FuzzWindow window;
  return window;
}

// Replaces the file by renaming a new one over it, as an installer does: the
// program then sees a new file even when size and time are the same.
void PutDeviceFile(std::string_view text) {
  const std::string folder = Window().Program();
  const std::string staged = fuzz::WriteTemp("DEVICES.INI.new", text);
  std::filesystem::rename(staged, devices::DeviceFilePath(folder));
}

void ReadTheDatabase(const std::string& folder) {
  const auto file = devices::DeviceFile(folder);
  for (const std::string& section : file->Sections()) {
    devices::TData data;
    devices::ReadDevice(*file, section, data, devices::DeviceRead::Selection);
    devices::ReadDevice(*file, section, data, devices::DeviceRead::Job);
    const std::string found = devices::FindDeviceByID(folder, data.DeviceID);
    // "" stands for "none", and so also for a section without a name.
    const bool foundNameless = found.empty() && file->SectionExists("");
    if ((found.empty() && !foundNameless) ||
        (!found.empty() && file->ReadString(found, "DeviceID", "FFFF") != data.DeviceID))
      fuzz::Fail("a device is not found by its own identifier");
  }
  for (int code = 0; code < devices::kFamilyCodes; ++code)
    for (const std::string& name : devices::DevicesOfFamily(*file, code))
      if (!devices::InFamily(name, code)) fuzz::Fail("a family lists a device of another family");
  for (int number = 0; number <= 5; ++number)
    for (bool konOld : {false, true}) devices::FamilyListForKind(*slot::KindFromNumber(number), konOld, folder);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  PutDeviceFile(fuzz::AsText(data + 1, size - 1));
  ReadTheDatabase(Window().Program());

  velmar::model::TMainForm& w = Window().Show(data[0] % 6);
  velmar::model::ControlStore& c = w.Controls();
  const int families = int(c.Items(Ctl::family).size());
  for (int family = 0; family < families; ++family) {
    c.UserSelect(Ctl::family, family);
    const std::size_t listed = c.Items(Ctl::deviceList).size();
    for (std::size_t device = 0; device < listed && device < kDevicesPicked; ++device)
      c.UserSelect(Ctl::deviceList, int(device));
  }
  return 0;
}
