// State shared by all commands of one command-line run: the global options,
// the output streams, the terminal dialogs and the exit status. Commands
// report failures by throwing CliFailure; the runner turns it into the
// message on stderr and the exit status.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "cli/Cli.h"
#include "frontend/SharedOptions.h"
#include "image/ISPDefs.h"
#include "platform/AtomicFile.h"

namespace velmar::link {
class LinkEnvironment;
}

namespace velmar::cli {

class TerminalDialogs;

// The shared link and folder options plus the command line's own.
struct GlobalOptions : frontend::SharedOptions {
  bool yes = false;
  bool no = false;
  bool json = false;
  bool quiet = false;    // errors only
  bool verbose = false;  // adds the link's summary
  bool all = false;      // the command on every connected programmer (cli/AllProgrammers.h)
};

class CliFailure : public std::runtime_error {
 public:
  explicit CliFailure(const std::string& message, int code = kExitFailed) : std::runtime_error(message), code(code) {}
  int code;
};

struct CliContext {
  CliContext(std::ostream& out, std::ostream& err, std::istream& in);
  ~CliContext();

  GlobalOptions options;
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
  std::unique_ptr<TerminalDialogs> dialogs;
  int exitCode = kExitOk;

  // The working and program folders after the global options. The first
  // call warns on stderr when other users may write into the working folder.
  image::Folders Folders() const;
  // The JSON object of this run, printed once by the runner (with the
  // error added when the command fails). A command adds to it as it learns.
  nlohmann::ordered_json json = nlohmann::ordered_json::object();
  // Adds the keys of `object` to the run's JSON object (one object, plain
  // snake_case keys, trimmed values).
  void PrintJson(const nlohmann::ordered_json& object);
  // Prints the run's JSON object; `error` and `status` added on a failure.
  void FlushJson(const std::string& error, int status);
  // A warning on stderr ("Warning: TEXT"), kept out of --quiet.
  void Warn(const std::string& text);
  // A line on stdout that --quiet leaves out (never under --json).
  std::ostream& Info();
  // The link's summary on stderr under --verbose: backend, driver calls,
  // bytes each way and the protocol time.
  void ReportLink(frontend::LinkEnvironment& env);
  // The slot a hint names ("use: velmar-cli replace --slot N ...").
  int hintSlot = 0;
  // Writes a file the user named: "-" is stdout, anything else is saved
  // safely (platform::WriteFileAtomically). Throws CliFailure naming the file.
  // Once a file has gone to stdout, the run's JSON goes to stderr.
  void WriteUserFile(const std::string& path, std::string_view contents);
  // The same for contents made piece by piece (platform::WriteFileAtomically's
  // `produce`), so a large file is never held whole.
  void WriteUserFile(const std::string& path, const std::function<bool(const platform::AppendBytes&)>& produce);
  // Where a command reports what it wrote: stderr when the file itself went
  // to stdout, so the two never mix.
  std::ostream& ReportTo(const std::string& writtenPath);

 private:
  std::ostream nullOut_{nullptr};
  std::ostream* jsonOut_ = &out;
  mutable bool folderChecked_ = false;
};

// A version number as typed, one convention everywhere: decimal digits
// ("226"), or hexadecimal with 0x or with a letter ("0xE2", "E2", "e2").
// Anything else, or a value beyond 255, is a usage error naming `option`.
int ParseVersion(const std::string& option, const std::string& text);
// The same for a version a file stores as two hexadecimal digits: two
// decimal digits that read as another version in hexadecimal ("90": 90 or
// 0x90) are refused with both readings, since either could be meant.
int ParseStoredVersion(const std::string& option, const std::string& text);
// A version as printed: both forms, "226 (0xE2)".
std::string VersionText(int version);
// The two-digit upper-case hexadecimal form, "E2".
std::string VersionHex(int version);

// Parses a size such as "16777216", "0x1000000" or "16M"/"64K".
std::uint64_t ParseSize(const std::string& text);

}  // namespace velmar::cli
