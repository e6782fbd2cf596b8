// The options both front ends take: which programmer link to use (hardware
// driver, simulated programmer, trace, real time) and which folders stand
// for the program and working folders. velmar-cli adds its own (--yes,
// --no, --json); the desktop application takes these and treats every other
// argument as its command-line parameters.
#pragma once

#include <string>

#include "frontend/LinkEnvironment.h"
#include "image/ISPDefs.h"
#include "link/ConnectionCheck.h"

namespace CLI {
class App;
}

namespace velmar::frontend {

struct SharedOptions {
  std::string simulate;  // programmer kind to simulate ("" = none)
  std::string simState;  // state file of the simulated programmer
  std::string driver = "auto";
  std::string trace;  // trace file
  bool realtime = false;
  std::string programFolder;  // overrides the program folder lookup
  std::string workingFolder;  // overrides the per-user folder
  bool wait = false;          // wait for another run that holds the programmer
  std::string command;        // this run's command line (set by the front end, not an option)
  std::string linkPacing;     // exact or fast ("": as setting.ini keeps it)
  std::string port;           // USB location of the programmer to open ("": the first found)
};

void AddSharedOptions(CLI::App& app, SharedOptions& o);
// The working and program folders after the options.
image::Folders FoldersFrom(const SharedOptions& o);
// The link environment's options after the options and folders.
LinkOptions LinkOptionsFrom(const SharedOptions& o);
// The folder standing for / when udev rules are looked for: "/", or the
// folder the environment variable VELMAR_UDEV_ROOT names (for tests).
std::string UdevRoot();
// The connection check for these options, on the real system (no
// identification: the front end adds its own).
link::CheckSetup ConnectionCheckSetup(const SharedOptions& o);
// The check's report as a message text ("\r" line breaks).
std::string MessageText(const std::string& report);

}  // namespace velmar::frontend
