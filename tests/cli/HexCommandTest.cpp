// `velmar-cli hex info` and `hex convert`, run in-process.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

#include "cli/Cli.h"
#include "cli/CliTestSupport.h"
#include "support/TestSupport.h"

using velmar::test::RunCliInProcess;
using velmar::test::TempDir;
using velmar::test::WriteFile;

namespace {

TEST(HexInfo, ReportsFormatResultLastUsedAndBytesUsedAsJson) {
  TempDir dir;
  WriteFile(dir.File("a.hex"), ":020000040001F9\n:03001000AABBCC9A\n:00000001FF\n");
  auto r = RunCliInProcess({"hex", "info", dir.File("a.hex"), "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["format"], 3);
  EXPECT_EQ(j["format_name"], "Intel HEX with extended linear addresses");
  EXPECT_EQ(j["result"], 0);
  EXPECT_EQ(j["last_used"], 0x1001F);
  EXPECT_EQ(j["bytes_used"], 3);
}

TEST(HexInfo, AReportThatCannotBeWrittenIsAFailure) {
  TempDir dir;
  WriteFile(dir.File("a.hex"), ":0100200011CE\n:00000001FF\n");
  std::ostream lost(nullptr);  // every write fails, as on a full disk
  std::ostringstream err;
  std::istringstream in;
  EXPECT_EQ(velmar::cli::RunCli({"hex", "info", dir.File("a.hex"), "--json"}, lost, err, in), 1);
  EXPECT_EQ(err.str(), "The output could not be written\n");
  // The executable's standard output, when the disk is full.
  if (!velmar::test::kOnWindows && velmar::test::Exists("/dev/full")) {
    EXPECT_EQ(velmar::test::RunCommand(velmar::test::BinDir() + "velmar-cli hex info " + dir.File("a.hex") +
                                       " >/dev/full 2>/dev/null"),
              1);
  }
}

TEST(HexInfo, ASmallSizeMakesTheLoadFail) {
  TempDir dir;
  WriteFile(dir.File("a.hex"), ":0100200011CE\n:00000001FF\n");
  auto r = RunCliInProcess({"hex", "info", dir.File("a.hex"), "--size", "0x20", "--json"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(nlohmann::json::parse(r.out)["result"], -1);
  EXPECT_NE(r.err.find("beyond the image"), std::string::npos);
}

TEST(HexInfo, BadInputFailsWithAMessage) {
  TempDir dir;
  WriteFile(dir.File("bad.hex"),
            "\x7f"
            "ELF\x01\x02garbage");
  WriteFile(dir.File("empty.hex"), "");
  auto unknown = RunCliInProcess({"hex", "info", dir.File("bad.hex")});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("not in a hex format"), std::string::npos);
  auto empty = RunCliInProcess({"hex", "info", dir.File("empty.hex")});
  EXPECT_EQ(empty.status, 1);
  EXPECT_NE(empty.err.find("holds no lines"), std::string::npos);
  auto missing = RunCliInProcess({"hex", "info", dir.File("missing.hex")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("missing.hex"), std::string::npos);
}

TEST(HexInfo, ARefusedFileIsNamedWithItsLineAndWhyAndWarningsGoToStderr) {
  TempDir dir;
  WriteFile(dir.File("bad.hex"), ":0100000011EE\n\n:0100000611E8\n");
  auto bad = RunCliInProcess({"hex", "info", dir.File("bad.hex")});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("bad.hex is not in a hex format Velmar reads (line 3: record type 0x06"), std::string::npos)
      << bad.err;
  WriteFile(dir.File("sum.hex"), ":0100000011EF\n:00000001FF\n");
  auto sum = RunCliInProcess({"hex", "convert", dir.File("sum.hex"), dir.File("out.hex")});
  EXPECT_EQ(sum.status, 0) << sum.err;
  EXPECT_NE(sum.err.find("Warning: " + dir.File("sum.hex") + " line 1: bad checksum"), std::string::npos) << sum.err;
}

TEST(HexCommands, UsageErrorsExitWithTwo) {
  EXPECT_EQ(RunCliInProcess({"hex"}).status, 2);
  EXPECT_EQ(RunCliInProcess({"hex", "info"}).status, 2);
  EXPECT_EQ(RunCliInProcess({"hex", "info", "x.hex", "--size", "lots"}).status, 2);
  EXPECT_EQ(RunCliInProcess({"hex", "info", "x.hex", "--size", "17592186044416M"}).status, 2);  // 2^64
  for (const char* negative : {"-1", "-0", "-4K"}) {
    auto r = RunCliInProcess({"hex", "info", "x.hex", std::string("--size=") + negative});
    EXPECT_EQ(r.status, 2) << negative;
    EXPECT_NE(r.err.find("is not a size"), std::string::npos) << r.err;
  }
  EXPECT_EQ(RunCliInProcess({"no-such-command"}).status, 2);
  EXPECT_EQ(RunCliInProcess({"--help"}).status, 0);
}

TEST(HexConvert, WritesIntelHexFromAnyFormat) {
  TempDir dir;
  WriteFile(dir.File("in.s19"), "S1070010AABBCCDDFF\nS9030000FC\n");
  auto r = RunCliInProcess({"hex", "convert", dir.File("in.s19"), dir.File("out.hex")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(velmar::test::ReadFile(dir.File("out.hex")), ":04001000AABBCCDDDE\r\n:00000001FF\r\n");
  EXPECT_EQ(r.out.rfind("Wrote " + dir.File("out.hex") + " as Intel HEX (read as ", 0), 0u) << r.out;
}

TEST(HexConvert, AFailedLoadWritesNothing) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), "not hex\n");
  WriteFile(dir.File("out.hex"), "keep");
  auto r = RunCliInProcess({"hex", "convert", dir.File("in.txt"), dir.File("out.hex")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(velmar::test::ReadFile(dir.File("out.hex")), "keep");
}

}  // namespace
