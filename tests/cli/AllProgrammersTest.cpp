// `--all` and `--port` over simulated programmers (several state files),
// run in-process with a thread per programmer: every programmer's end
// state, a fault on one that leaves the others whole, the progress lines
// and log records of each; and before anything runs, the per-programmer
// file names of copy and the usage errors.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/AllProgrammers.h"
#include "cli/AllProgress.h"
#include "cli/CliTestSupport.h"
#include "cli/ProgrammerRuns.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

using nlohmann::json;

json FirstObject(const std::string& out) { return json::parse(out.substr(0, out.find('\n')), nullptr, false); }

struct SimulatedBench {
  std::string Create(const std::string& name, const std::string& kind, const std::string& fault = {}) {
    const std::string state = dir.File(name + ".state");
    std::vector<std::string> args = {"sim", "create", state, "--kind", kind, "--force"};
    if (!fault.empty()) args.insert(args.end(), {"--fault", fault});
    EXPECT_EQ(RunCliInProcess(args).status, 0);
    return state;
  }
  std::string List(const std::vector<std::string>& states) const {
    std::string list;
    for (const std::string& s : states) list += (list.empty() ? "" : ",") + s;
    return list;
  }
  // One programmer, as a single run sees it.
  CliResult On(const std::string& states, std::vector<std::string> args) {
    args.insert(args.begin(), {"--working-folder", dir.Path(), "--sim-state", states, "--yes"});
    return RunCliInProcess(args);
  }
  // --all over `states`, a thread per programmer.
  CliResult All(const std::vector<std::string>& states, std::vector<std::string> args) {
    args.insert(args.begin(), {"--all", "--working-folder", dir.Path(), "--sim-state", List(states)});
    std::ostringstream out, err;
    std::istringstream in;
    const std::unique_ptr<cli::RunStarter> starter = cli::ThreadStarter();
    const int status = cli::RunOnAll(args, out, err, in, *starter);
    return {status, out.str(), err.str()};
  }
  std::vector<json> Log() { return ReadJsonLines(dir.File("velmar-log.jsonl")); }
  std::vector<std::string> NewArgs() const {
    return {"new",
            "--family",
            "1",
            "--device",
            "PIC16F628A",
            "--hex",
            SourceDir() + "examples/pic16f628a/blink.hex",
            "--description",
            "Blink"};
  }
  TempDir dir;
};

const char* const kMixedKinds[] = {"8way", "single", "portable", "8way"};
const int kMixedKindNumbers[] = {2, 0, 3, 2};

struct AllOnSimulators : SimulatedBench, ::testing::TestWithParam<int> {};

// 1, 2 and 4 programmers of mixed kinds: each gets its own program, its own
// list and its own copy file, and says where it is.
TEST_P(AllOnSimulators, EveryProgrammerIsWrittenAndReadOnItsOwn) {
  std::vector<std::string> states;
  for (int i = 0; i < GetParam(); ++i) states.push_back(Create("p" + std::to_string(i), kMixedKinds[i]));
  CliResult r = All(states, [&] {
    auto a = NewArgs();
    a.insert(a.begin(), {"--yes", "--json"});
    return a;
  }());
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  json j = FirstObject(r.out);
  EXPECT_EQ(j["programmers"], GetParam());
  EXPECT_TRUE(j["all_ok"].get<bool>()) << j.dump();
  for (int i = 0; i < GetParam(); ++i) {
    const std::string at = "sim-" + std::to_string(i + 1);
    EXPECT_EQ(j["results"][std::size_t(i)]["location"], at);
    // Each run's progress, on a line of its own with its location.
    EXPECT_NE(r.err.find(at + ": new started\n"), std::string::npos) << r.err;
    EXPECT_TRUE(std::regex_search(r.err, std::regex(at + R"(: \d+% \(\d+ of \d+\)\n)"))) << r.err;
    EXPECT_NE(r.err.find(at + ": ok\n"), std::string::npos) << r.err;
    const CliResult list = On(states[std::size_t(i)], {"--json", "list"});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(FirstObject(list.out)["slot_count"], 1) << at;
  }

  // Each run traces into a file of its own, never over another's.
  r = All(states, {"--json", "--trace", dir.File("trace.txt"), "identify"});
  j = FirstObject(r.out);
  for (int i = 0; i < GetParam(); ++i) {
    EXPECT_EQ(j["results"][std::size_t(i)]["result"]["kind"], kMixedKindNumbers[i]) << j.dump();
    EXPECT_FALSE(ReadFile(dir.File("trace-sim-" + std::to_string(i + 1) + ".txt")).empty()) << i;
  }
  EXPECT_FALSE(Exists(dir.File("trace.txt")));

  r = All(states, {"--yes", "copy", dir.File("unit.prg")});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  for (int i = 0; i < GetParam(); ++i) {
    const std::string copy = dir.File("unit-sim-" + std::to_string(i + 1) + ".prg");
    const CliResult same = On(states[std::size_t(i)], {"--json", "verify-unit", copy});
    EXPECT_EQ(FirstObject(same.out)["result"], "identical") << same.out << same.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Programmers, AllOnSimulators, ::testing::Values(1, 2, 4));

struct PortOnSimulators : SimulatedBench, ::testing::Test {};

// Several state files are several programmers: the first by default (with
// the note), the one --port names otherwise, and only that one is written.
TEST_F(PortOnSimulators, PortChoosesOneAndOnlyItIsWritten) {
  const std::vector<std::string> states = {Create("a", "8way"), Create("b", "single"), Create("c", "portable")};
  const std::string all = List(states);
  CliResult r = On(all, {"--json", "identify"});
  EXPECT_EQ(FirstObject(r.out)["kind"], 2) << r.out << r.err;
  EXPECT_NE(r.err.find("3 programmers are connected (at sim-1, sim-2, sim-3); using sim-1."), std::string::npos)
      << r.err;
  r = On(all, {"--port", "sim-3", "--json", "identify"});
  EXPECT_EQ(FirstObject(r.out)["kind"], 3) << r.out << r.err;
  EXPECT_EQ(r.err.find("programmers are connected"), std::string::npos) << r.err;
  r = On(all, {"--port", "sim-4", "identify"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--port sim-4: no simulated programmer is plugged in there; they are at sim-1, sim-2, sim-3"),
            std::string::npos)
      << r.err;

  const std::string first = ReadFile(states[0]), third = ReadFile(states[2]);
  auto args = NewArgs();
  args.insert(args.begin(), {"--port", "sim-2"});
  r = On(all, args);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(states[0]), first);
  EXPECT_EQ(ReadFile(states[2]), third);
  EXPECT_EQ(FirstObject(On(states[1], {"--json", "list"}).out)["slot_count"], 1);
  const json last = Log().back();
  EXPECT_EQ(last["operation"], "new");
  EXPECT_EQ(last.value("location", ""), "sim-2") << last.dump();

  // --simulate's own state file is one programmer, at sim-1 and nowhere else.
  r = RunCliInProcess({"--working-folder", dir.Path(), "--simulate", "8way", "--port", "sim-2", "identify"});
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find("they are at sim-1"), std::string::npos) << r.err;

  // A lone state file is the simulated programmer as ever: no location.
  ASSERT_EQ(On(states[0], NewArgs()).status, 0);
  EXPECT_FALSE(Log().back().contains("location")) << Log().back().dump();
}

// A programmer unplugged part-way through a write of every programmer: the
// others are written whole and say so, the unplugged one is reported with
// its reason, the status says not all succeeded, and each programmer's run
// leaves its own log record.
struct UnplugCase {
  const char* name;
  bool load;          // load a unit image (else new)
  const char* fault;  // the unplug, past the Read before the write
};

struct OneUnpluggedPartWay : SimulatedBench, ::testing::TestWithParam<UnplugCase> {};

TEST_P(OneUnpluggedPartWay, TheOthersAreWrittenWholeAndTheFailureIsItsOwn) {
  std::vector<std::string> args = NewArgs();
  std::string unit;
  if (GetParam().load) {
    const std::string source = Create("source", "8way");
    ASSERT_EQ(On(source, NewArgs()).status, 0);
    unit = dir.File("unit.prg");
    ASSERT_EQ(On(source, {"copy", unit}).status, 0);
    args = {"load", unit};
  }
  const std::vector<std::string> states = {Create("a", "8way"), Create("b", GetParam().load ? "8way" : "single"),
                                           Create("c", "8way", GetParam().fault), Create("d", "8way")};
  args.insert(args.begin(), {"--yes", "--json"});
  const CliResult r = All(states, args);
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  const json j = FirstObject(r.out);
  ASSERT_EQ(j["results"].size(), 4u) << r.out << r.err;
  EXPECT_FALSE(j["all_ok"].get<bool>());
  for (std::size_t i = 0; i < 4; ++i) {
    const json& result = j["results"][i];
    EXPECT_EQ(result["ok"].get<bool>(), i != 2) << result.dump();
    if (i == 2) {
      EXPECT_FALSE(result.value("error", "").empty()) << result.dump();
      continue;
    }
    if (GetParam().load) {
      const CliResult same = On(states[i], {"--json", "verify-unit", unit});
      EXPECT_EQ(FirstObject(same.out)["result"], "identical") << same.out << same.err;
    } else {
      EXPECT_EQ(FirstObject(On(states[i], {"--json", "list"}).out)["slot_count"], 1) << i;
    }
  }
  const std::string operation = GetParam().load ? "load" : "new";
  for (int i = 1; i <= 4; ++i) {
    const std::string at = "sim-" + std::to_string(i);
    int records = 0;
    for (const json& rec : Log())
      if (rec["operation"] == operation && rec.value("location", "") == at) {
        ++records;
        EXPECT_EQ(rec["result"] == "ok", i != 3) << rec.dump();
      }
    EXPECT_EQ(records, 1) << at;
  }
}

INSTANTIATE_TEST_SUITE_P(Writes, OneUnpluggedPartWay,
                         ::testing::Values(UnplugCase{"load", true, "unplug_after=400"},
                                           UnplugCase{"new", false, "unplug_after=200"}),
                         [](const ::testing::TestParamInfo<UnplugCase>& info) { return std::string(info.param.name); });

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
      {{"--all", "--driver", "sim", "list"}, "needs --simulate KIND or --sim-state FILE"},
      {{"--all", "--sim-state", "a.state,,b.state", "list"}, "an empty file name in the list"},
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

// The lines redrawn on a terminal: each programmer's latest step and how far
// it has got; a new step starts without the last one's percentage, and the
// end replaces both.
TEST(AllProgress, EachLineShowsItsRunsLatestStep) {
  std::ostringstream screen;
  cli::AllProgress p(screen, {"1-1", "1-10"}, true);
  p.Started(0, "load");
  p.Started(1, "load");
  p.Output(0, "Writing\n  40% (4 of 10)\n");
  EXPECT_EQ(p.Line(0), "1-1   Writing  40%");
  EXPECT_EQ(p.Line(1), "1-10  load started");
  p.Output(0, "Verifying\n");
  EXPECT_EQ(p.Line(0), "1-1   Verifying");
  p.Output(1, "  100% (2 of 2)\n 5%  (not a progress line)\n");
  EXPECT_EQ(p.Line(1), "1-10  5%  (not a progress line)");
  p.Ended(1, false);
  EXPECT_EQ(p.Line(1), "1-10  failed");
  // Every redraw goes back up over the two lines drawn before.
  const std::string text = screen.str();
  std::size_t ups = 0;
  for (std::size_t at = text.find("\x1b[2A"); at != std::string::npos; at = text.find("\x1b[2A", at + 1)) ++ups;
  EXPECT_EQ(ups, 5u) << text;
}

}  // namespace
}  // namespace velmar::test
