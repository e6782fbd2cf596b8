// A main window model over a temporary program folder holding a small
// DEVICES.INI written by the test, with scripted dialogs and a recording
// link tuning, created, set up for a programmer kind and shown as at
// start-up.
#pragma once

#include <memory>
#include <string>

#include "model/LinkTuning.h"
#include "model/TMainForm.h"
#include "platform/ScriptedDialogs.h"
#include "support/TestSupport.h"

namespace velmar::test {

// Devices covering every rule case; one section per line of the rules.
extern const char* const kRuleDevices;

class WindowFixture {
 public:
  explicit WindowFixture(const std::string& devicesIni = kRuleDevices);
  // Writes the files, creates the window for `kind` and shows it.
  model::TMainForm& Show(int kind = 4);
  model::TMainForm& W() { return *window; }
  model::ControlStore& C() { return window->Controls(); }
  // Selects a family and then a device by name, as a user does.
  void Choose(int family, const std::string& device);

  TempDir program;
  TempDir working;
  platform::ScriptedDialogs dialogs;
  model::RecordingLinkTuning tuning;
  std::unique_ptr<model::TMainForm> window;
};

}  // namespace velmar::test
