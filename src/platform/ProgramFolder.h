// Where the program folder (DEVICES.INI, progsetting.ini, the firmware files
// and the guides) is found. In order: the folder named on the command line;
// the executable's own folder when it holds DEVICES.INI (a build tree or an
// unpacked copy); "../share/velmar" beside the executable (an installed tree
// wherever it was unpacked); the install prefix's "share/velmar". The search
// remembers every folder it looked at, so that a message can name them all.
#pragma once

#include <string>
#include <vector>

namespace velmar::platform {

// The option that names the program folder on the command line.
inline constexpr const char* kProgramFolderOption = "--program-folder";

struct ProgramFolderSearch {
  std::string folder;                 // the program folder, ending with a separator
  bool found = false;                 // false: no folder searched holds the files
  std::vector<std::string> searched;  // every folder looked at, in order
};

// The lookup with every input explicit: `option` is the folder given on the
// command line (empty: none), `executableFolder` the running executable's
// folder and `installedFolder` the install prefix's program folder. When
// nothing holds the files the executable's folder stands in.
ProgramFolderSearch FindProgramFolder(const std::string& option, const std::string& executableFolder,
                                      const std::string& installedFolder);
// The same for the running program.
ProgramFolderSearch FindProgramFolder(const std::string& option);

// The install prefix's program folder this build was configured with.
std::string InstalledProgramFolder();

// Lines (separated by "\r") naming every folder searched and the option;
// empty when the search found the files.
std::string SearchReport(const ProgramFolderSearch& search);

}  // namespace velmar::platform
