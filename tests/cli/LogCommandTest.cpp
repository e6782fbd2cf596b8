// `velmar-cli log` over the records the other commands leave in the working
// folder: the plain listing, --last, --json, --csv, a torn last line (a
// warning, never a failure), and Copy Unit printing the saved file's digest.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"
#include "platform/FileDigest.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

using nlohmann::json;

struct LogCli : ::testing::Test {
  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--working-folder", dir.Path()});
    return RunCliInProcess(args);
  }
  std::string Create(const std::string& kind, const std::string& fault = {}) {
    const std::string state = dir.File(kind + ".state");
    std::vector<std::string> create{"sim", "create", state, "--kind", kind, "--force"};
    if (!fault.empty()) create.insert(create.end(), {"--fault", fault});
    EXPECT_EQ(Run(create).status, 0);
    return state;
  }
  CliResult New(const std::string& state, const std::string& description) {
    return Run({"--sim-state", state, "--yes", "new", "--family", "1", "--device", "PIC16F628A", "--hex", Hex(),
                "--description", description});
  }
  static std::string Hex() { return SourceDir() + "examples/pic16f628a/blink.hex"; }

  TempDir dir;
};

TEST_F(LogCli, ListsTheRecordsOfTheOperationsRunInTheWorkingFolder) {
  CliResult r = Run({"log"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("No operations recorded"), std::string::npos) << r.out;

  const std::string state = Create("8way");
  ASSERT_EQ(New(state, "Pump A").status, 0);
  const std::string bad = Create("portable", "bad_page=1");
  EXPECT_NE(New(bad, "Pump B").status, 0);
  const std::string unit = dir.File("unit.prg");
  r = Run({"--sim-state", state, "--yes", "copy", unit});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string digest = *platform::FileSha256(unit);
  EXPECT_NE(r.out.find("SHA-256: " + digest), std::string::npos) << "copy prints the saved file's digest\n" << r.out;

  r = Run({"log"});
  ASSERT_EQ(r.status, 0) << r.err;
  // read, new, read, new (failed), read, copy
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(r.out.substr(at, end - at));
  ASSERT_EQ(lines.size(), 6u) << r.out;
  EXPECT_NE(lines[1].find("new"), std::string::npos);
  EXPECT_NE(lines[1].find("\"Pump A\""), std::string::npos) << lines[1];
  EXPECT_NE(lines[3].find("failed"), std::string::npos) << lines[3];
  EXPECT_NE(lines[3].find("Dataflash verify fail"), std::string::npos) << lines[3];
  EXPECT_NE(lines[5].find(digest), std::string::npos) << lines[5];

  r = Run({"--json", "log", "--last", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  const json j = json::parse(r.out);
  ASSERT_EQ(j["records"].size(), 2u);
  EXPECT_EQ(j["records"][0]["operation"], "read");
  EXPECT_EQ(j["records"][1]["operation"], "copy");
  EXPECT_EQ(j["records"][1]["file_sha256"], digest);
  EXPECT_EQ(j["records"][1]["serial"], "QRXA");
  EXPECT_EQ(j["records"][1]["driver"], "sim") << "a simulated run says so";
  EXPECT_NE(lines[5].find("(simulated)"), std::string::npos) << lines[5];
  EXPECT_EQ(json::parse(Run({"--json", "log", "--driver", "sim"}).out)["records"].size(), 6u);
  EXPECT_EQ(json::parse(Run({"--json", "log", "--driver", "libftdi"}).out)["records"].size(), 0u);

  r = Run({"log", "--csv", "--last", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("time,operation,result,message,", 0), 0u) << r.out;
  EXPECT_NE(r.out.find(",new,failed,Dataflash verify fail,portable,"), std::string::npos) << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4);

  EXPECT_EQ(Run({"--json", "log", "--csv"}).status, 2) << "one output form at a time";
  EXPECT_NE(Run({"log", "--last", "-1"}).status, 0);
}

TEST_F(LogCli, ATornLastLineIsAWarningNotAFailure) {
  WriteFile(
      dir.File("velmar-log.jsonl"),
      "{\"time\":\"2026-03-01T09:30:12.345Z\",\"operation\":\"erase\",\"result\":\"ok\",\"velmar_version\":\"1\"}\n"
      "{\"time\":\"2026-03-01T09:31:");
  CliResult r = Run({"--json", "log"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json::parse(r.out)["records"].size(), 1u);
  EXPECT_NE(r.err.find("line 2"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace velmar::test
