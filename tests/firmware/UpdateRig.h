// A firmware change against a simulated programmer, for tests: the
// simulated programmer's state is set up first, then Identify() and
// Change() run the link and the firmware change over the same USB adapter as
// the application does. The progress window's view and the thread priority
// are recorders.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "devices/TData.h"
#include "firmware/FirmwareChange.h"
#include "link/LinkErrors.h"
#include "link/SimRig.h"
#include "model/ProgressForm.h"
#include "platform/ThreadPriority.h"
#include "sim/ControllerFirmware.h"

namespace velmar::test {

struct RecordingPriority final : platform::ThreadPriority {
  int Get() override { return current; }
  void SetHighest() override {
    current = kHighest;
    ++raised;
  }
  void Set(int p) override { current = p; }
  static constexpr int kHighest = 99;
  int current = 0;
  int raised = 0;
};

// Keeps every step message and every progress report of the window.
struct RecordingView final : model::ProgressView {
  void Shown(const model::ProgressForm& f) override { Changed(f); }
  void Changed(const model::ProgressForm& f) override {
    if (messages.empty() || messages.back() != f.messageLabel) {
      if (!f.messageLabel.empty()) messages.push_back(f.messageLabel);
    } else {
      progress.emplace_back(f.MainProgressPosition, f.MainProgressMax);
    }
    highestPriorityDuring.push_back(priority ? priority->current : 0);
  }
  void Released(const model::ProgressForm&) override {}
  std::vector<std::string> messages;
  std::vector<std::pair<int, int>> progress;
  std::vector<int> highestPriorityDuring;
  RecordingPriority* priority = nullptr;
};

struct UpdateRig {
  explicit UpdateRig(int kind, bool trace = false) : sim(kind), trace_(trace) { view.priority = &priority; }

  link::TReadProg& Link() { return sim.prog ? *sim.prog : sim.Make(trace_); }
  sim::SimState& Sim() { return sim.Sim(); }

  // Identifies as a caller does first; returns the firmware condition ("" if none).
  std::string Identify() {
    try {
      Link().Identify();
    } catch (const link::EFirmwareUpdate& e) {
      return e.what();
    }
    return {};
  }

  // Runs the firmware change for `kind` (default: the simulated kind) with the
  // required firmware and file name (default: the settings' file for it).
  int Change(int required, const std::string& file = {}, std::optional<slot::ProgrammerKind> kind = std::nullopt) {
    link::TReadProg& p = Link();
    if (p.LinkOpen) p.CloseLink(false);
    form.RequiredFirmware = required;
    form.FirmwareFileName = !file.empty()                      ? file
                            : required == devices::fw_pic24    ? sim.data.FirmwareQRX24
                            : required == devices::fw_portable ? sim.data.FirmwareQRXPrima
                                                               : sim.data.FirmwareQRX;
    firmware::FirmwareChangeLinks links{*sim.unit, sim.clock, sim.dialogs,   sim.data,
                                        sim.pump,  priority,  programFolder, sim.work.Path()};
    return firmware::execute(form, kind.value_or(Sim().kind), links);
  }

  // The controller's flash as it now is.
  std::vector<std::uint8_t> Flash() {
    const sim::SimState& s = Sim();
    return s.controller.FlashHeld() ? s.controller.flash
                                    : sim::FirmwareImage(s.firmware, s.version, *s.controller.part);
  }
  // Nothing was erased or written: the same flash and the lock bits still set.
  bool Untouched(const std::vector<std::uint8_t>& before) {
    return Flash() == before && Sim().controller.lockBits == sim::kLockedBits;
  }

  SimRig sim;
  RecordingPriority priority;
  RecordingView view;
  model::ProgressForm form{&view, &sim.pump};
  std::string programFolder = BinDir();

 private:
  bool trace_;
};

}  // namespace velmar::test
