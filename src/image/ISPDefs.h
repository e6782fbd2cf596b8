// Definitions shared by the memory images and the rest of the system: the
// per-address status of an image, the memory image's exception type, the
// platform version code that decides where the per-user files live, and the
// choice of the working and program folders.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Errors.h"

namespace velmar::image {

enum TProgStatus : std::uint8_t { ps_normal = 0, ps_programmed, ps_verified, ps_failed, ps_read };

// A set of TProgStatus in one byte; bit n stands for the value n.
using TProgStatusSet = std::uint8_t;
constexpr TProgStatusSet StatusBit(TProgStatus s) { return TProgStatusSet(1u << s); }

// The memory image's and the slot builders' failure (formerly
// EISPException, a name it shared with the link's exception): an address
// outside the image, a file that does not fit, a build refused. It carries
// only its message; the caller decides how to show it.
class EImageError : public platform::EVelmarError {
 public:
  using EVelmarError::EVelmarError;
};

// Platform and version values as the system reports them.
struct PlatformVersion {
  enum Family { Other, Win9x, NT } family = Other;
  int major = 0;
  int minor = 0;
  std::string serviceText;
};

// The small version code of the platform (0 for anything not listed).
int WindowsVersionCode(const PlatformVersion& v);
// The running platform's values (family Other off Windows).
PlatformVersion CurrentPlatformVersion();

// The per-user special folder with the maker sub-folders ("Torvik/VELMAR/");
// id 37 (the system folder) comes back unchanged. Only id 28 is used.
std::string SpecialFolderPath(int folderId);

struct Folders {
  std::string working;  // setting.ini and the intermediate files
  std::string program;  // DEVICES.INI, progsetting.ini, firmware, manuals
  // When no folder searched held the program files: the folders searched
  // and the option to name one ("\r" between lines); empty otherwise.
  std::string programSearchReport = {};
};

// The folder choice made at every Read: on Windows by the version code
// (codes 6, 7 and 9-12 use the per-user folder); on other platforms the
// per-user data folder followed by "Torvik/VELMAR/". The program folder is
// the executable's folder given.
Folders ChooseFolders(const PlatformVersion& v, const std::string& executableFolder, const std::string& perUserFolder);
// The same for the running program, with the program folder looked up
// (platform/ProgramFolder.h) from `programFolderOption` (empty: none).
Folders DefaultFolders(const std::string& programFolderOption = {});

// Creates exactly the working folder that the path names, with every missing
// level. Throws EISPException with a clear message when that fails.
void EnsureWorkingFolder(const std::string& workingFolder);

}  // namespace velmar::image
