// A library loaded at run time (dlopen on POSIX, LoadLibraryW on Windows),
// for drivers that may or may not be installed, such as FTDI's D2XX.
#pragma once

#include <string>

namespace velmar::platform {

class SharedLibrary {
 public:
  SharedLibrary() = default;
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // Loads the library by name (the system's search rules apply) or by
  // path. False, with the system's reason in `error`, when it cannot.
  bool Open(const std::string& name, std::string& error);
  bool IsOpen() const { return handle_ != nullptr; }
  // The address of an exported function, or nullptr.
  void* Symbol(const char* name) const;

 private:
  void* handle_ = nullptr;
};

}  // namespace velmar::platform
