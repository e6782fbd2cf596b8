// The main window model for the fuzz targets that read files through it: a
// program folder and a working folder under the fuzz temporary folder,
// scripted dialogs that answer OK, and a window made, set up for a
// programmer kind and shown as at start-up (which reads setting.ini from
// the working folder and progsetting.ini from the program folder). A fresh
// window for every input keeps each run independent of the ones before.
#pragma once

#include <memory>
#include <string>

#include "model/LinkTuning.h"
#include "model/TMainForm.h"
#include "platform/ScriptedDialogs.h"

namespace velmar::fuzz {

class FuzzWindow {
 public:
  FuzzWindow();
  // Folders, each ending with '/'.
  const std::string& Program() const { return program_; }
  const std::string& Working() const { return working_; }
  // Makes and shows a new window for `kind` (0 to 5).
  model::TMainForm& Show(int kind);
  model::TMainForm& W() { return *window_; }

 private:
  std::string program_;
  std::string working_;
  std::unique_ptr<platform::ScriptedDialogs> dialogs_;
  model::RecordingLinkTuning tuning_;
  std::unique_ptr<model::TMainForm> window_;
};

}  // namespace velmar::fuzz
