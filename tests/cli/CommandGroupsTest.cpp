// A run sets up only the command groups its words name, so a start builds
// nothing the command does not use; every other command line sets up all.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/Cli.h"

using velmar::cli::CommandWordsFor;

namespace {

using Words = std::vector<std::string>;

TEST(CommandGroups, ARunSetsUpTheGroupsItsWordsNameOrEveryGroup) {
  const Words all = CommandWordsFor({});
  ASSERT_GT(all.size(), 20u);
  const struct {
    Words args;
    Words expected;  // empty: every command word
  } cases[] = {
      {{"hex", "convert", "in.hex", "out.hex"}, {"hex"}},
      {{"--json", "--working-folder", "w", "copy", "unit.bin"},
       {"new", "replace", "delete", "erase", "copy", "verify-unit", "load"}},
      {{"--simulate", "portable", "identify"}, {"identify", "list", "dump"}},
      {{"hex", "info", "log"}, {"hex", "log"}},  // a file named like a command: both groups, never too few
      {{"hexx", "info"}, {}},                    // a typo: everything, to suggest from
      {{"--help"}, {}},
      {{}, {}},
  };
  for (const auto& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    EXPECT_EQ(CommandWordsFor(c.args), c.expected.empty() ? all : c.expected) << line;
  }
}

TEST(CommandGroups, EveryCommandWordIsListedWithItsGroup) {
  // A word missing from the table still works, but sets up every group.
  const Words all = CommandWordsFor({});
  for (const std::string& word : all) {
    const Words words = CommandWordsFor({word});
    EXPECT_LT(words.size(), all.size()) << word << " sets up every group";
    EXPECT_NE(std::find(words.begin(), words.end(), word), words.end()) << word;
  }
}

}  // namespace
