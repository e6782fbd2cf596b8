// Where things are on Linux and the other POSIX systems: the executable
// through /proc, the per-user folder by the XDG rules. Path texts are the
// system's own bytes, used as they are.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/Paths.h"

namespace velmar::platform {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) { return fs::path(utf8); }

std::string Utf8Of(const fs::path& path) { return path.string(); }

std::string ExecutablePath() {
  std::error_code ec;
  fs::path p = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return p.string();
}

std::string UserDataFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg) return WithSeparator(xdg);
  const char* home = std::getenv("HOME");
  if (home && *home) return WithSeparator(std::string(home) + "/.local/share");
  return WithSeparator(fs::current_path().string());
}

std::string SystemFolder() { return "/usr/lib/"; }

bool EnsurePrivateFolder(const std::string& folder, std::string* error) {
  if (folder.empty()) return true;
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return true;
  fs::path path = fs::path(folder);
  if (!path.has_filename()) path = path.parent_path();  // "a/b/" names the folder b
  const fs::path above = path.parent_path();
  if (!above.empty() && !EnsureFolder(above.string(), error)) return false;
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    if (error) *error = "Cannot create folder " + folder + ": " + std::strerror(errno);
    return false;
  }
  return EnsureFolder(folder, error);
}

std::string SharedFolderWarning(const std::string& folder) {
  struct stat st {};
  if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) == 0) return {};
  return "The working folder " + folder +
         " can be written by other users, who could plant files there; make it private (chmod 700) or choose "
         "another with --working-folder";
}

int OpenForReading(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }

}  // namespace velmar::platform
