// Test helpers on POSIX systems: mkdtemp, and commands through /bin/sh.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "support/TestSupport.h"
#include "support/TestSystem.h"

namespace velmar::test {

std::string MakeTempFolder() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "velmar-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  return tmpl + "/";
}

int RunCommand(const std::string& command, std::string* output) {
  FILE* p = popen(command.c_str(), "r");
  if (!p) return -1;
  std::array<char, 4096> buf;
  std::string out;
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  int status = pclose(p);
  if (output) *output = out;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveProgram(const std::string& program) { return RunCommand("command -v " + program + " >/dev/null 2>&1") == 0; }

void SetEnvironment(const std::string& name, const std::string& value) {
  if (value.empty())
    unsetenv(name.c_str());
  else
    setenv(name.c_str(), value.c_str(), 1);
}

bool RunningAsRoot() { return geteuid() == 0; }

bool MakeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

long ProcessId() { return long(::getpid()); }

}  // namespace velmar::test
