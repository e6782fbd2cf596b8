// The program folder lookup.
#include "platform/ProgramFolder.h"

#include <algorithm>
#include <filesystem>

#include "platform/Paths.h"

#ifndef VELMAR_INSTALLED_PROGRAM_FOLDER
#define VELMAR_INSTALLED_PROGRAM_FOLDER "/usr/local/share/velmar"
#endif

namespace velmar::platform {

namespace {

namespace fs = std::filesystem;

constexpr const char* kMarkerFile = "DEVICES.INI";

std::string Normal(const std::string& folder) { return WithSeparator(Utf8Of(PathOf(folder).lexically_normal())); }

}  // namespace

ProgramFolderSearch FindProgramFolder(const std::string& option, const std::string& executableFolder,
                                      const std::string& installedFolder) {
  ProgramFolderSearch s;
  if (!option.empty()) {
    // A folder the user names is used as named; if it lacks the files the
    // messages that follow say so.
    s.folder = WithSeparator(option);
    s.searched.push_back(s.folder);
    s.found = FileExists(s.folder + kMarkerFile);
    return s;
  }
  std::vector<std::string> candidates;
  if (!executableFolder.empty()) {
    candidates.push_back(WithSeparator(executableFolder));
    candidates.push_back(Normal(WithSeparator(executableFolder) + "../share/velmar"));
  }
  if (!installedFolder.empty()) candidates.push_back(Normal(installedFolder));
  for (const std::string& c : candidates) {
    if (std::find(s.searched.begin(), s.searched.end(), c) != s.searched.end()) continue;
    s.searched.push_back(c);
    if (FileExists(c + kMarkerFile)) {
      s.folder = c;
      s.found = true;
      return s;
    }
  }
  s.folder = executableFolder.empty() ? std::string() : WithSeparator(executableFolder);
  return s;
}

ProgramFolderSearch FindProgramFolder(const std::string& option) {
  return FindProgramFolder(option, option.empty() ? ExecutableFolder() : std::string(), InstalledProgramFolder());
}

std::string InstalledProgramFolder() { return WithSeparator(VELMAR_INSTALLED_PROGRAM_FOLDER); }

std::string SearchReport(const ProgramFolderSearch& search) {
  if (search.found || search.searched.empty()) return {};
  std::string r = std::string("Looked for ") + kMarkerFile + " in:";
  for (const std::string& f : search.searched) r += "\r  " + f;
  r += std::string("\rName the folder that holds it with ") + kProgramFolderOption + " DIR";
  return r;
}

}  // namespace velmar::platform
