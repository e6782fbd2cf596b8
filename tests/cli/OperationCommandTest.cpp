// `new`, `replace`, `delete`, `erase`, `copy` and `load`, run in-process
// against simulated programmers of every kind: the dataflash after each
// step, a copy loaded back restoring the same bytes, the exit statuses of a
// failure, a question answered No and a usage error, buttons the window does
// not offer, the progress lines and the protocol time.
#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"
#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "platform/Paths.h"
#include "slot/ProgrammerGeometry.h"
#include "support/SlotHeaders.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

using nlohmann::json;

const char* const kKinds[] = {"single", "single-old", "8way", "portable", "8way-v2", "single-v2"};

struct OperationCli : ::testing::Test {
  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--working-folder", dir.Path()});
    return RunCliInProcess(args);
  }
  CliResult On(const std::string& state, std::vector<std::string> args) {
    args.insert(args.begin(), {"--sim-state", state});
    return Run(args);
  }
  std::string Create(const std::string& kind, const std::string& fault = {}) {
    const std::string state = dir.File(kind + ".state");
    std::vector<std::string> create{"sim", "create", state, "--kind", kind, "--force"};
    if (!fault.empty()) create.insert(create.end(), {"--fault", fault});
    EXPECT_EQ(Run(create).status, 0);
    return state;
  }
  // The dataflash as Intel HEX text.
  std::string Export(const std::string& state) {
    EXPECT_EQ(Run({"sim", "export", state, dir.File("export.hex")}).status, 0);
    return ReadFile(dir.File("export.hex"));
  }
  json ReadJson(const std::string& state) {
    CliResult r = On(state, {"read", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    return json::parse(r.out);
  }
  static std::vector<std::string> Program(const std::string& folder, int family, const std::string& device,
                                          const std::string& description) {
    return {"--family",      std::to_string(family),
            "--device",      device,
            "--hex",         SourceDir() + "examples/" + folder + "/blink.hex",
            "--description", description};
  }
  static std::vector<std::string> With(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }
  TempDir dir;
};

struct OperationCliKind : OperationCli, ::testing::WithParamInterface<int> {};

TEST_P(OperationCliKind, EveryStepLeavesTheRightBytes) {
  const int k = GetParam();
  const std::string state = Create(kKinds[k]);
  const bool multi = k == 2 || k == 3 || k == 4;
  CliResult r = On(state, With({"--yes", "new"}, Program("pic16f628a", 1, "PIC16F628A", "First")));
  ASSERT_EQ(r.status, 0) << kKinds[k] << ": " << r.err;
  EXPECT_NE(r.out.find("Program loaded successfully"), std::string::npos);
  EXPECT_NE(r.out.find("protocol time"), std::string::npos);
  EXPECT_NE(r.err.find("Loading Programmer"), std::string::npos) << "the progress window on stderr";

  if (multi) {
    r = On(state, With({"--yes", "new"}, Program("pic18f4520", 0, "PIC18F4520", "Second")));
    ASSERT_EQ(r.status, 0) << r.err;
    r = On(state, With({"replace", "--slot", "1"}, Program("pic16f84a", 1, "PIC16F84A", "Replaced")));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Program replaced successfully"), std::string::npos);
    r = On(state, {"--yes", "delete", "--slot", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    json j = ReadJson(state);
    ASSERT_EQ(j["slot_count"], 2) << kKinds[k];
    EXPECT_EQ(j["slots"][0]["description"], "Replaced");
    EXPECT_EQ(j["slots"][0]["stored"]["slot_name"], "001 Replaced" + std::string(20, ' '));
    EXPECT_EQ(j["slots"][0]["device"], "PIC16F84A");
    EXPECT_EQ(j["slots"][1]["description"].get<std::string>().substr(0, 5), "Empty");
  } else {
    EXPECT_EQ(ReadJson(state)["slot_count"], 1);
  }

  const std::string unit = dir.File(std::string(kKinds[k]) + ".prg");
  r = On(state, {"--yes", "--json", "copy", unit});
  ASSERT_EQ(r.status, 0) << kKinds[k] << ": " << r.err;
  // The checksum is the saved file's, as an independent tool computes it
  // (where there is one: Windows has no sha256sum).
  const std::string sha = json::parse(r.out)["file_sha256"];
  EXPECT_EQ(sha.size(), 64u) << kKinds[k];
  if (HaveProgram("sha256sum")) {
    std::string sum;
    ASSERT_EQ(RunCommand("sha256sum '" + unit + "'", &sum), 0);
    EXPECT_EQ(sha, sum.substr(0, 64)) << kKinds[k];
  }
  const std::string before = Export(state);
  r = On(state, {"--yes", "erase"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadJson(state)["slot_count"], 0);
  r = On(state, {"--yes", "--json", "load", unit});
  ASSERT_EQ(r.status, 0) << kKinds[k] << ": " << r.err;
  json j = json::parse(r.out);
  EXPECT_EQ(j["operation"], "load");
  EXPECT_TRUE(j["ok"].get<bool>());
  EXPECT_EQ(j["file"], unit);
  EXPECT_EQ(j["file_sha256"], sha);
  EXPECT_EQ(j["slot_count"], multi ? 2 : 1);
  EXPECT_GT(j["protocol_ms"].get<long long>(), 0);
  EXPECT_EQ(Export(state), before) << kKinds[k] << ": the copy restored the same bytes";
}

INSTANTIATE_TEST_SUITE_P(EveryKind, OperationCliKind, ::testing::Range(0, 6),
                         [](const ::testing::TestParamInfo<int>& info) {
                           std::string name = kKinds[info.param];
                           name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                           return name;
                         });

TEST_F(OperationCli, FailuresDeclinesAndUsageErrorsHaveTheirStatus) {
  const std::string state = Create("8way");
  ASSERT_EQ(On(state, With({"new"}, Program("pic16f628a", 1, "PIC16F628A", "Job"))).status, 0);

  CliResult r = On(state, {"--no", "erase"});
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_NE(r.err.find("Are you sure you want to erase ALL programs?"), std::string::npos);
  EXPECT_EQ(ReadJson(state)["slot_count"], 1);

  r = On(state, {"--yes", "delete", "--slot", "4"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("the programmer lists slots 1 to 1"), std::string::npos) << r.err;

  r = On(state, With({"new", "--set", "NoSuchControl=1"}, Program("pic16f628a", 1, "PIC16F628A", "Job")));
  EXPECT_EQ(r.status, 2) << r.err;

  const std::string bad = Create("portable", "bad_page=1");
  r = On(bad, With({"new"}, Program("pic16f628a", 1, "PIC16F628A", "Job")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Dataflash verify fail"), std::string::npos) << r.err;

  const std::string empty = Create("portable");
  r = On(empty, {"copy", dir.File("nothing.prg")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Cannot copy as the Programmer is empty"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("Cannot copy as the Programmer is empty"), std::string::npos) << r.err;
  EXPECT_FALSE(Exists(dir.File("nothing.prg")));

  r = On(empty, {"--yes", "load", dir.File("absent.prg")});
  EXPECT_EQ(r.status, 2) << "CLI checks that the file exists";
}

// A file the command line names is checked before the programmer is read
// or identified: a mistake costs no minutes of reading, and nothing is said
// to the programmer at all (no trace is even started).
TEST_F(OperationCli, FilesNamedOnTheCommandLineAreCheckedBeforeTheProgrammerIsRead) {
  const std::string state = Create("8way");
  ASSERT_EQ(On(state, With({"new"}, Program("pic16f628a", 1, "PIC16F628A", "Job"))).status, 0);
  const std::string folder = dir.File("folder.prg");
  std::filesystem::create_directory(folder);
  const struct {
    std::vector<std::string> args;
    std::string said;
  } cases[] = {
      {{"copy", dir.File("missing/unit.prg")},
       "The folder " + platform::WithSeparator(dir.File("missing")) + " does not exist"},
      {{"copy", folder}, folder + " is a folder; give a file name for the unit image"},
      {{"update-firmware", "--file", dir.File("missing.upd")}, "File does not exist: " + dir.File("missing.upd")},
      {{"update-firmware", "--file", folder}, folder},
  };
  const std::string trace = dir.File("trace.txt");
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--yes", "--trace", trace};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CliResult r = On(state, args);
    EXPECT_EQ(r.status, 2) << c.said;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    EXPECT_FALSE(Exists(trace)) << c.said << ": the programmer was talked to";
    std::filesystem::remove(trace);
  }
}

TEST_F(OperationCli, AnotherKindsUnitImageIsRefusedAndJsonSaysWhy) {
  const std::string portable = Create("portable");
  ASSERT_EQ(On(portable, With({"new"}, Program("pic16f628a", 1, "PIC16F628A", "Job"))).status, 0);
  const std::string unit = dir.File("portable.prg");
  ASSERT_EQ(On(portable, {"--yes", "copy", unit}).status, 0);

  const std::string eightWay = Create("8way");
  ASSERT_EQ(On(eightWay, With({"new"}, Program("pic16f628a", 1, "PIC16F628A", "Mine"))).status, 0);
  const std::string before = Export(eightWay);
  CliResult r = On(eightWay, {"--yes", "--json", "load", unit});
  EXPECT_EQ(r.status, 1) << r.err;
  const json j = json::parse(r.out.substr(r.out.rfind("\n{") + 1));
  EXPECT_FALSE(j["ok"].get<bool>());
  const std::string why = j["error"]["message"];
  EXPECT_NE(why.find("a portable programmer with LCD"), std::string::npos) << why;
  EXPECT_NE(why.find("the connected programmer is an 8-way programmer, version 1"), std::string::npos) << why;
  EXPECT_EQ(Export(eightWay), before);
}

TEST_F(OperationCli, ADeletedSlotListsAsEmptyAndIsNotDeletedTwice) {
  const std::string state = Create("8way");
  ASSERT_EQ(On(state, With({"new"}, Program("pic16f628a", 1, "PIC16F628A", "Job"))).status, 0);
  ASSERT_EQ(On(state, {"--yes", "delete", "--slot", "1"}).status, 0);
  CliResult r = On(state, {"list"});
  EXPECT_NE(r.out.find("checksum none (empty slot)"), std::string::npos) << r.out;
  EXPECT_EQ(json::parse(On(state, {"list", "--json"}).out)["slots"][0]["empty"], true);
  const std::string before = Export(state);
  r = On(state, {"--yes", "delete", "--slot", "1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Slot 1 is already empty: nothing was written"), std::string::npos) << r.out;
  EXPECT_EQ(Export(state), before);
}

// copy --verify against a page whose every read reaches the loader with a
// different bit flipped: the copy fails naming the page and saves nothing;
// without --verify it succeeds and says it was not verified.
TEST_F(OperationCli, CopyVerifyFailsOnAPageThatNeverReadsAlikeAndSaysWhetherItVerified) {
  const std::string state = Create("single", "flip_read_page=1");
  ASSERT_EQ(On(state, With({"new"}, Program("pic16f628a", 1, "PIC16F628A", "Job"))).status, 0);
  const std::string unit = dir.File("unit.prg");
  CliResult r = On(state, {"--yes", "copy", "--verify", unit});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Page 1 read differently each time (5 reads); the unit image was not saved"), std::string::npos)
      << r.err;
  EXPECT_FALSE(Exists(unit));
  r = On(state, {"--yes", "copy", unit});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Not verified: every page read once"), std::string::npos) << r.out;
}

TEST_F(OperationCli, ButtonsTheWindowDoesNotOfferAreRefused) {
  const std::string single = Create("single");
  CliResult r = On(single, With({"replace", "--slot", "1"}, Program("pic16f628a", 1, "PIC16F628A", "Job")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Replace is not available: not offered for this programmer"), std::string::npos) << r.err;

  // A full 8-way programmer: eight slots staged.
  const std::string full = Create("8way");
  slot::ProgrammerGeometry g;
  g.ApplyKind(slot::kind_8way);
  image::THexList img(g.Capacity);
  for (std::uint32_t i = 0; i < 8; ++i) {
    SlotSpec spec;
    spec.description = "Slot " + std::to_string(i + 1);
    const slot::HeaderBytes h = MakeHeader(spec, int(i) + 1, i * g.PagesPerSlot(), g.PagesPerSlot(), false);
    std::copy(h.begin(), h.end(), img.DataAt(i * g.SlotSize));
  }
  ASSERT_EQ(image::TFileLoader::SaveFile(dir.File("full.hex"), img).result, 0);
  ASSERT_EQ(Run({"sim", "import", full, dir.File("full.hex")}).status, 0);
  r = On(full, With({"new"}, Program("pic16f628a", 1, "PIC16F628A", "Ninth")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("New is not available: Programmer is full"), std::string::npos) << r.err;
}

TEST_F(OperationCli, ThePortablesWholeUnitButtonsAreReachedThroughItsServiceKeys) {
  const std::string state = Create("portable");
  ASSERT_EQ(On(state, With({"new"}, Program("pic16f628a", 1, "PIC16F628A", "Job"))).status, 0);
  CliResult r = On(state, {"--yes", "erase"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Programmer Erased"), std::string::npos);
  EXPECT_EQ(ReadJson(state)["slot_count"], 0);
}

// The hidden Page Delay and Half Delay take 1 to 255: a user's setting.ini
// with shorter delays than the defaults writes as before, and the simulated
// programmer holds the loader to the delays in force, not to the defaults.
struct DelayCase {
  const char* kind;
  const char* settingIni;
};

struct ShorterDelays : OperationCli, ::testing::WithParamInterface<DelayCase> {};

TEST_P(ShorterDelays, WriteAsBeforeWithoutABrokenProtocol) {
  const std::string state = Create(GetParam().kind);
  WriteFile(dir.File("setting.ini"), GetParam().settingIni);
  const CliResult r = On(state, With({"new"}, Program("pic16f628a", 1, "PIC16F628A", "Short delays")));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("protocol broken"), std::string::npos) << r.err;
  EXPECT_EQ(ReadJson(state)["slot_count"], 1);
}

INSTANTIATE_TEST_SUITE_P(Settings, ShorterDelays,
                         ::testing::Values(DelayCase{"single", "[ProgSettings]\nDEL=30\n"},
                                           DelayCase{"portable", "[ProgSettings]\nDEL=39\n"},
                                           DelayCase{"8way", "[ProgSettings]\nDEL=30\nDEL2=5\n"}),
                         [](const auto& info) {
                           std::string name = info.param.kind;
                           return name == "8way" ? std::string("eightWay") : name;
                         });

}  // namespace
}  // namespace velmar::test
