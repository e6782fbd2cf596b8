// `velmar-cli read`, `details` and `find`: each reads the programmer as the
// window does at start-up, then reports the slot list with its status
// labels and buttons, shows the details of one slot (family, device and
// option controls as `options` prints them, with the description, the file
// name read back and the count limit), or searches the slot names.
#include <CLI/CLI.hpp>

#include <algorithm>

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/ControlReport.h"
#include "cli/ReadSession.h"
#include "cli/TerminalDialogs.h"
#include "model/SlotHeaderReading.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "slot/ProgrammerGeometry.h"
#include "slot/SlotHeader.h"

namespace velmar::cli {

using model::Ctl;

namespace {

using nlohmann::ordered_json;

struct ReadArgs {
  ProgrammerTypeAnswer type;
  int slot = 0;
  std::string text;
  bool matchCase = false;
  bool wholeWord = false;
  int from = 1;
};

const model::ControlName kStatusLabels[] = {Ctl::slotListHint,      Ctl::slotListHint2,      Ctl::newSlotNumber, Ctl::selectedSlotNumber,
                                            Ctl::ProgCaption, Ctl::selectedDescription, Ctl::programmerVersion, Ctl::programmerFirmware};
const model::ControlName kButtons[] = {Ctl::NewButton,      Ctl::editButton, Ctl::DeleteProgramButton,
                                       Ctl::ReadProgButton, Ctl::FindButton, Ctl::showDetailsButton,
                                       Ctl::EraseButton,    Ctl::LoadButton, Ctl::CopyButton};

std::string Model(slot::ProgrammerKind kind) {
  const slot::KindInfo* k = slot::FindKind(kind);
  return k ? k->model : "not identified";
}

// A grid cell as the terminal shows it: the slot names in it are bytes
// read from the programmer.
std::string CellText(const std::string& cell) { return text::EscapeControls(RightTrimmed(cell)); }

void PrintRows(CliContext& ctx, const std::vector<std::vector<std::string>>& rows, int selected) {
  std::vector<std::size_t> width(3, 0);
  for (const auto& r : rows)
    for (std::size_t c = 0; c < r.size() && c < 3; ++c) width[c] = std::max(width[c], CellText(r[c]).size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::string line = int(i) == selected ? "> " : "  ";
    for (std::size_t c = 0; c < rows[i].size() && c < 3; ++c) {
      std::string cell = CellText(rows[i][c]);
      line += cell + (c < 2 ? std::string(width[c] - cell.size() + 2, ' ') : "");
    }
    ctx.out << RightTrimmed(line) << "\n";
  }
}

void Read(CliContext& ctx, const ReadArgs& a) {
  ReadSession session(ctx, a.type);
  session.Read();
  model::TMainForm& w = session.Window();
  const model::ControlStore& s = w.Controls();
  const model::Control& grid = s.Get(Ctl::slotList);
  session.Finish();

  if (ctx.options.json) {
    ordered_json statusLines = ordered_json::array();
    ordered_json controls = ordered_json::object();
    for (model::ControlName name : kStatusLabels) {
      if (s.Visible(name) && !text::Trim(s.Text(name)).empty()) statusLines.push_back(text::Trim(s.Text(name)));
      controls[name.Str()] = {{"text", s.Text(name)}, {"visible", s.Visible(name)}};
    }
    for (model::ControlName name : kButtons)
      controls[name.Str()] = {{"caption", s.Text(name)}, {"enabled", s.Enabled(name)}, {"visible", s.Visible(name)}};
    ctx.PrintJson({{"kind", slot::NumberOf(w.ProgrammerKind)},
                   {"model", Model(w.ProgrammerKind)},
                   {"title", text::Trim(s.Text(Ctl::MainForm))},
                   {"slot_count", w.Programs.EntryCount},
                   {"slots", SlotsJson(grid)},
                   {"selected_slot", grid.selectedRow},
                   {"status_lines", statusLines},
                   {"buttons", ButtonsJson(s, kButtons)},
                   {"controls", controls},
                   {"protocol_ms", session.Env().Clock().NowMs()}});
    return;
  }
  ctx.out << TerminalText(s.Text(Ctl::MainForm)) << "\n";
  PrintRows(ctx, grid.cells, grid.selectedRow);
  ctx.out << "\n";
  for (model::ControlName name : kStatusLabels)
    if (s.Visible(name) && !s.Text(name).empty())
      ctx.out << name.Str() << std::string(14 - name.View().size(), ' ') << TerminalText(s.Text(name)) << "\n";
  std::string usable;
  for (model::ControlName name : kButtons)
    if (s.Visible(name) && s.Enabled(name)) usable += (usable.empty() ? "" : ", ") + s.Text(name);
  ctx.out << "buttons       " << usable << "\n";
}

void Details(CliContext& ctx, const ReadArgs& a) {
  ReadSession session(ctx, a.type);
  session.Read();
  model::TMainForm& w = session.Window();
  model::ControlStore& s = w.Controls();
  const int count = w.Programs.EntryCount;
  ctx.PrintJson({{"slot", a.slot}, {"slot_count", count}});
  if (a.slot < 1 || a.slot > count)
    throw CliFailure(
        count == 0 ? "The programmer holds no slots"
                   : "--slot " + std::to_string(a.slot) + ": the programmer lists slots 1 to " + std::to_string(count),
        kExitUsage);
  const slot::TProgramEntry& entry = w.Programs.Get(a.slot - 1);
  if (text::Trim(entry.SlotName) == slot::slot_header::kEmptyName)
    throw CliFailure("Slot " + std::to_string(a.slot) + " is empty");
  s.UserClickCell(Ctl::slotList, a.slot, 0);
  // What the menu entry does; a slot that could not be shown has had its
  // message, and the window's settings are not that slot's.
  const bool shown = w.ShowSlotDetails(s.Row(Ctl::slotList));
  session.Finish();
  if (!shown) throw CliFailure("", kExitFailed);

  const model::CountLimit limit = model::SlotCountLimit(entry.Header.data());
  const std::string fileName = RightTrimmed(entry.SourceFileName);
  if (ctx.options.json) {
    ctx.PrintJson({{"slot", a.slot},
                   {"description", text::Trim(s.Text(Ctl::ProgCaption))},
                   {"file_name", fileName},
                   {"stored", {{"slot_name", entry.SlotName}, {"file_name", entry.SourceFileName}}},
                   {"limit", limit.on ? ordered_json(limit.count) : ordered_json(nullptr)},
                   {"limit_label", s.Visible(Ctl::currentCount) ? text::Trim(s.Text(Ctl::currentCount)) : ""},
                   {"controls", OptionControlsJson(s)},
                   {"data", DataJson(w.Data)}});
    return;
  }
  ctx.out << "slot            " << a.slot << "\n"
          << "description     \"" << TerminalText(s.Text(Ctl::ProgCaption)) << "\"\n"
          << "file name read  \"" << text::EscapeControls(fileName) << "\"\n"
          << "limit           " << (limit.on ? std::to_string(limit.count) : "off") << "\n";
  PrintOptionControls(ctx.out, s, w.Data);
}

void Find(CliContext& ctx, const ReadArgs& a) {
  if (a.from < 1) throw CliFailure("--from must be a slot number from 1", kExitUsage);
  ReadSession session(ctx, a.type);
  session.Read();
  model::TMainForm& w = session.Window();
  model::ControlStore& s = w.Controls();

  bool found = false;
  // The dialog's "... Not Found" is the command's failure, said once.
  std::string notFound;
  auto previous = ctx.dialogs->intercept;
  ctx.dialogs->intercept = [&notFound, previous](const platform::MessageBoxRequest& r) {
    if (text::Contains(r.text, "Not Found")) {
      notFound = text::DisplayText(r.text);
      return std::optional<platform::DlgButton>(platform::DlgButton::Ok);
    }
    return previous ? previous(r) : std::nullopt;
  };
  ctx.dialogs->formAnswer = [&](platform::ModalForm& form) {
    auto* find = dynamic_cast<model::FindNameDialog*>(&form);
    if (!find) return platform::DlgButton::None;
    model::ControlStore& f = find->Controls();
    f.UserSetText(model::FindCtl::FindText, a.text);
    if (f.Checked(model::FindCtl::MatchCase) != a.matchCase) f.UserClick(model::FindCtl::MatchCase);
    if (f.Checked(model::FindCtl::WholeWord) != a.wholeWord) f.UserClick(model::FindCtl::WholeWord);
    w.FindStart = a.from - 1;  // as if Find Next had been pressed up to there
    f.UserClick(model::FindCtl::FindNext);
    found = w.FindStart > 0;  // a failed search starts the next one from the top
    f.UserClick(model::FindCtl::Cancel);
    return find->ModalResult;
  };
  s.UserClick(Ctl::FindButton);
  session.Finish();

  const int row = s.Row(Ctl::slotList);
  if (ctx.options.json) {
    ordered_json j = {{"text", a.text}, {"found", found}, {"slot_count", w.Programs.EntryCount}};
    if (found) {
      j["slot"] = row;
      j["found_slot"] = SlotsJson(s.Get(Ctl::slotList))[std::size_t(row - 1)];
      j["next_from"] = w.FindStart + 1;
    }
    ctx.PrintJson(j);
  } else if (found) {
    ctx.out << "slot " << row << ": ";
    PrintRows(ctx, {s.Get(Ctl::slotList).cells[std::size_t(row)]}, -1);
  }
  if (!found) throw CliFailure(notFound.empty() ? a.text + " Not Found" : notFound);
}

}  // namespace

void RegisterReadCommands(CLI::App& app, CliContext& ctx) {
  auto args = std::make_shared<ReadArgs>();

  auto* read = app.add_subcommand("read", "Read the programmer as the window does and show its slot list");
  AddProgrammerTypeOptions(read, args->type);
  read->callback([&ctx, args] { Read(ctx, *args); });

  auto* details = app.add_subcommand("details", "Read the programmer and show the settings a slot was built with");
  details->add_option("--slot", args->slot, "Slot number (its row in the slot list)")->required();
  AddProgrammerTypeOptions(details, args->type);
  details->callback([&ctx, args] { Details(ctx, *args); });

  auto* find = app.add_subcommand("find", "Read the programmer and find a slot by file name or description");
  find->add_option("TEXT", args->text, "Text to find")->required();
  find->add_flag("--match-case", args->matchCase, "Letter case must match");
  find->add_flag("--whole-word", args->wholeWord, "The whole field must equal the text");
  find->add_option("--from", args->from, "Slot number where the search starts (default 1)");
  AddProgrammerTypeOptions(find, args->type);
  find->callback([&ctx, args] { Find(ctx, *args); });
}

}  // namespace velmar::cli
