// State shared by all commands of one command-line run: the global options,
// the output streams, the terminal dialogs and the exit status. Commands
// report failures by throwing CliFailure; the runner turns it into the
// message on stderr and the exit status.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "cli/Cli.h"
#include "frontend/SharedOptions.h"
#include "image/ISPDefs.h"

namespace velmar::cli {

class TerminalDialogs;

// The shared link and folder options plus the command line's own.
struct GlobalOptions : frontend::SharedOptions {
  bool yes = false;
  bool no = false;
  bool json = false;
};

class CliFailure : public std::runtime_error {
 public:
  explicit CliFailure(const std::string& message, int code = kExitFailed)
      : std::runtime_error(message), code(code) {}
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
  // Writes a file the user named: "-" is stdout, anything else is saved
  // safely (platform::WriteFileAtomically). Throws CliFailure naming the file.
  void WriteUserFile(const std::string& path, std::string_view contents);
  // Where a command reports what it wrote: stderr when the file itself went
  // to stdout, so the two never mix.
  std::ostream& ReportTo(const std::string& writtenPath);
  // Prints a JSON object on stdout (one line, snake_case keys).
  void PrintJson(const nlohmann::ordered_json& object);
  void PrintJson(const nlohmann::ordered_json& object, std::ostream& to);

 private:
  mutable bool folderChecked_ = false;
};

// Parses a size such as "16777216", "0x1000000" or "16M"/"64K".
std::uint64_t ParseSize(const std::string& text);

}  // namespace velmar::cli
