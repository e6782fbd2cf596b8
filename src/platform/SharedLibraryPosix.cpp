// Run-time loading through the dynamic linker.
#include <dlfcn.h>

#include "platform/SharedLibrary.h"

namespace velmar::platform {

SharedLibrary::~SharedLibrary() {
  if (handle_) dlclose(handle_);
}

bool SharedLibrary::Open(const std::string& name, std::string& error) {
  handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_) return true;
  const char* e = dlerror();
  error = e ? e : name + ": cannot be loaded";
  return false;
}

void* SharedLibrary::Symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

}  // namespace velmar::platform
