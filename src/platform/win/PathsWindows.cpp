// Where things are on Windows: the executable from the module's own file
// name, the per-user folder and the system folder from the shell. Path
// texts are UTF-8 inside the program and UTF-16 toward the system.
#include <shlobj.h>
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <filesystem>

#include "platform/Paths.h"
#include "platform/win/WideText.h"

namespace velmar::platform {

namespace fs = std::filesystem;

namespace {

// The shell's special folder with the given id (CSIDL), "" when it has none.
std::string ShellFolder(int id) {
  wchar_t buffer[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, id, nullptr, 0, buffer) != S_OK) return {};
  return win::Narrow(buffer);
}

}  // namespace

fs::path PathOf(const std::string& utf8) { return fs::path(win::Widen(utf8)); }

std::string Utf8Of(const fs::path& path) { return win::Narrow(path.native()); }

std::string ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return win::Narrow(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);  // a long path: ask again with room
  }
}

std::string UserDataFolder() {
  std::string folder = ShellFolder(CSIDL_LOCAL_APPDATA);
  if (folder.empty()) folder = Utf8Of(fs::current_path());
  return WithSeparator(folder);
}

std::string SystemFolder() { return ShellFolder(CSIDL_SYSTEM); }

// The user's local application-data folder is private to the user already
// (its security is inherited from the profile), so a working folder made
// below it needs nothing more.
bool EnsurePrivateFolder(const std::string& folder, std::string* error) { return EnsureFolder(folder, error); }

// Who may write into a folder is a question of its security descriptor on
// Windows, which the profile folders keep private; nothing to warn about.
std::string SharedFolderWarning(const std::string&) { return {}; }

int OpenForReading(const std::string& path) {
  return _wopen(win::Widen(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

}  // namespace velmar::platform
