// Opening a document with the desktop's registered application (the PDF
// viewer for the manuals): ShellExecuteW's "open" on Windows, xdg-open
// elsewhere. The front ends' dialogs call it.
#pragma once

#include <string>

namespace velmar::platform {

// Returns a shell-style code: above 32 success, 2 file not found, 3 path
// not found, 27 no association, other small numbers system errors.
int OpenWithDesktop(const std::string& path);

}  // namespace velmar::platform
