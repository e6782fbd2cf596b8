// Helpers shared by the tests: temporary folders that clean up after
// themselves, whole-file reading and writing, and the paths of the source
// tree and of the built program folder.
#pragma once

#include <string>
#include <vector>

namespace velmar::test {

// A fresh folder under the system's temporary folder, removed on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder, ending with '/'.
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& contents);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);

// Source tree and built program folder (both end with '/').
std::string SourceDir();
std::string BinDir();

// Runs a shell command; returns its exit status and fills `output` with its
// standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);
// True when `program` is on the PATH.
bool HaveProgram(const std::string& program);

}  // namespace velmar::test
