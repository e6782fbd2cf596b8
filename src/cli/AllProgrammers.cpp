// Running one command on every programmer.
#include "cli/AllProgrammers.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "cli/AllProgress.h"
#include "cli/Cli.h"
#include "cli/CliContext.h"
#include "cli/ProgrammerRuns.h"
#include "cli/TerminalProgress.h"
#include "frontend/LinkEnvironment.h"
#include "link/ProgrammerChannels.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace velmar::cli {

namespace {

using nlohmann::ordered_json;

const char* const kAllCommands[] = {"identify", "list", "new",   "replace",         "delete",
                                    "copy",     "load", "erase", "update-firmware", "verify-unit"};
// The commands that write (to the programmers, or copy's files): asked once
// here, answered Yes in every run.
const char* const kWritingCommands[] = {"new", "replace", "delete", "load", "erase", "update-firmware", "copy"};
// The options of copy that take a value (the FILE is the other word).
const char* const kCopyValueOptions[] = {"--programmer", "--programmer-version", "--load-firmware"};

bool Among(const std::string& word, const auto& list) {
  return std::find(std::begin(list), std::end(list), word) != std::end(list);
}

// The command line split at the command word: the global options (without
// --all) and the command with its own arguments.
struct SplitArgs {
  GlobalOptions options;
  std::vector<std::string> global;
  std::vector<std::string> command;
};

SplitArgs Split(const std::vector<std::string>& args) {
  SplitArgs s;
  std::vector<std::string> rest;
  for (const std::string& a : args)
    if (a != "--all") rest.push_back(a);
  CLI::App app;
  app.prefix_command();
  app.allow_windows_style_options(false);
  frontend::AddSharedOptions(app, s.options);
  app.add_flag("--yes", s.options.yes);
  app.add_flag("--no", s.options.no);
  app.add_flag("--json", s.options.json);
  app.add_flag("--quiet", s.options.quiet);
  app.add_flag("--verbose", s.options.verbose);
  std::vector<std::string> reversed(rest.rbegin(), rest.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    throw CliFailure(std::string("--all: ") + e.what(), kExitUsage);
  }
  s.command = app.remaining();
  s.global.assign(rest.begin(), rest.end() - std::ptrdiff_t(s.command.size()));
  return s;
}

// The command's arguments for the programmer at `location`: copy's FILE
// made that programmer's own.
std::vector<std::string> CommandFor(const std::vector<std::string>& command, const std::string& location) {
  std::vector<std::string> out = command;
  if (out.empty() || out[0] != "copy") return out;
  for (std::size_t i = 1; i < out.size(); ++i) {
    if (Among(out[i], kCopyValueOptions)) {
      ++i;
      continue;
    }
    if (!out[i].empty() && out[i][0] != '-') {
      out[i] = FileForLocation(out[i], location);
      break;
    }
  }
  return out;
}

// The global options for the run at `location`: the answers and --json
// left to the caller, and a trace file of its own.
std::vector<std::string> GlobalFor(const std::vector<std::string>& global, const std::string& location) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < global.size(); ++i) {
    const std::string& a = global[i];
    if (a == "--json" || a == "--yes" || a == "--no") continue;
    if (a == "--trace" && i + 1 < global.size()) {
      out.insert(out.end(), {a, FileForLocation(global[++i], location)});
      continue;
    }
    if (a.rfind("--trace=", 0) == 0) {
      out.push_back("--trace=" + FileForLocation(a.substr(8), location));
      continue;
    }
    out.push_back(a);
  }
  return out;
}

// The run's failure in one line: its last line on stderr.
std::string LastLine(const std::string& text) {
  std::istringstream in(text);
  std::string line, last;
  while (std::getline(in, line))
    if (!text::Trim(line).empty()) last = line;
  return text::Trim(last);
}

// Asks once before a writing command; false when the answer is No.
bool Confirm(const SplitArgs& s, const std::vector<link::ProgrammerChannel>& channels, std::ostream& err,
             std::istream& in) {
  if (s.options.yes) return true;
  if (s.options.no) return false;
  err << s.command[0] << " on " << channels.size() << (channels.size() == 1 ? " programmer" : " programmers") << " (at "
      << link::LocationList(channels) << ")? [y/N] " << std::flush;
  std::string answer;
  if (!std::getline(in, answer)) return false;
  answer = text::Trim(answer);
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

}  // namespace

bool AsksForAll(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--all") return true;
    if (a == "--") return false;
  }
  return false;
}

std::string FileForLocation(const std::string& file, const std::string& location) {
  std::string where = location;
  for (char& c : where)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.') c = '_';
  const std::string name = platform::ExtractFileName(file);
  const std::size_t dot = name.rfind('.');
  const std::string folder = file.substr(0, file.size() - name.size());
  if (dot == std::string::npos || dot == 0) return folder + name + "-" + where;
  return folder + name.substr(0, dot) + "-" + where + name.substr(dot);
}

int RunOnAll(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::istream& in) {
  const std::unique_ptr<RunStarter> starter = ProcessStarter(CliExecutable());
  return RunOnAll(args, out, err, in, *starter);
}

int RunOnAll(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::istream& in,
             RunStarter& starter) {
  SplitArgs s;
  std::vector<link::ProgrammerChannel> channels;
  try {
    s = Split(args);
    if (s.command.empty()) throw CliFailure("--all needs a command to run on every programmer", kExitUsage);
    if (!Among(s.command[0], kAllCommands))
      throw CliFailure(
          "--all runs identify, list, new, replace, delete, copy, load, erase, update-firmware or "
          "verify-unit, not " +
              s.command[0],
          kExitUsage);
    if (!s.options.port.empty()) throw CliFailure("--all and --port do not go together", kExitUsage);
    try {
      channels = frontend::LinkEnvironment::ConnectedProgrammers(frontend::LinkOptionsFrom(s.options));
    } catch (const std::invalid_argument& e) {
      throw CliFailure(e.what(), kExitUsage);
    } catch (const std::exception& e) {
      throw CliFailure(text::DisplayText(e.what()));
    }
    if (channels.empty()) throw CliFailure("No programmer is connected");
    for (const link::ProgrammerChannel& c : channels)
      if (c.location.empty())
        throw CliFailure("The " + s.options.driver + " driver cannot tell where the programmers are plugged in");
  } catch (const CliFailure& e) {
    err << e.what() << "\n";
    if (s.options.json) out << ordered_json({{"error", {{"message", e.what()}, {"status", e.code}}}}).dump() << "\n";
    return e.code;
  }
  const bool writing = Among(s.command[0], kWritingCommands);
  if (writing && !Confirm(s, channels, err, in)) return kExitDeclined;
  std::vector<std::string> locations;
  for (const link::ProgrammerChannel& c : channels) locations.push_back(c.location);
#ifdef _WIN32
  const bool redraw = false;  // a console may not take the cursor movements
#else
  const bool redraw = TerminalProgress::IsTerminal(err);
#endif
  AllProgress progress(err, locations, redraw);
  std::vector<std::unique_ptr<ProgrammerRun>> runs;
  for (const std::string& location : locations) {
    // The answers are given once, here: every run gets the same.
    std::vector<std::string> argv = GlobalFor(s.global, location);
    argv.insert(argv.end(), {"--port", location, "--json"});
    if (writing || s.options.yes) argv.push_back("--yes");
    if (!writing && s.options.no) argv.push_back("--no");
    const std::vector<std::string> command = CommandFor(s.command, location);
    argv.insert(argv.end(), command.begin(), command.end());
    runs.push_back(starter.Start(argv));
    if (!s.options.quiet) progress.Started(runs.size() - 1, s.command[0]);
  }
  std::vector<ProgrammerRun::Outcome> outcomes(runs.size());
  std::vector<bool> ended(runs.size(), false);
  for (std::size_t left = runs.size(); left > 0;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (std::size_t i = 0; i < runs.size(); ++i) {
      if (ended[i]) continue;
      const bool done = runs[i]->Ended();  // before the last output is read: none is missed
      if (const std::string lines = runs[i]->NewErrors(); !lines.empty() && !s.options.quiet) progress.Output(i, lines);
      if (!done) continue;
      ended[i] = true;
      --left;
      outcomes[i] = runs[i]->Finish();
      if (!s.options.quiet) progress.Ended(i, outcomes[i].failure.empty() && outcomes[i].status == kExitOk);
    }
  }
  runs.clear();  // their temporary files go
  bool allOk = true;
  ordered_json results = ordered_json::array();
  std::vector<std::string> errors(outcomes.size());
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const ProgrammerRun::Outcome& o = outcomes[i];
    const bool ok = o.failure.empty() && o.status == kExitOk;
    errors[i] = !o.failure.empty() ? o.failure : ok ? std::string() : LastLine(o.err);
    allOk = allOk && ok;
    const ordered_json result = ordered_json::parse(o.out.substr(0, o.out.find('\n')), nullptr, false);
    ordered_json entry = {{"location", locations[i]}, {"ok", ok}, {"status", o.failure.empty() ? o.status : 1}};
    entry["result"] = result.is_discarded() ? ordered_json(nullptr) : result;
    if (!ok) entry["error"] = errors[i];
    results.push_back(entry);
  }
  if (s.options.json) {
    out << ordered_json(
               {{"command", s.command[0]}, {"programmers", outcomes.size()}, {"all_ok", allOk}, {"results", results}})
               .dump(-1, ' ', false, ordered_json::error_handler_t::replace)
        << "\n";
  } else {
    std::size_t width = 8;
    for (const std::string& l : locations) width = std::max(width, l.size());
    out << "location" << std::string(width - 8 + 2, ' ') << "result\n";
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
      const bool ok = errors[i].empty() && outcomes[i].status == kExitOk;
      out << locations[i] << std::string(width - locations[i].size() + 2, ' ') << (ok ? "ok" : "failed")
          << (ok || errors[i].empty() ? "" : "  " + text::EscapeControls(errors[i])) << "\n";
    }
  }
  return allOk ? kExitOk : kExitFailed;
}

}  // namespace velmar::cli
