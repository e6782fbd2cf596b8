// A file that records are appended to by more than one program at a time
// (the operation log): opened for appending, created when missing, refused
// when it is not a regular file, never written through a symbolic or hard
// link (nor created at a dangling link's target), and locked while it is
// held so that one writer rotating it does not tear another's record. The
// file can be renamed while it is held (on Windows too).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmar::platform {

class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  enum class Opened { yes, failed, notRegularFile, link };
  // Opens and locks `path`; when it fails, `reason` has the system's words.
  Opened Open(const std::string& path, std::string& reason);
  void Close();

  std::uint64_t Size() const;
  // True when the last byte ends a line, the file is empty or the last byte
  // cannot be read.
  bool EndsWithNewline() const;
  // Appends all the bytes; false with the reason.
  bool Append(std::string_view bytes, std::string& reason);
  // Syncs what was appended to disk; false with the reason.
  bool Sync(std::string& reason);

 private:
  std::intptr_t handle_ = -1;
};

// Renames a file, replacing any file of the new name; false with the reason.
bool RenameReplacing(const std::string& from, const std::string& to, std::string& reason);

}  // namespace velmar::platform
