// The command-line runner: global options, the explicit table of command
// groups, parsing, and the mapping of failures to exit statuses.
#include "cli/Cli.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/AllProgrammers.h"
#include "cli/CliContext.h"
#include "cli/CommandSuggestion.h"
#include "cli/Commands.h"
#include "cli/TerminalDialogs.h"

namespace velmar::cli {

namespace {

using RegisterFn = void (*)(CLI::App&, CliContext&);

// A command group and the command words it adds to the top level.
struct CommandGroup {
  RegisterFn add;
  std::vector<std::string_view> words;
};

// Every command group, in the order `--help` lists them.
const CommandGroup kCommandGroups[] = {
    {RegisterHexCommands, {"hex"}},
    {RegisterFirmwareCommands, {"firmware"}},
    {RegisterOptionCommands, {"devices", "options", "settings"}},
    {RegisterProgrammerCommands, {"identify", "list", "dump"}},
    {RegisterSimCommands, {"sim"}},
    {RegisterUpdateCommands, {"update-firmware"}},
    {RegisterBuildCommands, {"build"}},
    {RegisterReadCommands, {"read", "details", "find"}},
    {RegisterOperationCommands, {"new", "replace", "delete", "erase", "copy", "load", "verify-unit"}},
    {RegisterDoctorCommands, {"doctor"}},
    {RegisterLogCommands, {"log"}},
};

bool Names(const CommandGroup& group, const std::vector<std::string>& args) {
  for (const std::string& a : args)
    if (std::find(group.words.begin(), group.words.end(), a) != group.words.end()) return true;
  return false;
}

// The groups a command line needs: those whose command words it holds (a
// run builds no other group's commands, so a start stays cheap), or every
// group when it holds none (help, a usage error, a word to suggest for).
std::vector<RegisterFn> GroupsFor(const std::vector<std::string>* args) {
  std::vector<RegisterFn> named, all;
  for (const CommandGroup& group : kCommandGroups) {
    all.push_back(group.add);
    if (args && Names(group, *args)) named.push_back(group.add);
  }
  return named.empty() ? all : named;
}

void AddGlobalOptions(CLI::App& app, GlobalOptions& o) {
  frontend::AddSharedOptions(app, o);
  auto* yes = app.add_flag("--yes", o.yes, "Answer Yes (or OK) to every question");
  auto* no = app.add_flag("--no", o.no, "Answer No (or Cancel) to every question");
  yes->excludes(no);
  app.add_flag("--json", o.json, "Print the result as one JSON object (also on failure)");
  auto* quiet = app.add_flag("--quiet", o.quiet, "Print errors only");
  auto* verbose = app.add_flag("--verbose", o.verbose, "Also print the link's summary (driver calls, bytes, time)");
  quiet->excludes(verbose);
  app.add_flag("--all", o.all,
               "Run the command on every connected programmer side by side (identify, list, new, replace, delete, "
               "copy, load, erase, update-firmware, verify-unit); copy writes one file per programmer");
}

// Sets the application up with the groups `args` needs (every group when
// `args` is null).
void Configure(CLI::App& app, CliContext& ctx, const std::vector<std::string>* args = nullptr) {
  app.fallthrough();
  // A file name such as /tmp/x.hex is an argument on every system, never a
  // Windows-style option (CLI11 takes /name for one on Windows by default);
  // subcommands made below inherit the setting.
  app.allow_windows_style_options(false);
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("velmar-cli ") + VELMAR_VERSION);
  AddGlobalOptions(app, ctx.options);
  for (RegisterFn fn : GroupsFor(args)) fn(app, ctx);
}

bool Asked(const std::vector<std::string>& args, const std::string& flag) {
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == flag) return true;
  }
  return false;
}

// The usage error's message: an unknown word with what was probably meant,
// else CLI11's own.
std::string UsageMessage(CLI::App& app, const CLI::ParseError& e, const std::vector<std::string>& args) {
  if (std::optional<std::string> unknown = UnknownWordMessage(app, args)) return *unknown;
  return std::string(e.what()) + " (" + HelpHint(app, args) + ")";
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::istream& in) {
  CliContext ctx(out, err, in);
  CLI::App app{"Velmar: loader for the stand-alone USB PIC programmers", "velmar-cli"};
  Configure(app, ctx, &args);
  ctx.options.command = "velmar-cli";  // named to a run the programmer lock turns away
  for (const std::string& a : args) ctx.options.command += " " + a;

  if (args.empty()) {  // `velmar-cli` alone: the command list, as --help gives it
    out << app.help();
    return kExitOk;
  }
  if (AsksForAll(args) && !Asked(args, "--help") && !Asked(args, "-h")) return RunOnAll(args, out, err, in);
  int status = kExitOk;
  std::string message;
  bool shown = false;  // the message is already on stderr
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::Success& e) {  // --help, --version
    app.exit(e, out, err);
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    ctx.options.json = ctx.options.json || Asked(args, "--json");
    status = kExitUsage;
    message = UsageMessage(app, e, args);
  } catch (const CliFailure& e) {
    status = e.code;
    message = e.what();
    if (message.empty()) {
      // The window's reason was a message: on stderr already, unless it was
      // a plain one (on stdout), which a script looks for on stderr too.
      message = ctx.dialogs->lastMessage;
      shown = !(e.code == kExitFailed && !ctx.dialogs->lastOnStdout.empty());
    }
  } catch (const std::exception& e) {
    status = kExitFailed;
    message = e.what();
  }
  if (status == kExitOk) status = ctx.exitCode;
  if (status == kExitOk && ctx.dialogs->declined) status = kExitDeclined;
  if (status != kExitOk && message.empty()) {
    // The question and its answer, or the window's message, are on stderr.
    message = status == kExitDeclined ? "A question was answered No" : ctx.dialogs->lastMessage;
    if (message.empty()) message = "The command did not succeed (status " + std::to_string(status) + ")";
    shown = true;
  }
  if (status != kExitOk && !shown && !message.empty()) err << message << "\n";
  if (ctx.options.json) ctx.FlushJson(message, status);
  return status;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::istream& in) {
  const int code = Run(args, out, err, in);
  // A report that never arrived (a full disk, a closed pipe) is not a
  // success: a script reading it would take nothing for the answer.
  out.flush();
  if (out.fail() && code == kExitOk) {
    err << "The output could not be written\n";
    return kExitFailed;
  }
  return code;
}

std::vector<std::string> CommandWordsFor(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  std::istringstream in;
  CliContext ctx(out, err, in);
  CLI::App app;
  Configure(app, ctx, &args);
  std::vector<std::string> words;
  for (const CLI::App* command : app.get_subcommands({})) words.push_back(command->get_name());
  return words;
}

std::vector<std::string> CommandList() {
  std::ostringstream out, err;
  std::istringstream in;
  CliContext ctx(out, err, in);
  CLI::App app;
  Configure(app, ctx);
  return CommandPaths(app);
}

}  // namespace velmar::cli
