// Path helpers on std::filesystem and the XDG environment variables.
#include "platform/Paths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>

namespace velmar::platform {

namespace fs = std::filesystem;

std::string ExecutablePath() {
  std::error_code ec;
  fs::path p = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return p.string();
}

std::string ExecutableFolder() {
  std::string exe = ExecutablePath();
  if (exe.empty()) return WithSeparator(fs::current_path().string());
  return WithSeparator(fs::path(exe).parent_path().string());
}

std::string UserDataFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg) return WithSeparator(xdg);
  const char* home = std::getenv("HOME");
  if (home && *home) return WithSeparator(std::string(home) + "/.local/share");
  return WithSeparator(fs::current_path().string());
}

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder.push_back('/');
  return folder;
}

bool EnsureFolder(const std::string& folder, std::string* error) {
  std::error_code ec;
  if (folder.empty()) return true;
  fs::create_directories(folder, ec);
  // Asked with an error code too: a name the system cannot look up (one too
  // long, a loop of links) is a folder that could not be made, not an error
  // thrown past the caller's message.
  std::error_code probe;
  if (fs::is_directory(folder, probe)) return true;
  if (!ec) ec = probe;
  if (error) *error = "Cannot create folder " + folder + (ec ? ": " + ec.message() : "");
  return false;
}

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

std::string ExtractFileName(const std::string& path) {
  std::size_t p = path.find_last_of("/\\");
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ExtractFilePath(const std::string& path) {
  std::size_t p = path.find_last_of("/\\");
  return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string NativeRelative(const std::string& path) {
  std::string r = path;
  for (char& c : r)
    if (c == '\\') c = '/';
  return r;
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

}  // namespace velmar::platform
