// Path helpers on std::filesystem; where the executable and the per-user
// folders are is each platform's own (PathsPosix.cpp, win/PathsWindows.cpp).
#include "platform/Paths.h"

#include <cctype>
#include <filesystem>

namespace velmar::platform {

namespace fs = std::filesystem;

std::string ExecutableFolder() {
  std::string exe = ExecutablePath();
  if (exe.empty()) return WithSeparator(Utf8Of(fs::current_path()));
  return WithSeparator(Utf8Of(PathOf(exe).parent_path()));
}

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '/' && folder.back() != kPathSeparator) folder.push_back(kPathSeparator);
  return folder;
}

bool EnsureFolder(const std::string& folder, std::string* error) {
  std::error_code ec;
  if (folder.empty()) return true;
  fs::create_directories(PathOf(folder), ec);
  // Asked with an error code too: a name the system cannot look up (one too
  // long, a loop of links) is a folder that could not be made, not an error
  // thrown past the caller's message.
  std::error_code probe;
  if (fs::is_directory(PathOf(folder), probe)) return true;
  if (!ec) ec = probe;
  if (error) *error = "Cannot create folder " + folder + (ec ? ": " + ec.message() : "");
  return false;
}

std::string ExtractFileName(const std::string& path) {
  std::size_t p = path.find_last_of("/\\");
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ExtractFilePath(const std::string& path) {
  std::size_t p = path.find_last_of("/\\");
  return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

bool IsAbsolutePath(const std::string& path, PathStyle style) {
  if (path.empty()) return false;
  if (style == PathStyle::posix) return path[0] == '/';
  const auto letter = static_cast<unsigned char>(path[0]);
  const bool drive = path.size() >= 2 && path[1] == ':' && std::isalpha(letter);
  return drive || path[0] == '\\' || path[0] == '/';
}

std::string ResolveTypedPath(const std::string& folder, const std::string& typed, PathStyle style) {
  if (typed.empty() || IsAbsolutePath(typed, style) || folder.empty()) return typed;
  const char separator = style == PathStyle::windows ? '\\' : '/';
  const char last = folder.back();
  return last == '/' || (style == PathStyle::windows && last == '\\') ? folder + typed : folder + separator + typed;
}

std::string NativeRelative(const std::string& path) {
  std::string r = path;
  for (char& c : r)
    if (c == '\\' || c == '/') c = kPathSeparator;
  return r;
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(PathOf(path), ec);
}

}  // namespace velmar::platform
