// The shell's "open" verb; its result is already the shell-style code.
#include <windows.h>

#include <shellapi.h>

#include <cstdint>

#include "platform/DocumentOpener.h"
#include "platform/Paths.h"
#include "platform/win/WideText.h"

namespace velmar::platform {

int OpenWithDesktop(const std::string& path) {
  if (!FileExists(path)) return 2;
  HINSTANCE result = ShellExecuteW(nullptr, L"open", win::Widen(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return int(reinterpret_cast<std::intptr_t>(result));
}

}  // namespace velmar::platform
