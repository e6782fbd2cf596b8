// The command-line runner: global options, the explicit table of command
// groups, parsing, and the mapping of failures to exit statuses.
#include "cli/Cli.h"

#include <algorithm>
#include <iostream>

#include <CLI/CLI.hpp>

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/TerminalDialogs.h"

namespace velmar::cli {

namespace {

using RegisterFn = void (*)(CLI::App&, CliContext&);

// Every command group, in the order `--help` lists them.
const RegisterFn kCommandGroups[] = {
    RegisterHexCommands,
    RegisterFirmwareCommands,
    RegisterOptionCommands,
    RegisterProgrammerCommands,
    RegisterSimCommands,
    RegisterUpdateCommands,
    RegisterBuildCommands,
    RegisterReadCommands,
    RegisterOperationCommands,
    RegisterDoctorCommands,
    RegisterLogCommands,
};

void AddGlobalOptions(CLI::App& app, GlobalOptions& o) {
  frontend::AddSharedOptions(app, o);
  auto* yes = app.add_flag("--yes", o.yes, "Answer Yes (or OK) to every question");
  auto* no = app.add_flag("--no", o.no, "Answer No (or Cancel) to every question");
  yes->excludes(no);
  app.add_flag("--json", o.json, "Print the result as one JSON object");
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::istream& in) {
  CliContext ctx(out, err, in);
  CLI::App app{"Velmar: loader for the stand-alone USB PIC programmers", "velmar-cli"};
  app.fallthrough();
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("velmar-cli ") + VELMAR_VERSION);
  AddGlobalOptions(app, ctx.options);
  for (RegisterFn fn : kCommandGroups) fn(app, ctx);

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    int code = app.exit(e, out, err);
    return code == 0 ? kExitOk : kExitUsage;
  } catch (const CliFailure& e) {
    if (*e.what())
      err << e.what() << "\n";
    else if (e.code == kExitFailed && !ctx.dialogs->lastOnStdout.empty())
      // The window's reason was a plain message, printed on stdout; a
      // script looks for the reason of a failure on stderr.
      err << ctx.dialogs->lastOnStdout << "\n";
    return e.code;
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return kExitFailed;
  }
  if (ctx.exitCode == kExitOk && ctx.dialogs->declined) return kExitDeclined;
  return ctx.exitCode;
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

}  // namespace velmar::cli
