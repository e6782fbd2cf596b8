// The desktop application's command line, read before anything is shown:
// Velmar's own options (shared with velmar-cli), --help and --version, Qt's
// own options (left for Qt), and the program's parameters, which start an
// unattended Load Unit: any first parameter, the unit image file as the
// second, and "SHOW" as the third (or the second when there is no third)
// to keep the window open afterwards. "--open-unit FILE" (how a file
// manager opens a unit image) stands for the parameters of a load of FILE
// that keeps the window open. Any other option is refused.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "frontend/SharedOptions.h"

namespace velmar::app {

struct AppArguments {
  frontend::SharedOptions options;
  std::vector<std::string> parameters;  // first one first
};

// Reads argv. Returns an exit status when the program must end at once:
// 0 after --help or --version (written to `out`), 2 after a usage error
// (written to `err`, with a pointer to --help).
std::optional<int> ParseAppArguments(int argc, const char* const* argv, AppArguments& args, std::ostream& out,
                                     std::ostream& err);

}  // namespace velmar::app
