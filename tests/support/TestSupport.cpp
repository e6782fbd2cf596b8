// Test helpers.
#include "support/TestSupport.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/Paths.h"
#include "support/TestSystem.h"

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

TempDir::TempDir() : path_(MakeTempFolder()) {}

TempDir::~TempDir() {
  std::error_code ec;
  // Make read-only test folders removable again.
  const fs::path folder = platform::PathOf(path_);
  for (auto it = fs::recursive_directory_iterator(folder, ec); it != fs::recursive_directory_iterator(); ++it)
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(folder, ec);
}

void WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream out(platform::PathOf(path), std::ios::binary);
  if (!out) throw std::runtime_error("cannot write " + path);
  out << contents;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(platform::PathOf(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<nlohmann::json> ReadJsonLines(const std::string& path) {
  std::istringstream in(ReadFile(path));
  std::vector<nlohmann::json> records;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) records.push_back(nlohmann::json::parse(line));
  return records;
}

bool Exists(const std::string& path) { return fs::exists(platform::PathOf(path)); }

std::string SourceDir() { return std::string(VELMAR_SOURCE_DIR) + "/"; }
std::string BinDir() { return std::string(VELMAR_BIN_DIR) + "/"; }
std::string CliProgram() { return platform::NativeRelative(BinDir() + "velmar-cli" + kExeSuffix); }

}  // namespace velmar::test
