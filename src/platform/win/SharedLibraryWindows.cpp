// Run-time loading through LoadLibraryW; names in UTF-16.
#include <windows.h>

#include "platform/SharedLibrary.h"
#include "platform/win/WideText.h"

namespace velmar::platform {

SharedLibrary::~SharedLibrary() {
  if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
}

bool SharedLibrary::Open(const std::string& name, std::string& error) {
  handle_ = LoadLibraryW(win::Widen(name).c_str());
  if (handle_) return true;
  error = name + ": " + win::ErrorText(GetLastError());
  return false;
}

void* SharedLibrary::Symbol(const char* name) const {
  return handle_ ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name)) : nullptr;
}

}  // namespace velmar::platform
