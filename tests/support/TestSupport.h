// Helpers shared by the tests: temporary folders that clean up after
// themselves, whole-file reading and writing, and the paths of the source
// tree and of the built program folder.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/ProtocolCheck.h"

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
// The JSON records of a file of one record per line (the operation log),
// blank lines skipped.
std::vector<nlohmann::json> ReadJsonLines(const std::string& path);
bool Exists(const std::string& path);

// Source tree and built program folder (both end with '/').
std::string SourceDir();
std::string BinDir();

// Runs a shell command (/bin/sh; cmd.exe on Windows); returns its exit
// status and fills `output` with its standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);
// True when `program` is on the PATH.
bool HaveProgram(const std::string& program);

// Every test fails when the simulated programmer sees the protocol broken.
// A test that breaks it on purpose holds one of these: while it lives the
// violations are collected in `seen` instead.
class ViolationCatcher {
 public:
  ViolationCatcher();
  ~ViolationCatcher();
  ViolationCatcher(const ViolationCatcher&) = delete;
  ViolationCatcher& operator=(const ViolationCatcher&) = delete;
  // All collected violations, one a line ("" when none).
  std::string Text() const;
  std::vector<std::string> seen;

 private:
  sim::ViolationHandler previous_;
};

// Sets an environment variable of this process; an empty value removes it.
void SetEnvironment(const std::string& name, const std::string& value);
// True when the tests run with the rights to ignore file permissions.
bool RunningAsRoot();
// Makes a named pipe (FIFO); false where the system has none (Windows).
bool MakeFifo(const std::string& path);
// This process's id, as the system reports it.
long ProcessId();

// The system's ways: executables' file name ending, the null device.
#ifdef _WIN32
inline constexpr bool kOnWindows = true;
inline constexpr const char* kExeSuffix = ".exe";
inline constexpr const char* kNullDevice = "NUL";
#else
inline constexpr bool kOnWindows = false;
inline constexpr const char* kExeSuffix = "";
inline constexpr const char* kNullDevice = "/dev/null";
#endif
// The built velmar-cli, ready for a command line.
std::string CliProgram();

// Skips the rest of a test on Windows, saying why it cannot hold there
// (POSIX permissions, symbolic links, a POSIX shell's command lines).
#ifdef _WIN32
#define VELMAR_SKIP_ON_WINDOWS(reason) GTEST_SKIP() << "not on Windows: " << (reason)
#else
#define VELMAR_SKIP_ON_WINDOWS(reason) static_cast<void>(0)
#endif

}  // namespace velmar::test
