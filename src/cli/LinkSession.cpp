// Link sessions for the command line.
#include "cli/LinkSession.h"

#include <stdexcept>

#include "cli/CliContext.h"
#include "cli/TerminalDialogs.h"
#include "image/THexList.h"
#include "link/D2XXUnit.h"
#include "link/TReadProg.h"
#include "platform/Errors.h"
#include "platform/Text.h"

namespace velmar::cli {

frontend::LinkOptions LinkOptionsFrom(const CliContext& ctx) { return LinkOptionsFrom(ctx.options); }

std::string DoctorAdvice() { return "Run `velmar-cli doctor` to find out why"; }

std::unique_ptr<frontend::LinkEnvironment> MakeLinkEnvironment(const CliContext& ctx) {
  try {
    auto env = std::make_unique<frontend::LinkEnvironment>(LinkOptionsFrom(ctx));
    if (!env->SeveralProgrammersNote().empty() && !ctx.options.quiet)
      ctx.err << "Note: " << env->SeveralProgrammersNote() << "\n";
    return env;
  } catch (const std::invalid_argument& e) {
    throw CliFailure(e.what(), kExitUsage);
  } catch (const std::exception& e) {
    throw CliFailure(text::DisplayText(e.what()));
  }
}

LinkSession::LinkSession(CliContext& ctx) : ctx_(ctx) {
  env_ = MakeLinkEnvironment(ctx);
  unit_ = std::make_unique<link::D2XXUnit>(env_->Driver(), *ctx.dialogs);
  unit_->NoDeviceAdvice = DoctorAdvice;
  prog_ = std::make_unique<link::TReadProg>(*unit_, env_->Clock(), *ctx.dialogs, data_, pump_);
  image::Folders f = ctx.Folders();
  prog_->ProgramFolder = f.program;
  prog_->ProgramFolderReport = f.programSearchReport;
  prog_->WorkingFolder = f.working;
  prog_->Pacing = frontend::LinkEnvironment::PacingInForce(LinkOptionsFrom(ctx));
  if (const auto token = env_->FixedNewToken()) prog_->TokenSource = [t = *token] { return t; };
  env_->CheckDelaysOf([this] { return prog_.get(); });
}

LinkSession::~LinkSession() = default;

void LinkSession::Run(const std::function<void()>& body) {
  auto close = [this] {
    try {
      if (prog_->LinkOpen) prog_->CloseLink(false);
    } catch (const std::exception&) {
      // The link is going away either way.
    }
  };
  std::string failure;
  try {
    body();
  } catch (const platform::EVelmarError& e) {  // the link's, the image's, a file's
    failure = e.what();
  } catch (const CliFailure&) {
    std::string ignored;
    close();
    env_->Finish(&ignored);
    throw;
  }
  close();
  std::string error;
  bool saved = env_->Finish(&error);
  ctx_.ReportLink(*env_);
  if (!failure.empty()) throw CliFailure(text::DisplayText(failure));
  if (!saved) throw CliFailure(error);
}

}  // namespace velmar::cli
