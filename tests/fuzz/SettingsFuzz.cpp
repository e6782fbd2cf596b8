// Fuzz target: the settings files the main window reads. The input gives a
// programmer kind and the texts of setting.ini (working folder),
// progsetting.ini (program folder, next to the real device database) and a
// profile. The window is shown as at start-up, which reads the first two,
// and loads the profile as Load Profile does. Then what a restart keeps is
// checked: the settings saved on closing must read back to the same
// settings, and a profile saved, loaded and saved again must not change.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "FuzzWindow.h"
#include "platform/AtomicFile.h"
#include "sim/SimState.h"

namespace fuzz = velmar::fuzz;
using velmar::model::SettingEntry;

namespace {

fuzz::FuzzWindow& Window() {
  static fuzz::FuzzWindow window;
  static const bool devices = (fuzz::CopyDataFile("DEVICES.INI", window.Program()), true);
  (void)devices;
  return window;
}

bool Same(const std::vector<SettingEntry>& a, const std::vector<SettingEntry>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const SettingEntry& x, const SettingEntry& y) {
    return x.section == y.section && x.key == y.key && x.kind == y.kind && x.number == y.number && x.text == y.text;
  });
}

std::string ReadBack(const std::string& path) {
  std::string text;
  if (!velmar::platform::ReadWholeFile(path, text)) fuzz::Fail("a saved file cannot be read");
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  fuzz::FuzzWindow& win = Window();
  const int kind = in.ConsumeIntegralInRange(0, 5);
  fuzz::WriteFileBytes(win.Working() + "setting.ini", in.ConsumeRandomLengthString(size));
  fuzz::WriteFileBytes(win.Program() + "progsetting.ini", in.ConsumeRandomLengthString(size));
  const std::string profile = fuzz::WriteTemp("profile.ini", in.ConsumeRemainingBytesAsString());
  velmar::sim::ReadExpectedVersions(win.Program());

  // Start-up, and the settings a restart must find again.
  const std::vector<SettingEntry> shown = win.Show(kind).SettingsEntries();
  if (!win.W().SaveSettings()) fuzz::Fail("the settings cannot be saved");
  if (!Same(win.Show(kind).SettingsEntries(), shown)) fuzz::Fail("saved settings read back differently");

  // A profile: loaded, saved, loaded into a fresh window and saved again.
  win.W().LoadProfile(profile);
  const std::string first = fuzz::TempFolder() + "first.ini", second = fuzz::TempFolder() + "second.ini";
  std::remove(first.c_str());
  std::remove(second.c_str());
  if (!win.W().SaveProfile(first)) fuzz::Fail("a profile cannot be saved");
  win.Show(kind).LoadProfile(first);
  if (!win.W().SaveProfile(second)) fuzz::Fail("a profile cannot be saved");
  if (ReadBack(first) != ReadBack(second)) fuzz::Fail("a saved profile loads and saves differently");
  return 0;
}
