// `velmar-cli update-firmware`: replace the programmer's own firmware (on
// hardware or the simulated programmer). The programmer is identified first
// to learn its kind (a programmer whose firmware does not answer cannot
// tell it; --kind then says it), the user confirms, the firmware change runs
// with its progress on the terminal, and the programmer is identified again
// to show the firmware it now runs.
#include <filesystem>

#include <CLI/CLI.hpp>

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/LinkSession.h"
#include "cli/TerminalDialogs.h"
#include "cli/TerminalProgress.h"
#include "devices/TData.h"
#include "firmware/FirmwareChange.h"
#include "firmware/TFirmwareFile.h"
#include "firmware/TUpdateProg.h"
#include "link/FirmwareVersionFacts.h"
#include "link/LinkErrors.h"
#include "link/TReadProg.h"
#include "model/ProgressForm.h"
#include "oplog/OperationJournal.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "platform/ThreadPriority.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::cli {

namespace {

struct UpdateArgs {
  std::string file;
  int required = -1;
  std::string kind;
};

// The firmware file for a required firmware, from the settings.
std::string SettingsFile(const devices::TData& data, int required) {
  switch (required) {
    case devices::fw_pic24: return data.FirmwareQRX24;
    case devices::fw_portable: return data.FirmwareQRXPrima;
    default: return data.FirmwareQRX;
  }
}

// The version a firmware file holds; -1 when it cannot be read (the update
// then says why).
int FileVersion(const std::string& path) {
  try {
    return int(std::stoul(firmware::TFirmwareFile::Load(path).Version(), nullptr, 16));
  } catch (const std::exception&) {
    return -1;
  }
}

// --kind, checked before the programmer is touched (unknown when not given).
slot::ProgrammerKind GivenKind(const UpdateArgs& a) {
  if (a.kind.empty()) return slot::kind_unknown;
  auto kind = slot::ParseKind(a.kind);
  if (!kind) throw CliFailure("--kind " + a.kind + ": expected 0-5 or a kind name", kExitUsage);
  return *kind;
}

void UpdateFirmware(CliContext& ctx, const UpdateArgs& a) {
  const slot::ProgrammerKind givenKind = GivenKind(a);
  LinkSession s(ctx);
  s.Run([&] {
    link::TReadProg& p = s.Prog();
    devices::TData& data = s.Data();
    std::string condition;
    try {
      p.Identify();
    } catch (const link::EFirmwareUpdate& e) {
      condition = e.what();  // what the programmer says it needs; the update is what was asked for
    }
    if (p.LinkOpen) p.CloseLink(false);
    // The kind the programmer reported; the one given when it could not tell.
    const slot::ProgrammerKind kind = p.Geometry.Kind != slot::kind_unknown ? p.Geometry.Kind : givenKind;

    model::ProgressForm probe(nullptr, nullptr);
    probe.RequiredFirmware = a.required >= 0                                                ? a.required
                             : slot::KindRow(kind).firmware == slot::FirmwareLine::portable ? int(devices::fw_portable)
                             : data.LoadedFirmware == devices::fw_pic24                     ? int(devices::fw_pic24)
                                                                                            : int(devices::fw_pic);
    probe.FirmwareFileName =
        a.file.empty() ? SettingsFile(data, probe.RequiredFirmware) : std::filesystem::absolute(a.file).string();
    const std::string asked = probe.FirmwareFileName;
    firmware::ChooseFirmwareForKind(kind, data, probe.FirmwareFileName, probe.RequiredFirmware);
    const std::string path = firmware::FirmwarePath(p.ProgramFolder, probe.FirmwareFileName);
    if (!a.file.empty() && probe.FirmwareFileName != asked)
      ctx.err << "Note: a " << slot::KindName(kind) << " programmer takes " << path << "; --file is not used\n";

    std::string question = (condition.empty() ? "" : condition + "\r\r") + "Update the programmer's firmware from\r" +
                           path + "\r\rIts controller is erased and programmed again. Continue?" + "\r\r" +
                           link::VersionFacts(FileVersion(path), p.FirmwareVersion);
    // The update is recorded in the working folder's operation log, as the
    // window records it.
    oplog::OperationJournal journal(*ctx.dialogs);
    journal.SetFolderSource([&p] { return p.WorkingFolder; });
    journal.SetDriver(s.Env().BackendName());
    journal.SetLocation(s.Env().Location());
    journal.SetLinkPacing(link::PacingName(p.Pacing));
    if (!ctx.dialogs->AskYesNo(question, "Update Programmer")) {
      oplog::OperationRecorder declined(&journal, oplog::LoggedOperation::update_firmware, &s.Env().Clock());
      oplog::RecordFile(declined.Record(), path);
      declined.Cancelled();
      return;
    }

    std::ostream& progress = ctx.options.json ? ctx.err : ctx.out;
    TerminalProgress view(progress, TerminalProgress::IsTerminal(progress));
    platform::NullMessagePump pump;
    platform::SystemThreadPriority priority;
    model::ProgressForm form(&view, &pump);
    form.FirmwareFileName = probe.FirmwareFileName;
    form.RequiredFirmware = probe.RequiredFirmware;
    firmware::FirmwareChangeLinks links{p.Unit(), s.Env().Clock(), *ctx.dialogs,    data,    pump,
                                        priority, p.ProgramFolder, p.WorkingFolder, &journal};
    links.pacing = p.Pacing;
    platform::Clock& clock = s.Env().Clock();
    const std::uint64_t start = clock.NowMs();
    const int result = firmware::execute(form, kind, links);
    const std::uint64_t updateMs = clock.NowMs() - start;
    if (result != 0) throw CliFailure("");  // the change has shown its message

    try {
      p.Identify();
    } catch (const std::exception& e) {
      throw CliFailure("The firmware was changed, but the programmer then reported: " + text::DisplayText(e.what()));
    }
    const std::uint64_t ms = clock.NowMs();
    if (ctx.options.json) {
      ctx.PrintJson({{"result", result},
                     {"kind", p.Geometry.Kind},
                     {"firmware_file", path},
                     {"required_firmware", form.RequiredFirmware},
                     {"loaded_firmware", data.LoadedFirmware},
                     {"firmware_version", p.FirmwareVersion},
                     {"firmware_version_hex", VersionHex(p.FirmwareVersion)},
                     {"update_ms", updateMs},
                     {"protocol_ms", ms}});
      return;
    }
    ctx.out << "firmware version: " << p.FirmwareVersion << " (0x"
            << text::IntToHex(std::uint64_t(p.FirmwareVersion), 2) << ")\n"
            << "loaded firmware:  " << data.LoadedFirmware << "\n"
            << "update time:      " << updateMs << " ms\n"
            << "protocol time:    " << ms << " ms\n";
  });
}

}  // namespace

void RegisterUpdateCommands(CLI::App& app, CliContext& ctx) {
  auto a = std::make_shared<UpdateArgs>();
  auto* update = app.add_subcommand("update-firmware", "Replace the programmer's firmware from a firmware file");
  // Checked before the programmer is identified.
  update
      ->add_option("--file", a->file,
                   "Firmware file (.upd); kinds 0-2 always take the PIC12/16/18 file and the portable its own")
      ->check(CLI::ExistingFile);
  update->add_option("--required", a->required, "Firmware to load: 0 PIC12/16/18, 1 PIC24, 3 portable")
      ->check(CLI::IsMember({0, 1, 3}));
  update->add_option("--kind", a->kind, "Programmer kind, when its firmware does not answer (0-5 or a kind name)");
  update->callback([&ctx, a] { UpdateFirmware(ctx, *a); });
}

}  // namespace velmar::cli
