// The fuzz targets' main window.
#include "FuzzWindow.h"

#include <filesystem>

#include "FuzzSupport.h"
#include "operations/WindowOperations.h"

namespace velmar::fuzz {

FuzzWindow::FuzzWindow() : program_(TempFolder() + "program/"), working_(TempFolder() + "working/") {
  std::filesystem::create_directories(program_);
  std::filesystem::create_directories(working_);
}

model::TMainForm& FuzzWindow::Show(int kind) {
  window_.reset();
  dialogs_ = std::make_unique<platform::ScriptedDialogs>();
  dialogs_->defaultAnswer = platform::DlgButton::Ok;
  window_ = std::make_unique<model::TMainForm>(*dialogs_, image::Folders{working_, program_});
  ops::BindOperations(*window_);
  window_->SetLinkTuning(&tuning_);
  window_->FormCreate(false);
  window_->ProgrammerKind = slot::ProgrammerKind(kind);
  window_->ConfigureForKind();
  window_->FormShow();
  return *window_;
}

}  // namespace velmar::fuzz
