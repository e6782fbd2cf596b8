// Read Programmer for the command line.
#include "cli/ReadSession.h"

#include <CLI/CLI.hpp>

#include "cli/CliContext.h"
#include "cli/LinkSession.h"
#include "cli/TerminalDialogs.h"
#include "link/D2XXUnit.h"
#include "operations/WindowOperations.h"
#include "platform/Text.h"

namespace velmar::cli {

using platform::DlgButton;

void AddProgrammerTypeOptions(CLI::App* command, ProgrammerTypeAnswer& a) {
  command->add_option("--programmer", a.programmer, "Answer to the programmer type question: single, 8way or portable")
      ->check(CLI::IsMember({"single", "8way", "portable"}));
  command->add_option("--programmer-version", a.version, "Answer to the programmer version question: 1 or 2")
      ->check(CLI::IsMember({1, 2}));
  command->add_option("--load-firmware", a.firmware, "Answer to the firmware question: pic or pic24")
      ->check(CLI::IsMember({"pic", "pic24"}));
}

ReadSession::ReadSession(CliContext& ctx, const ProgrammerTypeAnswer& type)
    : ctx_(ctx), type_(type), progress_(ctx.err, TerminalProgress::IsTerminal(ctx.err)) {
  env_ = MakeLinkEnvironment(ctx);
  unit_ = std::make_unique<link::D2XXUnit>(env_->Driver(), *ctx.dialogs);
  unit_->NoDeviceAdvice = DoctorAdvice;
  window_ = std::make_unique<model::TMainForm>(*ctx.dialogs, ctx.Folders());
  ops::BindOperations(*window_);
  window_->SetCloseHandler([] {});  // nothing to close on a terminal
  window_->UseLink({unit_.get(), &env_->Clock(), &pump_, env_->BackendName(), env_->FixedNewToken(), env_->Location()});
  if (const auto pacing = env_->FixedPacing()) window_->FixLinkPacing(*pacing);
  env_->CheckDelaysOf([this] { return window_->Link(); });
  window_->SetProgressView(&progress_);

  // A link failure ends the command with its message instead of asking.
  ctx.dialogs->intercept = [this](const platform::MessageBoxRequest& r) -> std::optional<DlgButton> {
    for (DlgButton b : r.buttons)
      if (b == DlgButton::Retry) {
        linkFailure_ = r.text;
        return DlgButton::Abort;
      }
    return std::nullopt;
  };
  ctx.dialogs->formAnswer = [this](platform::ModalForm& form) { return AnswerForm(form); };
}

ReadSession::~ReadSession() {
  ctx_.dialogs->intercept = nullptr;
  ctx_.dialogs->formAnswer = nullptr;
  std::string ignored;
  if (env_) env_->Finish(&ignored);
}

DlgButton ReadSession::AnswerForm(platform::ModalForm& form) {
  auto* type = dynamic_cast<model::TProgrammerTypeForm*>(&form);
  if (!type) return DlgButton::None;
  model::ControlStore& s = type->Controls();
  // Chosen as a person would: a disabled choice cannot be clicked.
  auto choose = [&s](model::ControlName name, int index) {
    if (index >= 0 && s.Enabled(name) && s.Visible(name)) s.UserSelect(name, index);
  };
  const int model = type_.programmer == "single"     ? 0
                    : type_.programmer == "8way"     ? 1
                    : type_.programmer == "portable" ? 2
                                                     : -1;
  choose(model::TypeCtl::Progs, model);
  choose(model::TypeCtl::progVersion, type_.version - 1);
  choose(model::TypeCtl::FirmwareSel, type_.firmware == "pic" ? 0 : type_.firmware == "pic24" ? 1 : -1);
  s.UserClick(model::TypeCtl::okButton);
  return type->ModalResult;
}

void ReadSession::Read() {
  model::TMainForm& w = *window_;
  w.FormCreate(false);
  w.ReadProgButtonClick();
  if (w.CloseRequested) {
    Finish();
    if (!linkFailure_.empty()) throw CliFailure(text::DisplayText(linkFailure_));
    // The reason has been shown; a declined update is a No.
    throw CliFailure("", ctx_.dialogs->declined ? kExitDeclined : kExitFailed);
  }
  w.FormShow();
  if (w.Closed()) throw CliFailure("", kExitFailed);
}

void ReadSession::Finish() {
  std::string error;
  const bool saved = env_->Finish(&error);
  if (!reported_) ctx_.ReportLink(*env_);
  reported_ = true;
  if (!saved) throw CliFailure(error);
}

}  // namespace velmar::cli
