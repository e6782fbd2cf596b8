// Several programmers on the emulated bus, all with the same serial number,
// through the real libftdi and through our D2XX backend: the run says how many are connected and where,
// opens the first by default, the one --port names otherwise (and only
// that one is written), refuses a location that holds none, and logs the
// location of the programmer each record is about.
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/TestSupport.h"

namespace velmar::test {
namespace {

using nlohmann::json;

std::string Quote(const std::string& s) { return "'" + s + "'"; }

struct Backend {
  const char* driver;
  const char* emulation;  // with-emulated-usb.sh's option for it
};

struct SeveralProgrammers : ::testing::TestWithParam<Backend> {
  std::string Cli() const { return BinDir() + "velmar-cli"; }
  std::string Create(const std::string& name, const std::string& kind, const std::string& fault = {}) {
    const std::string state = dir.File(name + ".state");
    std::string out;
    EXPECT_EQ(RunCommand(Cli() + " sim create " + Quote(state) + " --kind " + kind +
                             (fault.empty() ? "" : " --fault " + fault) + " 2>&1",
                         &out),
              0)
        << out;
    return state;
  }
  static json FirstObject(const std::string& out) { return json::parse(out.substr(0, out.find('\n'))); }
  // velmar-cli over the emulation of `states` (comma-separated).
  int Run(const std::string& states, const std::string& args, std::string* out, std::string* err = nullptr) {
    const std::string errFile = dir.File("stderr");
    const int status = RunCommand("cd " + Quote(dir.Path()) + " && VELMAR_BUILD_DIR=" + Quote(VELMAR_BUILD_DIR) + " " +
                                      SourceDir() + "scripts/with-emulated-usb.sh " + GetParam().emulation + " " +
                                      states + " -- " + Cli() + " --driver " + GetParam().driver +
                                      " --working-folder " + Quote(dir.Path()) + " " + args + " 2>" + Quote(errFile),
                                  out);
    if (err) *err = ReadFile(errFile);
    return status;
  }
  int Kind(const std::string& states, const std::string& port, std::string* err = nullptr) {
    std::string out;
    const int status = Run(states, (port.empty() ? "" : "--port " + port + " ") + "--json identify", &out, err);
    if (status != 0) return -1;
    return json::parse(out.substr(0, out.find('\n')))["kind"].get<int>();
  }
  std::vector<json> Log() { return ReadJsonLines(dir.File("velmar-log.jsonl")); }
  TempDir dir;
};

TEST_P(SeveralProgrammers, EachIsOpenedByItsLocation) {
  const std::string eightWay = Create("a", "8way"), single = Create("b", "single"), portable = Create("c", "portable");
  const std::string all = eightWay + "," + single + "," + portable;
  std::string err;
  EXPECT_EQ(Kind(all, "", &err), 2) << "the first found, as with one programmer: " << err;
  EXPECT_NE(err.find("3 programmers are connected (at 1-1, 1-2, 1-3); using 1-1. Choose one with --port LOCATION."),
            std::string::npos)
      << err;
  EXPECT_EQ(Kind(all, "1-2"), 0);
  EXPECT_EQ(Kind(all, "1-3"), 3);

  std::string out;
  EXPECT_EQ(Run(all, "--port 1-4 identify", &out, &err), 2);
  EXPECT_NE(err.find("--port 1-4: no programmer is plugged in there; programmers are at 1-1, 1-2, 1-3"),
            std::string::npos)
      << err;

  // Only the programmer at 1-2 is written, and its record names it.
  const std::string before = ReadFile(eightWay), portableBefore = ReadFile(portable);
  ASSERT_EQ(Run(all,
                "--yes --port 1-2 new --family 1 --device PIC16F628A --hex " + SourceDir() +
                    "examples/pic16f628a/blink.hex --description Blink",
                &out, &err),
            0)
      << out << err;
  EXPECT_EQ(ReadFile(eightWay), before);
  EXPECT_EQ(ReadFile(portable), portableBefore);
  ASSERT_EQ(Run(single, "--json list", &out), 0);
  EXPECT_EQ(json::parse(out.substr(0, out.find('\n')))["slot_count"], 1);
  bool sawNew = false;
  for (const json& r : Log()) {
    if (r["operation"] != "new") continue;
    sawNew = true;
    EXPECT_EQ(r.value("location", ""), "1-2") << r.dump();
  }
  EXPECT_TRUE(sawNew);
}

// One command on four programmers of mixed kinds, one of which fails every
// write: the other three are written and say so, the failed one is named
// with its reason, the exit status says not all succeeded, and each copy
// goes to a file of its own.
TEST_P(SeveralProgrammers, AllRunsOnEveryProgrammerAndOneFailureStaysItsOwn) {
  const std::vector<std::string> states = {Create("a", "8way"), Create("b", "single"), Create("c", "portable"),
                                           Create("d", "8way", "bad_page=0")};
  const std::string all = states[0] + "," + states[1] + "," + states[2] + "," + states[3];
  std::string out, err;
  const int status = Run(all,
                         "--all --yes --json new --family 1 --device PIC16F628A --hex " + SourceDir() +
                             "examples/pic16f628a/blink.hex --description Blink",
                         &out, &err);
  EXPECT_EQ(status, 1) << out << err;
  json j = FirstObject(out);
  EXPECT_EQ(j["command"], "new");
  EXPECT_EQ(j["programmers"], 4);
  EXPECT_FALSE(j["all_ok"].get<bool>());
  ASSERT_EQ(j["results"].size(), 4u) << j.dump();
  for (int i = 0; i < 4; ++i) {
    const json& r = j["results"][std::size_t(i)];
    EXPECT_EQ(r["location"], "1-" + std::to_string(i + 1));
    EXPECT_EQ(r["ok"].get<bool>(), i != 3) << r.dump();
    if (i == 3) {
      EXPECT_FALSE(r.value("error", "").empty()) << r.dump();
    }
  }
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(Run(states[std::size_t(i)], "--json list", &out), 0) << out;
    EXPECT_EQ(FirstObject(out)["slot_count"], 1) << states[std::size_t(i)];
  }
  // Every programmer's run left its own record, the failed one's a failure.
  for (int i = 1; i <= 4; ++i) {
    int records = 0;
    for (const json& r : Log())
      if (r["operation"] == "new" && r.value("location", "") == "1-" + std::to_string(i)) {
        ++records;
        EXPECT_EQ(r["result"] == "ok", i != 4) << r.dump();
      }
    EXPECT_EQ(records, 1) << "1-" << i;
  }

  Run(all, "--all --yes --json copy " + dir.File("unit.prg"), &out, &err);
  j = FirstObject(out);
  ASSERT_EQ(j["results"].size(), 4u) << out << err;
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(j["results"][std::size_t(i)]["ok"].get<bool>()) << j.dump();
    EXPECT_TRUE(Exists(dir.File("unit-1-" + std::to_string(i + 1) + ".prg"))) << i;
  }
  // Each copy proves what its own programmer holds, and only that one: the
  // single-way one's copy is identical at 1-2 and of another geometry at
  // every other location.
  Run(all, "--all --json verify-unit " + dir.File("unit-1-2.prg"), &out, &err);
  j = FirstObject(out);
  ASSERT_EQ(j["results"].size(), 4u) << out << err;
  EXPECT_FALSE(j["all_ok"].get<bool>());
  for (int i = 0; i < 4; ++i) {
    const json& r = j["results"][std::size_t(i)];
    EXPECT_EQ(r["ok"].get<bool>(), i == 1) << r.dump();
    if (i == 1) {
      EXPECT_EQ(r["result"]["result"], "identical") << r.dump();
    }
  }

  // A question answered No runs nothing.
  const std::string before = ReadFile(states[0]);
  EXPECT_EQ(Run(all, "--all --no erase", &out, &err), 3) << err;
  EXPECT_EQ(ReadFile(states[0]), before);
}

TEST_P(SeveralProgrammers, OneProgrammerGetsNoNote) {
  const std::string one = Create("one", "8way");
  std::string err;
  EXPECT_EQ(Kind(one, "", &err), 2) << err;
  EXPECT_EQ(err.find("programmers are connected"), std::string::npos) << err;
  EXPECT_EQ(Kind(one, "1-1"), 2);
}

INSTANTIATE_TEST_SUITE_P(Drivers, SeveralProgrammers,
                         ::testing::Values(Backend{"libftdi", ""}, Backend{"d2xx", "--d2xx"}),
                         [](const ::testing::TestParamInfo<Backend>& info) { return std::string(info.param.driver); });

}  // namespace
}  // namespace velmar::test
