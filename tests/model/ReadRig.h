// The main window over a simulated programmer, for the Read, slot list and
// slot details tests: the simulated programmer's state is set up first
// (kind, firmware, faults, staged slot headers), then Start() builds the
// driver, the window with its programmer link, runs Read as at start-up and
// shows the window. The program folder is the built one (DEVICES.INI and
// progsetting.ini) unless a test gives its own. Dialogs are scripted; a
// hook sees every message first, so a test can change the programmer
// between a failure and the Retry that follows it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "link/D2XXUnit.h"
#include "model/TMainForm.h"
#include "platform/Clock.h"
#include "platform/ScriptedDialogs.h"
#include "sim/SimDriver.h"
#include "sim/SimState.h"
#include "support/SlotHeaders.h"
#include "support/TestSupport.h"

namespace velmar::test {

class HookDialogs final : public platform::Dialogs {
 public:
  platform::DlgButton Message(const platform::MessageBoxRequest& r) override {
    if (onMessage) onMessage(r);
    return script.Message(r);
  }
  platform::DlgButton ShowModal(platform::ModalForm& form) override { return script.ShowModal(form); }
  std::optional<std::string> OpenFile(const platform::FileDialogRequest& r) override { return script.OpenFile(r); }
  std::optional<std::string> SaveFile(const platform::FileDialogRequest& r) override { return script.SaveFile(r); }
  void SetClipboardText(const std::string& text) override { script.SetClipboardText(text); }
  int OpenDocument(const std::string& path) override { return script.OpenDocument(path); }

  platform::ScriptedDialogs script;
  std::function<void(const platform::MessageBoxRequest&)> onMessage;
};

struct ReadRig {
  explicit ReadRig(int kind, std::string programFolder = BinDir());

  // The simulated programmer (its state until Start, then the live one).
  sim::SimState& Sim() { return driver ? driver->State() : state; }
  // Stages one slot for each SlotSpec from page 0 on, linked as the kind links them.
  void Stage(const std::vector<SlotSpec>& slots);
  // Places raw headers at pages.
  void StageHeaders(const std::vector<std::pair<std::uint32_t, slot::HeaderBytes>>& headers);
  std::uint32_t SlotPages() const;

  // Builds the window and its link; FormCreate with these parameters.
  model::TMainForm& Create(std::vector<std::string> params = {});
  // Create, Read as at start-up, and show the window unless Read closed it.
  model::TMainForm& Start(std::vector<std::string> params = {});

  model::TMainForm& W() { return *window; }
  model::ControlStore& C() { return window->Controls(); }
  std::vector<std::string> Texts() const { return dialogs.script.Texts(); }

  // The firmware change the window runs: records each call and lets the
  // test change the programmer, as an update would.
  std::vector<std::pair<std::string, int>> changes;
  std::function<bool(sim::SimState&)> onChange;
  // Load Unit of a command-line start.
  int loadUnits = 0;

  int kind;
  std::string program;
  TempDir work;
  platform::VirtualClock clock;
  HookDialogs dialogs;
  sim::SimState state;
  std::unique_ptr<sim::SimDriver> driver;
  std::unique_ptr<link::D2XXUnit> unit;
  platform::NullMessagePump pump;
  std::unique_ptr<model::TMainForm> window;
};

}  // namespace velmar::test
