// Running one command on every programmer.
#include "cli/AllProgrammers.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/Cli.h"
#include "cli/CliContext.h"
#include "frontend/LinkEnvironment.h"
#include "link/ProgrammerChannels.h"
#include "platform/Paths.h"
#include "platform/Text.h"

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

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

struct Run {
  std::string location;
  std::string outFile, errFile;
  int pid = -1;
  int status = kExitFailed;
  std::string error;  // why the run could not start
};

std::string TempName(const std::string& what) {
  std::string pattern = (std::filesystem::temp_directory_path() / ("velmar-all-" + what + "-XXXXXX")).string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
#ifndef _WIN32
  const int fd = mkstemp(buffer.data());
  if (fd >= 0) close(fd);
#endif
  return buffer.data();
}

std::string SelfExecutable() {
  if (const char* given = std::getenv("VELMAR_CLI_EXE"); given && *given) return given;
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("velmar-cli") : self.string();
}

#ifndef _WIN32
void Start(Run& r, const std::vector<std::string>& argv) {
  r.outFile = TempName("out");
  r.errFile = TempName("err");
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, r.outFile.c_str(), O_WRONLY | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&files, 2, r.errFile.c_str(), O_WRONLY | O_TRUNC, 0600);
  std::vector<char*> raw;
  for (const std::string& a : argv) raw.push_back(const_cast<char*>(a.c_str()));
  raw.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, raw[0], &files, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  if (rc != 0) {
    r.error = "Cannot start " + argv[0] + ": " + std::strerror(rc);
    return;
  }
  r.pid = pid;
}

void Wait(Run& r) {
  if (r.pid < 0) return;
  int status = 0;
  while (waitpid(r.pid, &status, 0) < 0 && errno == EINTR) {
  }
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : kExitFailed;
  if (WIFSIGNALED(status)) r.error = "The run ended with signal " + std::to_string(WTERMSIG(status));
}
#endif

std::string ReadWhole(const std::string& file) {
  std::ifstream in(platform::PathOf(file), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
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
#ifdef _WIN32
  err << "--all is not available on Windows\n";
  return kExitFailed;
#else
  const std::string exe = SelfExecutable();
  std::vector<Run> runs(channels.size());
  for (std::size_t i = 0; i < channels.size(); ++i) {
    runs[i].location = channels[i].location;
    // The answers are given once, here: every run gets the same.
    std::vector<std::string> argv = {exe};
    for (const std::string& a : s.global)
      if (a != "--json" && a != "--yes" && a != "--no") argv.push_back(a);
    argv.insert(argv.end(), {"--port", channels[i].location, "--json"});
    if (writing || s.options.yes) argv.push_back("--yes");
    if (!writing && s.options.no) argv.push_back("--no");
    const std::vector<std::string> command = CommandFor(s.command, channels[i].location);
    argv.insert(argv.end(), command.begin(), command.end());
    Start(runs[i], argv);
    if (!s.options.quiet) err << channels[i].location << ": " << s.command[0] << " started\n";
  }
  bool allOk = true;
  ordered_json results = ordered_json::array();
  for (Run& r : runs) {
    Wait(r);
    const std::string output = r.outFile.empty() ? std::string() : ReadWhole(r.outFile);
    const std::string errors = r.errFile.empty() ? std::string() : ReadWhole(r.errFile);
    std::error_code ec;
    if (!r.outFile.empty()) std::filesystem::remove(platform::PathOf(r.outFile), ec);
    if (!r.errFile.empty()) std::filesystem::remove(platform::PathOf(r.errFile), ec);
    if (r.error.empty() && r.status != kExitOk) r.error = LastLine(errors);
    const bool ok = r.status == kExitOk && r.pid >= 0;
    allOk = allOk && ok;
    if (!s.options.quiet) err << r.location << ": " << (ok ? "ok" : "failed") << "\n";
    const ordered_json result = ordered_json::parse(output.substr(0, output.find('\n')), nullptr, false);
    ordered_json entry = {{"location", r.location}, {"ok", ok}, {"status", r.status}};
    entry["result"] = result.is_discarded() ? ordered_json(nullptr) : result;
    if (!ok) entry["error"] = r.error;
    results.push_back(entry);
  }
  if (s.options.json) {
    out << ordered_json(
               {{"command", s.command[0]}, {"programmers", runs.size()}, {"all_ok", allOk}, {"results", results}})
               .dump(-1, ' ', false, ordered_json::error_handler_t::replace)
        << "\n";
  } else {
    std::size_t width = 8;
    for (const Run& r : runs) width = std::max(width, r.location.size());
    out << "location" << std::string(width - 8 + 2, ' ') << "result\n";
    for (const Run& r : runs) {
      const bool ok = r.status == kExitOk && r.pid >= 0;
      out << r.location << std::string(width - r.location.size() + 2, ' ') << (ok ? "ok" : "failed")
          << (ok || r.error.empty() ? "" : "  " + text::EscapeControls(r.error)) << "\n";
    }
  }
  return allOk ? kExitOk : kExitFailed;
#endif
}

}  // namespace velmar::cli
