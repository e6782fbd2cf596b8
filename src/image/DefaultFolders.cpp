// The folders of the running program: the program folder looked up from
// the executable's place (platform/ProgramFolder.h), the working folder by
// the platform's rule. Kept apart from the rest of the common definitions,
// which know nothing of where the program runs from.
#include "image/ISPDefs.h"
#include "platform/ProgramFolder.h"

namespace velmar::image {

Folders DefaultFolders(const std::string& programFolderOption) {
  const platform::ProgramFolderSearch search = platform::FindProgramFolder(programFolderOption);
  Folders f = ChooseFolders(CurrentPlatformVersion(), search.folder, SpecialFolderPath(28));
  f.programSearchReport = platform::SearchReport(search);
  return f;
}

}  // namespace velmar::image
