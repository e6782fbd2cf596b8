// The main window model with its programmer link, as the command line runs
// Read Programmer: the link environment from the global options (hardware or
// the simulated programmer), the window created, the Read run as at
// start-up, and the window shown. A link failure ends the command with the
// link's message (Retry and Ignore are the desktop's); a firmware condition
// asks whether to update (--yes/--no); the programmer type dialog takes its
// answers from the command's options. The simulated programmer's state is
// saved whatever happens.
#pragma once

#include <memory>
#include <string>

#include "cli/TerminalProgress.h"
#include "frontend/LinkEnvironment.h"
#include "model/TMainForm.h"
#include "platform/Dialogs.h"

namespace CLI {
class App;
}

namespace velmar::link {
class D2XXUnit;
}

namespace velmar::cli {

struct CliContext;

// Answers to the "Select Programmer Type" dialog.
struct ProgrammerTypeAnswer {
  std::string programmer;  // single, 8way or portable ("" leaves the dialog's choice)
  int version = 0;         // 1 or 2 (0 leaves it)
  std::string firmware;    // pic or pic24 ("" leaves it)
};

void AddProgrammerTypeOptions(CLI::App* command, ProgrammerTypeAnswer& answer);

class ReadSession {
 public:
  ReadSession(CliContext& ctx, const ProgrammerTypeAnswer& type);
  ~ReadSession();

  model::TMainForm& Window() { return *window_; }
  frontend::LinkEnvironment& Env() { return *env_; }

  // Runs the Read as the program does at start-up, then shows the window.
  // Throws CliFailure when the Read ends the program.
  void Read();
  // Saves the simulated programmer's state; throws CliFailure when that fails.
  void Finish();

 private:
  platform::DlgButton AnswerForm(platform::ModalForm& form);

  CliContext& ctx_;
  ProgrammerTypeAnswer type_;
  std::unique_ptr<frontend::LinkEnvironment> env_;
  std::unique_ptr<link::D2XXUnit> unit_;
  platform::NullMessagePump pump_;
  TerminalProgress progress_;
  std::unique_ptr<model::TMainForm> window_;
  std::string linkFailure_;
  bool reported_ = false;
};

}  // namespace velmar::cli
