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

  // The working and program folders after the global options.
  image::Folders Folders() const;
  // Prints a JSON object on stdout (one line, snake_case keys).
  void PrintJson(const nlohmann::ordered_json& object);
};

// Parses a size such as "16777216", "0x1000000" or "16M"/"64K".
std::uint64_t ParseSize(const std::string& text);

}  // namespace velmar::cli
