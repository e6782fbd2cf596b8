// The simulated programmer's state file.
#include <gtest/gtest.h>

#include "sim/SimState.h"
#include "support/TestSupport.h"

namespace velmar::sim {
namespace {

TEST(SimState, RoundTripsThroughItsFile) {
  SimState s = FreshState(slot::kind_8way, {226, 48, 150});
  s.token = 0x1234;
  s.binaryPending = true;
  s.replyPrepUs = 250;
  s.newToken = 0x1234;
  s.faults.badPage = 7;
  s.faults.silentBadPage = 9;
  s.faults.identity = 0x1F99;
  s.flash->ProgramPage(5 * 512, std::vector<std::uint8_t>(512, 0xA5));
  test::TempDir dir;
  std::string error;
  ASSERT_TRUE(SaveState(dir.File("p.state"), s, &error)) << error;
  SimState back = LoadState(dir.File("p.state"));
  EXPECT_EQ(back.kind, 2);
  EXPECT_EQ(back.version, 226);
  EXPECT_EQ(back.token, 0x1234);
  EXPECT_TRUE(back.binaryPending);
  EXPECT_EQ(back.replyPrepUs, 250);
  EXPECT_EQ(back.newToken, 0x1234);
  EXPECT_EQ(back.faults.badPage, 7);
  EXPECT_EQ(back.faults.silentBadPage, 9);
  EXPECT_EQ(back.faults.identity, 0x1F99);
  EXPECT_EQ(back.flash->At(5 * 512 + 17), 0xA5);
  EXPECT_TRUE(back.flash->PageBlank(4));
  EXPECT_EQ(StateText(back), StateText(s));
}

TEST(SimState, AFreshProgrammerRunsTheFirmwareItsKindRuns) {
  SimState portable = FreshState(slot::kind_portable, {226, 48, 150});
  EXPECT_EQ(portable.firmware, FirmwareKind::portable);
  EXPECT_EQ(portable.version, 150);
  EXPECT_TRUE(portable.flash->BinaryPages());
  EXPECT_EQ(FreshState(slot::kind_8way_v2, {226, 48, 150}).version, 226);
}

TEST(SimState, BadContentsAreReportedWithTheirLine) {
  auto error = [](const std::string& text) {
    try {
      ParseState(text);
    } catch (const std::exception& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(error("kind=0\nversion=300\n"), "line 2: version=300: expected a number from 0 to 255");
  EXPECT_EQ(error("kind=9\n"), "line 1: kind=9: not a programmer kind");
  EXPECT_EQ(error("fault.nonsense=1\n"), "line 1: unknown key 'fault.nonsense'");
  EXPECT_EQ(error("kind=0\npage 5000 FF\n"), "page 5000 lies beyond the dataflash");
  EXPECT_EQ(error("kind=0\npage 1 FFFF\n"), "page 1 holds 2 bytes, not 264");
  EXPECT_EQ(error("kind=0\npage 1 " + std::string(527, 'F') + "G\n"),
            "page 1 holds a character that is not hexadecimal");
  EXPECT_EQ(error("just words\n"), "line 1: expected key=value");
  // An empty or cut-short file is not a fresh single-way programmer.
  EXPECT_EQ(error(""), "no kind= line (the file is empty or incomplete)");
  EXPECT_EQ(error("# comment\nversion=200\n"), "no kind= line (the file is empty or incomplete)");
}

}  // namespace
}  // namespace velmar::sim
