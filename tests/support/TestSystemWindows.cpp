// Test helpers on Windows: a uniquely named folder under the temporary
// folder, commands through cmd.exe, programs looked up on the PATH.
#include <windows.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>

#include "platform/Paths.h"
#include "platform/win/WideText.h"
#include "support/TestSupport.h"
#include "support/TestSystem.h"

namespace velmar::test {

namespace fs = std::filesystem;

std::string MakeTempFolder() {
  std::random_device rd;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path folder = base / (L"velmar-test-" + std::to_wstring(rd() % 100000000u));
    if (CreateDirectoryW(folder.c_str(), nullptr)) return platform::WithSeparator(platform::Utf8Of(folder));
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw std::runtime_error("cannot create a temporary folder");
}

int RunCommand(const std::string& command, std::string* output) {
  FILE* p = _wpopen(platform::win::Widen(command).c_str(), L"rb");
  if (!p) return -1;
  std::array<char, 4096> buf;
  std::string out;
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  int status = _pclose(p);
  if (output) *output = out;
  return status;
}

bool HaveProgram(const std::string& program) {
  wchar_t found[MAX_PATH];
  return SearchPathW(nullptr, platform::win::Widen(program).c_str(), L".exe", MAX_PATH, found, nullptr) > 0;
}

void SetEnvironment(const std::string& name, const std::string& value) {
  // Both the C run time's copy (getenv) and the process's (GetEnvironmentVariable).
  _wputenv_s(platform::win::Widen(name).c_str(), platform::win::Widen(value).c_str());
  SetEnvironmentVariableW(platform::win::Widen(name).c_str(),
                          value.empty() ? nullptr : platform::win::Widen(value).c_str());
}

bool RunningAsRoot() { return false; }

bool MakeFifo(const std::string&) { return false; }

long ProcessId() { return long(GetCurrentProcessId()); }

}  // namespace velmar::test
