// `--all` without programmers to run on: the per-programmer file names of
// copy, and the usage errors that must stop it before anything runs.
#include <gtest/gtest.h>

#include "cli/AllProgrammers.h"
#include "cli/CliTestSupport.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

TEST(AllProgrammers, CopyGetsOneFilePerLocation) {
  struct Case {
    const char* file;
    const char* location;
    const char* expected;
  };
  const Case cases[] = {
      {"unit.prg", "1-2.4", "unit-1-2.4.prg"},
      {"/tmp/a.b/unit.prg", "1-1", "/tmp/a.b/unit-1-1.prg"},
      {"/tmp/a.b/unit", "1-1", "/tmp/a.b/unit-1-1"},  // the folder's dot is no extension
      {".prg", "2-1", ".prg-2-1"},
      {"unit.prg", "1/../x", "unit-1_.._x.prg"},  // a location never makes a path
  };
  for (const Case& c : cases) EXPECT_EQ(cli::FileForLocation(c.file, c.location), c.expected) << c.file;
}

TEST(AllProgrammers, RefusesWhatItCannotRunBeforeRunningAnything) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{"--all", "--simulate", "8way", "list"}, "the simulated programmer is a single one"},
      {{"--all", "--driver", "libftdi", "hex", "info", "x.hex"}, "not hex"},
      {{"--all", "--driver", "libftdi", "--port", "1-1", "list"}, "--all and --port do not go together"},
      {{"--all"}, "--all needs a command"},
  };
  for (const Case& c : cases) {
    const CliResult r = RunCliInProcess(c.args);
    EXPECT_EQ(r.status, 2) << c.message << ": " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace velmar::test
