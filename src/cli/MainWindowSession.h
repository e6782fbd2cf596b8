// The main window model as the command line uses it: created, set up for a
// programmer kind as a Read does, and shown (which loads the working
// folder's setting.ini), so that every command starts from the state the
// window has once it is on the screen. The window's own close (a missing
// DEVICES.INI) becomes a command failure; settings are never written.
#pragma once

#include <memory>

#include "slot/ProgrammerGeometry.h"

#include "model/LinkTuning.h"
#include "model/TMainForm.h"

namespace velmar::cli {

struct CliContext;

class MainWindowSession {
 public:
  // Throws CliFailure when the window cannot be shown.
  MainWindowSession(CliContext& ctx, int programmerKind);

  model::TMainForm& Window() { return *window_; }
  model::RecordingLinkTuning& Tuning() { return tuning_; }
  // Throws CliFailure when the window has closed itself.
  void CheckOpen() const;

 private:
  model::RecordingLinkTuning tuning_;
  std::unique_ptr<model::TMainForm> window_;
};

// The programmer kind a --kind number (0 to 5) stands for; refuses any other.
slot::ProgrammerKind CheckedKind(int number);

}  // namespace velmar::cli
