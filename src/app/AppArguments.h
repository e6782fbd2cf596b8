// The desktop application's command line, read before anything is shown:
// Velmar's own options (shared with velmar-cli), --help and --version, Qt's
// own options (left for Qt), and the program's parameters. An unattended
// Load Unit starts only with LOAD first (the word "load", or "/auto" as
// earlier versions wrote it, in any letter case), the unit image file as
// the second parameter, and "SHOW" as the third (or the second when there
// is no third) to keep the window open afterwards. "--open-unit FILE" (how
// a file manager opens a unit image) stands for the parameters of a load of
// FILE that keeps the window open. A lone other parameter is a file to open
// in the window (a HEX file as the File Name; a unit image after asking
// what to do). Any other option, or further parameters after a file, is
// refused.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "frontend/SharedOptions.h"

namespace velmar::app {

// What the window does once it has read the programmer.
enum class StartAction {
  window,    // nothing more
  loadUnit,  // the unattended Load Unit of the parameters
  openFile,  // opens `file`
};

struct AppArguments {
  frontend::SharedOptions options;
  std::vector<std::string> parameters;  // of a Load Unit, first one first
  StartAction start = StartAction::window;
  std::string file;  // the file to open
};

// True for a first parameter that starts the unattended Load Unit.
bool IsLoadWord(const std::string& parameter);

// Reads argv. Returns an exit status when the program must end at once:
// 0 after --help or --version (written to `out`), 2 after a usage error
// (written to `err`, with a pointer to --help).
std::optional<int> ParseAppArguments(int argc, const char* const* argv, AppArguments& args, std::ostream& out,
                                     std::ostream& err);

}  // namespace velmar::app
