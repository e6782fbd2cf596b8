// Consoles by GetConsoleMode, which (unlike _isatty) is false for the NUL
// device and for pipes.
#include <windows.h>

#include "platform/Terminal.h"

namespace velmar::platform {

bool IsTerminal(StandardStream stream) {
  const DWORD which = stream == StandardStream::input    ? STD_INPUT_HANDLE
                      : stream == StandardStream::output ? STD_OUTPUT_HANDLE
                                                         : STD_ERROR_HANDLE;
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

}  // namespace velmar::platform
