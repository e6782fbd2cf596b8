// `velmar-cli --all COMMAND ...`: one command on every programmer connected,
// side by side. Each programmer gets a run of its own (velmar-cli itself,
// with --port naming it and --json), so that a failure, a fault or an
// unplugged cable on one never stops or disturbs the others; destructive
// commands ask once, naming how many programmers and where. While they run,
// stderr shows one progress line per programmer (cli/AllProgress.h). The result is a
// table (one line per programmer) or one JSON object with each programmer's
// own result, and the exit status is 0 only when every run succeeded.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace velmar::cli {

// True when `args` holds --all among the global options (before the command).
bool AsksForAll(const std::vector<std::string>& args);

class RunStarter;

// Runs `args` (holding --all) on every connected programmer, each in a
// child process of its own.
int RunOnAll(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::istream& in);
// The same with the runs `starter` starts.
int RunOnAll(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::istream& in,
             RunStarter& starter);

// The unit image file of the programmer at `location` for `copy --all FILE`:
// FILE's name with the location before its extension ("unit-1-2.4.prg").
std::string FileForLocation(const std::string& file, const std::string& location);

}  // namespace velmar::cli
