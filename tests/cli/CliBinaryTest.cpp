// Runs the real velmar-cli executable once per front-door behaviour, to catch
// what in-process tests cannot: linking, the program folder beside the
// executable, and exit statuses as the shell sees them.
#include <gtest/gtest.h>

#include "support/TestSupport.h"

using velmar::test::BinDir;
using velmar::test::CliProgram;
using velmar::test::RunCommand;
using velmar::test::SourceDir;

namespace {

TEST(CliBinary, HexInfoOfAShippedExample) {
  std::string out;
  int status = RunCommand(CliProgram() + " hex info " + SourceDir() + "examples/pic16f628a/blink.hex --json", &out);
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("\"format\":3"), std::string::npos) << out;
}

TEST(CliBinary, IdentifiesASimulatedProgrammer) {
  velmar::test::TempDir dir;
  std::string out;
  int status =
      RunCommand(CliProgram() + " --working-folder " + dir.Path() + " --simulate portable identify --json", &out);
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("\"kind\":3"), std::string::npos) << out;
  EXPECT_TRUE(velmar::test::Exists(dir.File("sim-portable.state")));
}

TEST(CliBinary, UsageErrorExitsWithTwo) {
  EXPECT_EQ(RunCommand(CliProgram() + " hex info 2>" + velmar::test::kNullDevice), 2);
}

TEST(CliBinary, TheProgramFolderFilesSitBesideTheExecutable) {
  EXPECT_TRUE(velmar::test::Exists(BinDir() + "progsetting.ini"));
}

}  // namespace
