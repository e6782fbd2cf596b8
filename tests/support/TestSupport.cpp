// Test helpers.
#include "support/TestSupport.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <sys/wait.h>

#include <gtest/gtest.h>

namespace velmar::test {

namespace fs = std::filesystem;

namespace {

void FailOnViolation(const std::string& violation) {
  ADD_FAILURE() << "The simulated programmer saw the protocol broken: " << violation;
}

// Installed before any test runs.
[[maybe_unused]] const bool kStrictSimulator = (sim::SetViolationHandler(FailOnViolation), true);

}  // namespace

ViolationCatcher::ViolationCatcher()
    : previous_(sim::SetViolationHandler([this](const std::string& v) { seen.push_back(v); })) {}

ViolationCatcher::~ViolationCatcher() { sim::SetViolationHandler(previous_); }

std::string ViolationCatcher::Text() const {
  std::string out;
  for (const std::string& v : seen) out += v + "\n";
  return out;
}

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "velmar-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  // Make read-only test folders removable again.
  for (auto it = fs::recursive_directory_iterator(path_, ec); it != fs::recursive_directory_iterator(); ++it)
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary);
  if (!out) throw std::runtime_error("cannot write " + path);
  out << contents;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Exists(const std::string& path) { return fs::exists(path); }

std::string SourceDir() { return std::string(VELMAR_SOURCE_DIR) + "/"; }
std::string BinDir() { return std::string(VELMAR_BIN_DIR) + "/"; }

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

bool HaveProgram(const std::string& program) {
  return RunCommand("command -v " + program + " >/dev/null 2>&1") == 0;
}

}  // namespace velmar::test
