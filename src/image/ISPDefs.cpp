// Common definitions: exception, version code and folder choice.
#include "image/ISPDefs.h"

#include "platform/Paths.h"
#include "platform/SystemVersion.h"
#include "platform/Text.h"

namespace velmar::image {

int WindowsVersionCode(const PlatformVersion& v) {
  if (v.family == PlatformVersion::Win9x) {
    if (v.minor == 0) return 1;
    if (v.minor == 10) return text::Trim(v.serviceText) == "A" ? 3 : 2;
    if (v.minor == 90) return 4;
    return 0;
  }
  if (v.family == PlatformVersion::NT) {
    if (v.major == 4) return 5;
    if (v.major == 5 && v.minor == 0) return 6;
    if (v.major == 5 && v.minor == 1) return 7;
    if (v.major == 5 && v.minor == 2) return 8;
    if (v.major == 6 && v.minor == 0) return 9;
    if (v.major == 6 && v.minor == 1) return 10;
    if (v.major == 6 && v.minor >= 2 && v.minor <= 4) return 11;
    if (v.major == 10) return 12;
  }
  return 0;
}

PlatformVersion CurrentPlatformVersion() {
  const platform::SystemVersion s = platform::CurrentSystemVersion();
  PlatformVersion v;
  v.family = s.family == platform::SystemVersion::NT      ? PlatformVersion::NT
             : s.family == platform::SystemVersion::Win9x ? PlatformVersion::Win9x
                                                          : PlatformVersion::Other;
  v.major = s.major;
  v.minor = s.minor;
  v.serviceText = s.serviceText;
  return v;
}

std::string SpecialFolderPath(int folderId) {
  if (folderId == 37) return platform::SystemFolder();
  const char sep = platform::kPathSeparator;
  return platform::UserDataFolder() + "Torvik" + sep + "VELMAR" + sep;
}

Folders ChooseFolders(const PlatformVersion& v, const std::string& executableFolder, const std::string& perUserFolder) {
  Folders f;
  f.program = executableFolder;
  if (v.family == PlatformVersion::Other) {
    f.working = perUserFolder;
    return f;
  }
  int code = WindowsVersionCode(v);
  bool perUser = code == 6 || code == 7 || (code >= 9 && code <= 12);
  f.working = perUser ? perUserFolder : executableFolder;
  return f;
}

void EnsureWorkingFolder(const std::string& workingFolder) {
  std::string error;
  if (!platform::EnsurePrivateFolder(workingFolder, &error)) throw EImageError(error);
}

}  // namespace velmar::image
