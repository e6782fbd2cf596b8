// Options shared by velmar-cli and the desktop application.
#include "frontend/SharedOptions.h"

#include <cstdlib>

#include <CLI/CLI.hpp>

#include "platform/Paths.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::frontend {

void AddSharedOptions(CLI::App& app, SharedOptions& o) {
  app.add_option(
      "--simulate", o.simulate,
      "Use the simulated programmer of this kind (" + slot::KindNumberRange() + " or " + slot::KindNameList() + ")");
  app.add_option("--sim-state", o.simState,
                 "State file of the simulated programmer (implies the simulator); several, separated by commas, "
                 "are several programmers at sim-1, sim-2, ...");
  app.add_option("--driver", o.driver, "USB driver: auto, sim, libftdi or d2xx")
      ->check(CLI::IsMember({"auto", "sim", "libftdi", "d2xx"}));
  app.add_option("--trace", o.trace, "Write every driver call and wait to this file");
  app.add_flag("--realtime", o.realtime, "Let the simulated programmer take real time");
  app.add_option("--program-folder", o.programFolder, "Folder of DEVICES.INI, progsetting.ini and firmware");
  app.add_option("--working-folder", o.workingFolder, "Folder of setting.ini and the intermediate files");
  app.add_flag("--wait", o.wait, "Wait while another Velmar run uses the programmer, instead of stopping");
  app.add_option("--link-pacing", o.linkPacing,
                 "How the link paces its exchanges with the programmer: exact (the protocol's own, the default) "
                 "or fast (fewer USB round trips); overrides setting.ini for this run")
      ->check(CLI::IsMember({"exact", "fast"}));
  app.add_option("--port", o.port,
                 "USB location of the programmer to use when several are connected (bus and port path, "
                 "such as 1-2.4, as doctor shows it; sim-2 for the second simulated one); default: the first found");
}

image::Folders FoldersFrom(const SharedOptions& o) {
  image::Folders f = image::DefaultFolders(o.programFolder);
  if (!o.workingFolder.empty()) f.working = platform::WithSeparator(o.workingFolder);
  return f;
}

std::string UdevRoot() {
  const char* root = std::getenv("VELMAR_UDEV_ROOT");
  return root && *root ? std::string(root) : std::string("/");
}

LinkOptions LinkOptionsFrom(const SharedOptions& o) {
  image::Folders f = FoldersFrom(o);
  LinkOptions l;
  l.driver = o.driver;
  l.simulate = o.simulate;
  l.simState = o.simState;
  l.trace = o.trace;
  l.realtime = o.realtime;
  l.workingFolder = f.working;
  l.programFolder = f.program;
  l.wait = o.wait;
  l.command = o.command;
  l.linkPacing = o.linkPacing;
  l.port = o.port;
  l.udevRoot = UdevRoot();
  return l;
}

link::CheckSetup ConnectionCheckSetup(const SharedOptions& o) {
  link::CheckSetup s;
  s.driver = o.driver;
  s.udevRoot = UdevRoot();
  s.simulated = !o.simulate.empty() || !o.simState.empty() || o.driver == "sim";
  const std::string rule = FoldersFrom(o).program + "udev/" + link::kUdevRuleName;
  if (platform::FileExists(rule)) s.ruleSource = rule;
  return s;
}

std::string MessageText(const std::string& report) {
  std::string t = report;
  while (!t.empty() && t.back() == '\n') t.pop_back();
  for (char& c : t)
    if (c == '\n') c = '\r';
  return t;
}

}  // namespace velmar::frontend
