// The README's command-line examples, run as written and in the order given
// on a fresh working folder (so a fresh simulated programmer): once from a
// folder laid out as the repository root (build/bin and examples where the
// README expects them) and once from another folder, where the paths are
// the repository's. Every one must succeed. The demo programmer run.sh
// makes must also be the one `--simulate KIND` then reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/TestSupport.h"

namespace velmar::test {
namespace {

namespace fs = std::filesystem;

// The velmar-cli commands of the README's ```sh blocks, continuation lines
// joined.
std::vector<std::string> ReadmeCommands() {
  std::istringstream readme(ReadFile(SourceDir() + "README.md"));
  std::vector<std::string> commands;
  std::string line, pending;
  bool inBlock = false;
  while (std::getline(readme, line)) {
    const std::string trimmed = line.substr(std::min(line.find_first_not_of(' '), line.size()));
    if (trimmed.rfind("```", 0) == 0) {
      inBlock = trimmed == "```sh";
      continue;
    }
    if (!inBlock) continue;
    if (pending.empty() && trimmed.rfind("build/bin/velmar-cli ", 0) != 0 && trimmed.rfind("velmar-cli ", 0) != 0)
      continue;
    pending += trimmed;
    if (!pending.empty() && pending.back() == '\\') {
      pending.pop_back();
      continue;
    }
    commands.push_back(pending);
    pending.clear();
  }
  return commands;
}

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

struct Readme : ::testing::Test {
  // Runs `command` in `folder` with a fresh data folder and velmar-cli on
  // the PATH; the exit status, and the output in `out`.
  // The status an example ends with as written: 0, but `doctor` on a
  // machine without a programmer answers 1, as it documents.
  static int Expected(const std::string& command) { return command.find(" doctor") != std::string::npos ? 1 : 0; }
  int Run(const std::string& folder, const std::string& command, std::string* out) {
    WriteFile(home.File("step.sh"), command + "\n");
    return RunCommand("cd '" + folder + "' && HOME='" + home.Path() + "' XDG_DATA_HOME='" + home.Path() +
                          "data' PATH='" + BinDir() + ":'\"$PATH\" bash '" + home.File("step.sh") + "' 2>&1 </dev/null",
                      out);
  }
  TempDir home;
  TempDir place;
};

TEST_F(Readme, TheExamplesCoverTheCommandLine) {
  const std::vector<std::string> commands = ReadmeCommands();
  EXPECT_GE(commands.size(), 20u);
  bool s19 = false;
  for (const std::string& c : commands) s19 = s19 || c.find(".s19") != std::string::npos;
  EXPECT_TRUE(s19) << "the S-record example";
}

TEST_F(Readme, EveryExampleRunsFromTheRepositoryRoot) {
  VELMAR_SKIP_ON_WINDOWS("the README's examples are bash command lines");
  // The root as the README sees it: build/bin and examples beside each other.
  fs::create_directories(place.Path() + "build");
  fs::create_directory_symlink(fs::path(BinDir()).parent_path(), place.Path() + "build/bin");
  fs::create_directory_symlink(SourceDir() + "examples", place.Path() + "examples");
  for (const std::string& command : ReadmeCommands()) {
    std::string out;
    EXPECT_EQ(Run(place.Path(), command, &out), Expected(command)) << command << "\n" << out;
  }
}

TEST_F(Readme, EveryExampleRunsFromAnotherFolder) {
  VELMAR_SKIP_ON_WINDOWS("the README's examples are bash command lines");
  for (const std::string& written : ReadmeCommands()) {
    const std::string command =
        Replaced(Replaced(written, "build/bin/", BinDir()), "examples/", SourceDir() + "examples/");
    std::string out;
    EXPECT_EQ(Run(place.Path(), command, &out), Expected(command)) << command << "\n" << out;
  }
}

// run.sh fills the state file scripts/demo-state.sh names; `--simulate KIND`
// must then see the example programs in it.
TEST_F(Readme, TheDemoProgrammerIsTheOneSimulateUses) {
  VELMAR_SKIP_ON_WINDOWS("the demo scripts are bash scripts");
  std::string state;
  ASSERT_EQ(Run(place.Path(), SourceDir() + "scripts/demo-state.sh 2 " + BinDir() + "velmar-cli", &state), 0) << state;
  state = state.substr(0, state.find('\n'));
  EXPECT_NE(state.find("/sim-8way.state"), std::string::npos) << state;
  std::string out;
  ASSERT_EQ(Run(SourceDir(),
                "VELMAR_CLI='" + BinDir() + "velmar-cli' scripts/make-demo-programmer.sh 8way '" + state + "'", &out),
            0)
      << out;
  ASSERT_EQ(Run(place.Path(), "velmar-cli --simulate 8way --json list", &out), 0) << out;
  EXPECT_NE(out.find("\"slot_count\":3"), std::string::npos) << out;
}

}  // namespace
}  // namespace velmar::test
