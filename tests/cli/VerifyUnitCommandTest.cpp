// `verify-unit`, run in-process against simulated programmers: a fresh copy
// is identical (and its digest is the programmer's), a slot written since is
// named with pages inside it and nothing else, an image of another kind is
// a different geometry, a file that is no unit image fails; the programmer
// is never written and every run leaves its log record with both digests.
#include <gtest/gtest.h>

#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

using nlohmann::json;

struct VerifyUnitCli : ::testing::Test {
  CliResult On(const std::string& state, std::vector<std::string> args) {
    args.insert(args.begin(), {"--working-folder", dir.Path(), "--sim-state", state, "--yes"});
    return RunCliInProcess(args);
  }
  std::string Create(const std::string& kind) {
    const std::string state = dir.File(kind + ".state");
    EXPECT_EQ(RunCliInProcess({"sim", "create", state, "--kind", kind, "--force"}).status, 0);
    return state;
  }
  void New(const std::string& state, const std::string& description) {
    CliResult r = On(state, {"new", "--family", "1", "--device", "PIC16F628A", "--hex",
                             SourceDir() + "examples/pic16f628a/blink.hex", "--description", description});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  std::string Export(const std::string& state) {
    EXPECT_EQ(RunCliInProcess({"sim", "export", state, dir.File("export.hex")}).status, 0);
    return ReadFile(dir.File("export.hex"));
  }
  json Verify(const std::string& state, const std::string& unit, int status) {
    const std::string before = Export(state);
    CliResult r = On(state, {"--json", "verify-unit", unit});
    EXPECT_EQ(r.status, status) << r.out << r.err;
    EXPECT_EQ(Export(state), before) << "verify-unit wrote to the programmer";
    return json::parse(r.out.substr(0, r.out.find('\n')));
  }
  // The last record of the operation log.
  json LastRecord() {
    std::istringstream log(ReadFile(dir.File("velmar-log.jsonl")));
    std::string line, last;
    while (std::getline(log, line))
      if (!line.empty()) last = line;
    return json::parse(last);
  }
  TempDir dir;
};

TEST_F(VerifyUnitCli, ACopyIsIdenticalUntilASlotChanges) {
  const std::string state = Create("8way");
  New(state, "First");
  New(state, "Second");
  const std::string unit = dir.File("unit.prg");
  ASSERT_EQ(On(state, {"copy", unit}).status, 0);

  json j = Verify(state, unit, 0);
  EXPECT_EQ(j["result"], "identical");
  EXPECT_TRUE(j["differing_slots"].empty());
  EXPECT_EQ(j["unit_sha256"], j["file_sha256"]) << "a fresh copy's file is the programmer's content";
  json rec = LastRecord();
  EXPECT_EQ(rec["operation"], "verify-unit");
  EXPECT_EQ(rec["result"], "ok");
  EXPECT_EQ(rec["comparison"], "identical");
  EXPECT_EQ(rec["file_sha256"], j["file_sha256"]);
  EXPECT_EQ(rec["unit_sha256"], j["unit_sha256"]);

  // Slot 2 rewritten with another program: slot 2 alone differs, at pages
  // of its own (the 8-way's slots are 512 pages).
  CliResult r = On(state, {"replace", "--slot", "2", "--family", "1", "--device", "PIC16F84A", "--hex",
                           SourceDir() + "examples/pic16f84a/blink.hex"});
  ASSERT_EQ(r.status, 0) << r.err;
  j = Verify(state, unit, 1);
  EXPECT_EQ(j["result"], "differing");
  ASSERT_EQ(j["differing_slots"].size(), 1u) << j.dump();
  EXPECT_EQ(j["differing_slots"][0]["slot"], 2);
  const json& pages = j["differing_slots"][0]["pages"];
  ASSERT_FALSE(pages.empty());
  EXPECT_EQ(pages[0], 512) << "the header page differs: another device";
  for (const json& p : pages) EXPECT_TRUE(p >= 512 && p < 1024) << p;
  EXPECT_NE(j["unit_sha256"], j["file_sha256"]);
  rec = LastRecord();
  EXPECT_EQ(rec["result"], "failed");
  EXPECT_EQ(rec["comparison"], "differing");
  EXPECT_EQ(rec["message"].get<std::string>().rfind("Slot 2: page", 0), 0u) << rec.dump();

  // The text form names the slot and its pages too.
  r = On(state, {"verify-unit", unit});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("differing: 1 slot differs"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Slot 2: page"), std::string::npos) << r.out;
}

TEST_F(VerifyUnitCli, AnotherKindsImageIsADifferentGeometryAndNoImageFails) {
  const std::string single = Create("single");
  New(single, "Single");
  const std::string unit = dir.File("single.prg");
  ASSERT_EQ(On(single, {"copy", unit}).status, 0);
  const std::string eightWay = Create("8way");
  New(eightWay, "Eight");

  json j = Verify(eightWay, unit, 1);
  EXPECT_EQ(j["result"], "different-geometry");
  EXPECT_FALSE(j.value("geometry", "").empty());
  EXPECT_FALSE(j.contains("unit_sha256")) << "nothing read for an image that cannot match";
  EXPECT_EQ(LastRecord()["comparison"], "different-geometry");

  // A file with no slot header at its start is no unit image: a failure
  // that says so, not a comparison.
  const std::string hex = dir.File("program.hex");
  WriteFile(hex, ":0100020012EB\n:00000001FF\n");
  CliResult r = On(eightWay, {"verify-unit", hex});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no unit image"), std::string::npos) << r.err;
  json rec = LastRecord();
  EXPECT_EQ(rec["result"], "failed");
  EXPECT_FALSE(rec.contains("comparison"));
}

}  // namespace
}  // namespace velmar::test
