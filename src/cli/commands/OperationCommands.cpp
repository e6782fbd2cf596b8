// `velmar-cli new`, `replace`, `delete`, `erase`, `copy`, `load` and
// `verify-unit`: the window's programmer operations from the command line. Each reads the
// programmer first, as the window always has before a button can be
// pressed, makes the window's choices as a user would (slot row, family,
// device, --set, HEX file, description) and presses the button. The window's
// messages are printed as they come, the progress window is a bar on a
// terminal (plain lines otherwise), and the operation's protocol time
// follows. A button the window does not offer (a full programmer's New, a
// single-slot programmer's Replace) is a failure that says so.
#include <CLI/CLI.hpp>

#include <functional>

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/ControlReport.h"
#include "cli/ControlSetter.h"
#include "cli/ReadSession.h"
#include "cli/TerminalDialogs.h"
#include "cli/WindowChoices.h"
#include "model/TMainForm.h"
#include "operations/UnitCopy.h"
#include "operations/UnitVerify.h"
#include "operations/WindowOperations.h"
#include "platform/Clock.h"
#include "platform/FileDigest.h"
#include "platform/Text.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::cli {

using model::Ctl;

namespace {

using nlohmann::ordered_json;

struct OperationArgs {
  ProgrammerTypeAnswer type;
  std::string family;  // entry number or name; empty: the device's family
  std::string device;
  std::string hex;
  std::string description;
  std::vector<std::string> sets;
  int slot = 0;
  std::string file;
  bool verify = false;
};

// --verify turns "Verify after writing" on for this run (setting.ini may
// have it on already).
void AddVerifyOption(CLI::App* c, OperationArgs& a) {
  c->add_flag("--verify", a.verify, "Read the pages back after writing and compare them (\"Verify after writing\")");
}

void ApplyVerify(model::TMainForm& w, const OperationArgs& a) {
  if (a.verify) w.Controls().SetChecked(Ctl::VerifyAfterWriting, true);
}

// The button, made usable first where the window offers it through its
// service keys (the portable programmer's whole-unit buttons); a button still
// hidden or disabled is a failure that gives the window's status.
void CheckButton(model::TMainForm& w, model::ControlName button, const std::string& caption) {
  model::ControlStore& s = w.Controls();
  if (!s.Visible(button) && (button == Ctl::EraseButton || button == Ctl::CopyButton || button == Ctl::LoadButton))
    w.serviceShortcutKey(model::ShortcutKey::F3, true, true);
  if (s.Visible(button) && s.Enabled(button)) return;
  std::string why = s.Visible(button) ? s.Text(Ctl::slotListHint) : "not offered for this programmer";
  throw CliFailure(caption + " is not available: " + (why.empty() ? "the button is disabled" : why));
}

void SelectSlot(model::TMainForm& w, int slot) {
  const int count = w.Programs.EntryCount;
  if (slot < 1 || slot > count)
    throw CliFailure(
        count == 0 ? "The programmer holds no slots"
                   : "--slot " + std::to_string(slot) + ": the programmer lists slots 1 to " + std::to_string(count),
        kExitUsage);
  w.Controls().UserClickCell(Ctl::slotList, slot, 0);
}

// Family, device, settings, file and description, as for a build.
void ChooseProgram(CliContext& ctx, model::TMainForm& w, const OperationArgs& a) {
  SelectFamily(w, a.family, a.device);
  if (w.Closed()) throw CliFailure("");
  SelectDevice(w, a.device);
  if (w.Closed()) throw CliFailure("");
  for (const std::string& set : a.sets) ApplyControlSetting(w.Controls(), set);
  ChooseHexFile(w, a.hex);
  if (!a.description.empty()) w.Controls().SetText(Ctl::ProgCaption, a.description);
  WarnIfCut(ctx, a.description, a.hex);
}

// Reads the programmer, runs `operation` on the window and reports.
void Run(CliContext& ctx, const OperationArgs& a, const std::string& name,
         const std::function<bool(model::TMainForm&)>& operation) {
  ReadSession session(ctx, a.type);
  session.Read();
  model::TMainForm& w = session.Window();
  platform::Clock& clock = session.Env().Clock();
  const std::uint64_t readMs = clock.NowMs();
  const bool ok = operation(w);
  const std::uint64_t operationMs = clock.NowMs() - readMs;
  ctx.dialogs->fileAnswer.reset();
  session.Finish();

  const model::Control& grid = w.Controls().Get(Ctl::slotList);
  if (ctx.options.json) {
    ctx.PrintJson({{"operation", name},
                   {"ok", ok},
                   {"kind", slot::NumberOf(w.ProgrammerKind)},
                   {"slot_count", w.Programs.EntryCount},
                   {"slots", SlotsJson(grid)},
                   {"protocol_ms", operationMs},
                   {"read_ms", readMs}});
    // The unit image a copy saved or a load read, with its checksum, so a
    // script can record exactly which file went where.
    if (ok && !a.file.empty()) {
      if (std::optional<std::string> sha = platform::FileSha256(a.file))
        ctx.PrintJson({{"file", a.file}, {"file_sha256", *sha}});
    }
  } else {
    ctx.Info() << "slots            " << w.Programs.EntryCount << "\n"
               << "protocol time    " << operationMs << " ms (the Read before it " << readMs << " ms)\n";
  }
  if (!ok) throw CliFailure("", ctx.dialogs->declined ? kExitDeclined : kExitFailed);
}

// The programmer's content compared with a unit image: exit status 0 only
// when both are identical.
void VerifyUnit(CliContext& ctx, const OperationArgs& a) {
  ReadSession session(ctx, a.type);
  session.Read();
  model::TMainForm& w = session.Window();
  platform::Clock& clock = session.Env().Clock();
  const std::uint64_t readMs = clock.NowMs();
  ApplyVerify(w, a);
  ops::UnitVerification v;
  const bool identical = ops::VerifyUnitAgainst(w, a.file, v);
  const std::uint64_t operationMs = clock.NowMs() - readMs;
  session.Finish();
  if (!v.compared) throw CliFailure(v.failure);
  const ops::UnitComparison& c = v.comparison;
  if (ctx.options.json) {
    ordered_json slots = ordered_json::array();
    for (const ops::SlotDifference& d : c.slots) slots.push_back({{"slot", d.slot}, {"pages", d.pages}});
    ordered_json j = {{"operation", "verify-unit"},
                      {"file", a.file},
                      {"result", ops::UnitMatchName(c.match)},
                      {"differing_slots", slots},
                      {"file_sha256", v.fileSha256},
                      {"protocol_ms", operationMs},
                      {"read_ms", readMs}};
    if (!v.unitSha256.empty()) j["unit_sha256"] = v.unitSha256;
    if (c.match == ops::UnitMatch::other_geometry) j["geometry"] = c.geometry;
    ctx.PrintJson(j);
  } else {
    switch (c.match) {
      case ops::UnitMatch::identical: ctx.out << "identical: the programmer holds what " << a.file << " holds\n"; break;
      case ops::UnitMatch::differing:
        ctx.out << "differing: " << c.slots.size() << (c.slots.size() == 1 ? " slot differs" : " slots differ")
                << " from " << a.file << "\n"
                << ops::DifferenceText(c) << "\n";
        break;
      case ops::UnitMatch::other_geometry: ctx.out << "different geometry: " << c.geometry << "\n"; break;
    }
    ctx.out << "file SHA-256     " << v.fileSha256 << "\n";
    if (!v.unitSha256.empty()) ctx.out << "unit SHA-256     " << v.unitSha256 << "\n";
    ctx.Info() << "protocol time    " << operationMs << " ms (the Read before it " << readMs << " ms)\n";
  }
  if (identical) return;
  if (c.match == ops::UnitMatch::other_geometry) throw CliFailure(c.geometry);
  throw CliFailure("The programmer does not hold what " + a.file + " holds: " + std::to_string(c.slots.size()) +
                   (c.slots.size() == 1 ? " slot differs" : " slots differ"));
}

void AddProgramOptions(CLI::App* c, OperationArgs& a, bool descriptionRequired) {
  c->add_option("--family", a.family,
                "Family: its name or entry (0 PIC18F, 1 PIC12F-16F, 2 PIC18J, 3 PIC18 K, 4 PIC24F, 5 dsPIC30); "
                "default: the family that lists --device");
  c->add_option("--device", a.device, "Device name as listed")->required();
  // Checked before the programmer is read: a mistyped name costs no Read.
  c->add_option("--hex", a.hex, "The program's HEX file")->required()->check(CLI::ExistingFile);
  auto* description = c->add_option("--description", a.description, "Program description (28 characters are kept)");
  if (descriptionRequired) description->required();
  c->add_option("--set", a.sets, "CONTROL=VALUE applied after the device choice (repeatable)");
}

}  // namespace

void RegisterOperationCommands(CLI::App& app, CliContext& ctx) {
  auto a = std::make_shared<OperationArgs>();

  auto* add = app.add_subcommand("new", "Read the programmer and write a program into a new slot");
  AddProgramOptions(add, *a, true);
  AddVerifyOption(add, *a);
  AddProgrammerTypeOptions(add, a->type);
  add->callback([&ctx, a] {
    Run(ctx, *a, "new", [&](model::TMainForm& w) {
      ApplyVerify(w, *a);
      ChooseProgram(ctx, w, *a);
      CheckButton(w, Ctl::NewButton, w.Controls().Text(Ctl::NewButton));
      ctx.hintSlot = w.Controls().Row(Ctl::slotList);
      return ops::NewButtonClick(w);
    });
  });

  auto* replace = app.add_subcommand("replace", "Read the programmer and write a program over a slot");
  replace->add_option("--slot", a->slot, "Slot number (its row in the slot list)")->required();
  AddProgramOptions(replace, *a, false);
  AddVerifyOption(replace, *a);
  AddProgrammerTypeOptions(replace, a->type);
  replace->callback([&ctx, a] {
    Run(ctx, *a, "replace", [&](model::TMainForm& w) {
      ApplyVerify(w, *a);
      CheckButton(w, Ctl::editButton, "Replace");
      SelectSlot(w, a->slot);
      ctx.hintSlot = a->slot;
      ChooseProgram(ctx, w, *a);
      return ops::editButtonClick(w);
    });
  });

  auto* remove = app.add_subcommand("delete", "Read the programmer and empty a slot");
  remove->add_option("--slot", a->slot, "Slot number (its row in the slot list)")->required();
  AddProgrammerTypeOptions(remove, a->type);
  remove->callback([&ctx, a] {
    Run(ctx, *a, "delete", [&](model::TMainForm& w) {
      CheckButton(w, Ctl::DeleteProgramButton, "Delete");
      SelectSlot(w, a->slot);
      return ops::DeleteProgramButtonClick(w);
    });
  });

  auto* erase = app.add_subcommand("erase", "Read the programmer and erase every slot");
  AddProgrammerTypeOptions(erase, a->type);
  erase->callback([&ctx, a] {
    Run(ctx, *a, "erase", [&](model::TMainForm& w) {
      CheckButton(w, Ctl::EraseButton, "Erase Unit");
      return ops::EraseButtonClick(w);
    });
  });

  auto* copy = app.add_subcommand("copy", "Read the programmer and save its whole contents to a unit image file");
  // The file's folder is checked before the programmer is read, as --hex is.
  copy->add_option("FILE", a->file, "Unit image file to write (.prg)")
      ->required()
      ->check(CLI::Validator([](const std::string& file) { return ops::UnitFileProblem(file); }, ""));
  copy->add_flag("--verify", a->verify,
                 "Read every page twice and compare; a page whose reads differ is read again until two agree");
  AddProgrammerTypeOptions(copy, a->type);
  copy->callback([&ctx, a] {
    Run(ctx, *a, "copy", [&](model::TMainForm& w) {
      ApplyVerify(w, *a);
      CheckButton(w, Ctl::CopyButton, "Copy Unit");
      ctx.dialogs->fileAnswer = a->file;
      return ops::CopyButtonClick(w);
    });
  });

  auto* verifyUnit = app.add_subcommand(
      "verify-unit", "Read the programmer's whole contents and compare them with a unit image file, slot by slot");
  verifyUnit->add_option("FILE", a->file, "Unit image file to compare with (.prg)")
      ->required()
      ->check(CLI::ExistingFile);
  verifyUnit->add_flag("--verify", a->verify,
                       "Read every page twice and compare; a page whose reads differ is read again until two agree");
  AddProgrammerTypeOptions(verifyUnit, a->type);
  verifyUnit->callback([&ctx, a] { VerifyUnit(ctx, *a); });

  auto* load = app.add_subcommand("load", "Read the programmer and replace its whole contents from a unit image file");
  load->add_option("FILE", a->file, "Unit image file to load (.prg)")->required()->check(CLI::ExistingFile);
  AddVerifyOption(load, *a);
  AddProgrammerTypeOptions(load, a->type);
  load->callback([&ctx, a] {
    Run(ctx, *a, "load", [&](model::TMainForm& w) {
      ApplyVerify(w, *a);
      CheckButton(w, Ctl::LoadButton, "Load Unit");
      ctx.dialogs->fileAnswer = a->file;
      return ops::LoadButtonClick(w);
    });
  });
}

}  // namespace velmar::cli
