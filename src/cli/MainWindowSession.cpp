// Creating and showing the main window model for a command.
#include "cli/MainWindowSession.h"

#include "cli/CliContext.h"
#include "cli/TerminalDialogs.h"
#include "devices/DeviceDatabase.h"
#include "operations/WindowOperations.h"

namespace velmar::cli {

slot::ProgrammerKind CheckedKind(int number) {
  const std::optional<slot::ProgrammerKind> kind = slot::KindFromNumber(number);
  if (!kind) throw CliFailure("--kind must be a programmer kind from 0 to 5", kExitUsage);
  return *kind;
}

MainWindowSession::MainWindowSession(CliContext& ctx, int programmerKind)
    : window_(std::make_unique<model::TMainForm>(*ctx.dialogs, ctx.Folders())) {
  model::TMainForm& w = *window_;
  ops::BindOperations(w);
  w.SetLinkTuning(&tuning_);
  w.SetCloseHandler([] {});  // nothing to close on a terminal; CheckOpen reports it
  w.FormCreate(false);
  w.ProgrammerKind = CheckedKind(programmerKind);
  try {
    w.ConfigureForKind();
  } catch (const devices::EDeviceFileMissing& e) {
    throw CliFailure(e.what());
  }
  w.FormShow();
  CheckOpen();
}

void MainWindowSession::CheckOpen() const {
  // The window has already shown why it closed.
  if (window_->Closed()) throw CliFailure("", kExitFailed);
}

}  // namespace velmar::cli
