// `velmar-cli devices`, `options` and `settings`: the family and device
// lists, the option controls with the device record after a family and
// device choice, and what the window loads from setting.ini. Each starts
// from the main window as it stands once shown.
#include <CLI/CLI.hpp>

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/ControlReport.h"
#include "cli/ControlSetter.h"
#include "cli/MainWindowSession.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "slot/ProgrammerGeometry.h"

#include <algorithm>
#include <cstring>

namespace velmar::cli {

using model::Ctl;

namespace {

using nlohmann::ordered_json;

struct WindowArgs {
  int kind = slot::kind_8way_v2;
  int family = -1;
  bool familyGiven = false;  // --family was on the command line (a -1 there is refused, not "none")
  std::string device;
  std::string match;
  std::vector<std::string> sets;
};

void SelectFamily(model::TMainForm& w, int family) {
  int count = int(w.Controls().Items(Ctl::family).size());
  if (family < 0 || family >= count)
    throw CliFailure(
        "--family " + std::to_string(family) + " is not in the family list (0 to " + std::to_string(count - 1) + ")",
        kExitUsage);
  w.Controls().UserSelect(Ctl::family, family);
}

void PrintList(CliContext& ctx, const char* key, const std::vector<std::string>& items) {
  if (ctx.options.json) {
    nlohmann::ordered_json trimmed = nlohmann::ordered_json::array();
    for (const std::string& item : items) trimmed.push_back(text::Trim(item));
    ctx.PrintJson({{key, trimmed}});
    return;
  }
  for (std::size_t i = 0; i < items.size(); ++i) ctx.out << i << "  " << items[i] << "\n";
}

bool Matches(const std::string& device, const std::string& text) {
  return text::UpperCase(device).find(text::UpperCase(text)) != std::string::npos;
}

// The devices of every family whose name holds `text` (any letter case),
// with the family entry and the device's position in its list.
void FindDevices(CliContext& ctx, MainWindowSession& session, model::TMainForm& w, const std::string& text) {
  ordered_json found = ordered_json::array();
  const std::vector<std::string> families = w.Controls().Items(Ctl::family);
  for (int f = 0; f < int(families.size()); ++f) {
    w.Controls().UserSelect(Ctl::family, f);
    session.CheckOpen();
    const auto& devices = w.Controls().Items(Ctl::deviceList);
    for (std::size_t i = 0; i < devices.size(); ++i) {
      if (!Matches(devices[i], text)) continue;
      found.push_back(ordered_json{
          {"family", f}, {"family_name", text::Trim(families[std::size_t(f)])}, {"index", i}, {"device", devices[i]}});
      if (!ctx.options.json) ctx.out << "--family " << f << "  " << i << "  " << devices[i] << "\n";
    }
  }
  if (ctx.options.json) ctx.PrintJson({{"devices", found}});
  if (found.empty()) throw CliFailure("No device name holds \"" + text + "\"", kExitFailed);
}

void Devices(CliContext& ctx, const WindowArgs& a) {
  MainWindowSession session(ctx, a.kind);
  model::TMainForm& w = session.Window();
  if (!a.familyGiven && !a.match.empty()) return FindDevices(ctx, session, w, a.match);
  if (!a.familyGiven) {
    PrintList(ctx, "families", w.Controls().Items(Ctl::family));
    return;
  }
  SelectFamily(w, a.family);
  session.CheckOpen();
  const auto& devices = w.Controls().Items(Ctl::deviceList);
  if (a.match.empty()) return PrintList(ctx, "devices", devices);
  std::vector<std::string> found;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    if (!Matches(devices[i], a.match)) continue;
    found.push_back(devices[i]);
    if (!ctx.options.json) ctx.out << i << "  " << devices[i] << "\n";
  }
  if (ctx.options.json) ctx.PrintJson({{"devices", found}});
  if (found.empty())
    throw CliFailure("No device of " + text::Trim(w.Controls().Text(Ctl::family)) + " holds \"" + a.match + "\"",
                     kExitFailed);
}

void Options(CliContext& ctx, const WindowArgs& a) {
  MainWindowSession session(ctx, a.kind);
  model::TMainForm& w = session.Window();
  model::ControlStore& s = w.Controls();
  SelectFamily(w, a.family);
  session.CheckOpen();
  const auto& devices = s.Items(Ctl::deviceList);
  auto it = std::find(devices.begin(), devices.end(), a.device);
  if (it == devices.end())
    throw CliFailure("--device " + a.device + " is not in the " + s.Text(Ctl::family) + " device list", kExitUsage);
  s.UserSelect(Ctl::deviceList, int(it - devices.begin()));
  session.CheckOpen();
  for (const std::string& set : a.sets) ApplyControlSetting(s, set);

  if (ctx.options.json) {
    ctx.PrintJson({{"controls", OptionControlsJson(s)}, {"data", DataJson(w.Data)}});
    return;
  }
  PrintOptionControls(ctx.out, s, w.Data);
}

void Settings(CliContext& ctx, const WindowArgs& a) {
  MainWindowSession session(ctx, a.kind);
  model::TMainForm& w = session.Window();
  const std::string path = w.SettingsPath();
  const bool exists = platform::FileExists(path);
  auto entries = w.SettingsEntries();
  const auto& byPosition = w.PositionChoices();
  if (ctx.options.json) {
    ordered_json choices = ordered_json::array();
    for (const auto& c : byPosition)
      choices.push_back(ordered_json{{"key", c.key},
                                     {"position", c.position},
                                     {"stored_name", c.storedName},
                                     {"device", c.device},
                                     {"message", model::PositionChoiceText(c)}});
    ordered_json values = ordered_json::object();
    for (const auto& e : entries) {
      if (e.kind == model::SettingEntry::Text)
        values[e.key] = e.text;
      else if (e.kind == model::SettingEntry::Flag)
        values[e.key] = e.number != 0;
      else
        values[e.key] = e.number;
    }
    ctx.PrintJson({{"file", path}, {"exists", exists}, {"settings", values}, {"selected_by_position", choices}});
    return;
  }
  ctx.out << "; " << path << (exists ? "" : " (missing: the values for a missing file)") << "\n";
  for (const auto& c : byPosition) ctx.out << "; " << model::PositionChoiceText(c) << "\n";
  for (const auto& e : entries)
    ctx.out << e.key << "=" << (e.kind == model::SettingEntry::Text ? e.text : std::to_string(e.number)) << "\n";
}

}  // namespace

void RegisterOptionCommands(CLI::App& app, CliContext& ctx) {
  auto args = std::make_shared<WindowArgs>();
  const char* kindHelp = "Programmer kind whose family list is offered (0-5, default 4)";

  auto* devices = app.add_subcommand("devices", "The family list, or a family's device list");
  devices->add_option("--kind", args->kind, kindHelp);
  auto* family = devices->add_option("--family", args->family, "Family entry whose devices to list");
  devices->add_option("--match", args->match,
                      "Only the devices whose name holds TEXT (any letter case); every family without --family");
  devices->callback([&ctx, args, family] {
    args->familyGiven = family->count() > 0;
    Devices(ctx, *args);
  });

  auto* options = app.add_subcommand("options", "Option controls and device record after choosing a device");
  options->add_option("--kind", args->kind, kindHelp);
  options->add_option("--family", args->family, "Family entry")->required();
  options->add_option("--device", args->device, "Device name as listed")->required();
  options->add_option("--set", args->sets, "CONTROL=VALUE applied after the device choice (repeatable)");
  options->callback([&ctx, args] { Options(ctx, *args); });

  auto* settings = app.add_subcommand("settings", "What the window loads from the working folder's setting.ini");
  settings->add_option("--kind", args->kind, kindHelp);
  settings->callback([&ctx, args] { Settings(ctx, *args); });
}

}  // namespace velmar::cli
