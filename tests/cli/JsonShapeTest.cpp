// Every command's --json object against the shape docs/CLI.md gives it:
// every command is described there, each one run on a simulated programmer
// prints exactly one object whose keys and value types are the documented
// ones, and a failure of any kind (usage error, missing file, refused
// operation) prints one object with the error's message and status.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/Cli.h"
#include "cli/CliTestSupport.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

using nlohmann::json;

// The shapes of docs/CLI.md: "### NAME" (or "### a, b, c") and the first
// ```json block after it.
std::map<std::string, json> DocumentedShapes() {
  std::istringstream doc(ReadFile(SourceDir() + "docs/CLI.md"));
  std::map<std::string, json> shapes;
  std::vector<std::string> names;
  std::string line, block;
  bool inBlock = false;
  while (std::getline(doc, line)) {
    if (inBlock) {
      if (line == "```") {
        inBlock = false;
        const json shape = json::parse(block);
        for (const std::string& n : names) shapes[n] = shape;
        names.clear();
      } else {
        block += line + "\n";
      }
    } else if (line.rfind("### ", 0) == 0) {
      names.clear();
      std::istringstream list(line.substr(4));
      std::string name;
      while (std::getline(list, name, ',')) names.push_back(name.substr(name.find_first_not_of(' ')));
    } else if (line == "```json" && !names.empty()) {
      inBlock = true;
      block.clear();
    }
  }
  return shapes;
}

bool SameType(const json& shape, const json& value) {
  if (shape.is_null()) return true;
  if (shape.is_number()) return value.is_number();
  if (shape.is_string()) return value.is_string();
  if (shape.is_boolean()) return value.is_boolean();
  if (shape.is_array()) return value.is_array();
  return value.is_object();
}

// Differences between `value` and `shape`, one line each. A failed run
// holds what it knew: its keys must be documented, but may be missing.
void Compare(const json& shape, const json& value, const std::string& at, std::vector<std::string>& out,
             bool complete = true) {
  if (!SameType(shape, value)) {
    out.push_back(at + ": " + value.dump() + " is not like " + shape.dump());
    return;
  }
  if (shape.is_array() && !shape.empty())
    for (std::size_t i = 0; i < value.size(); ++i)
      Compare(shape[0], value[i], at + "[" + std::to_string(i) + "]", out, complete);
  if (!shape.is_object()) return;
  for (auto it = value.begin(); it != value.end(); ++it) {
    const std::string& key = it.key();
    const json* s = shape.contains(key)         ? &shape[key]
                    : shape.contains(key + "?") ? &shape[key + "?"]
                    : shape.contains("*")       ? &shape["*"]
                                                : nullptr;
    if (!s)
      out.push_back(at + "." + key + ": not documented");
    else
      Compare(*s, it.value(), at + "." + key, out, complete);
  }
  for (auto it = shape.begin(); it != shape.end() && complete; ++it)
    if (it.key() != "*" && it.key().back() != '?' && !value.contains(it.key()))
      out.push_back(at + "." + it.key() + ": missing");
}

// The object a run printed: exactly one, on one line.
json OneObject(const CliResult& r) {
  std::istringstream out(r.out);
  std::string first, more;
  std::getline(out, first);
  EXPECT_FALSE(std::getline(out, more)) << "more than one line on stdout: " << r.out;
  json j = json::parse(first, nullptr, false);
  EXPECT_TRUE(j.is_object()) << "not one JSON object: " << r.out;
  return j;
}

struct JsonShapes : ::testing::Test {
  JsonShapes() : shapes(DocumentedShapes()) {}

  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--working-folder", dir.Path(), "--json"});
    return RunCliInProcess(args);
  }
  // Runs `command` (its words first) and compares its object with the
  // documented shape merged with the shape every command shares.
  json Check(const std::string& command, const std::vector<std::string>& args, int status = 0) {
    CliResult r = last = Run(args);
    EXPECT_EQ(r.status, status) << command << ": " << r.err;
    json j = OneObject(r);
    if (!shapes.count(command)) {
      ADD_FAILURE() << command << " has no shape in docs/CLI.md";
      return j;
    }
    json shape = shapes[command];
    shape.update(shapes["Every command"]);
    std::vector<std::string> problems;
    Compare(shape, j, command, problems, !j.contains("error"));
    for (const std::string& p : problems) ADD_FAILURE() << p << "\n  in " << r.out;
    checked.insert(command);
    return j;
  }
  std::string Example(const std::string& folder) { return SourceDir() + "examples/" + folder + "/blink.hex"; }

  std::map<std::string, json> shapes;
  std::set<std::string> checked;
  CliResult last;
  TempDir dir;
};

TEST_F(JsonShapes, EveryCommandIsDescribed) {
  ASSERT_TRUE(shapes.count("Every command"));
  for (const std::string& command : cli::CommandList())
    EXPECT_TRUE(shapes.count(command)) << "docs/CLI.md does not describe " << command;
}

TEST_F(JsonShapes, EveryCommandPrintsItsDocumentedObject) {
  const std::string state = dir.File("p.state");
  const std::string blink = Example("pic16f628a");
  const std::vector<std::string> program{"--family", "1", "--device", "PIC16F628A", "--hex", blink};
  auto on = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--sim-state", state, "--yes"});
    return args;
  };
  auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  Check("hex info", {"hex", "info", blink});
  Check("hex convert", {"hex", "convert", blink, dir.File("c.hex")});
  Check("sim firmware-hex", {"sim", "firmware-hex", dir.File("fw.hex"), "--firmware", "pic", "--version", "226"});
  Check("firmware pack", {"firmware", "pack", "--version", "E2", "--hex", dir.File("fw.hex"), dir.File("fw.upd")});
  Check("firmware decode", {"firmware", "decode", dir.File("fw.upd")});
  Check("devices", {"devices"});
  Check("devices", {"devices", "--family", "1"});
  Check("options", {"options", "--family", "1", "--device", "PIC16F628A"});
  Check("settings", {"settings"});
  Check("build", with({"build", "--description", "Blink"}, program));
  Check("sim kinds", {"sim", "kinds"});
  Check("sim create", {"sim", "create", state, "--kind", "8way"});
  Check("sim show", {"sim", "show", state});
  Check("identify", on({"identify"}));
  Check("new", on(with({"new", "--description", "Blink"}, program)));
  Check("new", on(with({"new", "--description", "Second"}, program)));
  Check("read", on({"read"}));
  Check("list", on({"list"}));
  Check("dump", on({"dump", "0", "--count", "16"}));
  Check("details", on({"details", "--slot", "1"}));
  Check("find", on({"find", "blink"}));
  Check("replace", on(with({"replace", "--slot", "1"}, program)));
  Check("delete", on({"delete", "--slot", "2"}));
  Check("copy", on({"copy", dir.File("unit.prg")}));
  Check("erase", on({"erase"}));
  Check("load", on({"load", dir.File("unit.prg")}));
  Check("verify-unit", on({"verify-unit", dir.File("unit.prg")}));
  Check("sim export", {"sim", "export", state, dir.File("unit.hex")});
  Check("sim import", {"sim", "import", state, dir.File("unit.hex")});
  Check("sim power-cycle", {"sim", "power-cycle", state});
  const std::string single = dir.File("single.state");
  Check("sim create", {"sim", "create", single, "--kind", "single", "--version", "200"});
  Check("update-firmware", {"--sim-state", single, "--yes", "update-firmware"});
  const std::string none = dir.File("none");
  Check("doctor", {"--sim-state", single, "doctor", "--sysfs-root", none, "--dev-root", none, "--udev-root", none});
  Check("doctor --link-test", {"--sim-state", single, "doctor", "--link-test"});
  Check("log", {"log"});

  for (const std::string& command : cli::CommandList())
    EXPECT_TRUE(checked.count(command)) << command << " was not run against its shape";
}

// Failures of every kind: one object, the reason and the status in "error",
// what the command knew beside it, and the reason on stderr as well.
TEST_F(JsonShapes, FailuresPrintOneObjectWithTheError) {
  const std::string state = dir.File("p.state");
  ASSERT_EQ(Run({"sim", "create", state, "--kind", "portable"}).status, 0);
  struct Case {
    std::string command;
    std::vector<std::string> args;
    int status;
    std::string reason;
  };
  const Case cases[] = {
      {"hex info", {"hex", "info", dir.File("missing.hex")}, 1, "missing.hex"},
      {"firmware decode", {"firmware", "decode", dir.File("missing.upd")}, 1, "missing.upd"},
      {"firmware pack", {"firmware", "pack", "--version", "G2", "--hex", "x.hex", dir.File("o.upd")}, 2, "--version"},
      {"sim show", {"sim", "show", dir.File("missing.state")}, 1, "missing.state"},
      {"options", {"options", "--family", "1", "--device", "PIC99"}, 2, "PIC99"},
      {"details", {"--sim-state", state, "details", "--slot", "1"}, 2, "no slots"},
      {"find", {"--sim-state", state, "find", "nothing"}, 1, "nothing Not Found"},
      {"delete", {"--sim-state", state, "--yes", "delete", "--slot", "1"}, 1, "Delete is not available"},
      {"erase", {"--sim-state", state, "--no", "erase"}, 3, "erase ALL programs"},
      {"read", {"--simulate", "single", "read", "--programmer", "twelve-way"}, 2, "twelve-way"},
  };
  for (const Case& c : cases) {
    json j = Check(c.command, c.args, c.status);
    const CliResult& r = last;
    ASSERT_TRUE(j.contains("error")) << c.command << ": " << r.out;
    EXPECT_EQ(j["error"]["status"], c.status) << c.command;
    const std::string message = j["error"]["message"];
    EXPECT_FALSE(message.empty()) << c.command;
    EXPECT_NE(message.find(c.reason), std::string::npos) << c.command << ": " << message;
    if (c.status != 3) {  // else the question and its answer are on stderr
      EXPECT_NE(r.err.find(message.substr(0, 20)), std::string::npos) << c.command << ": " << r.err;
    }
  }
  // A usage error before any command ran, and an unknown command.
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{}, {"lst"}, {"hex", "info"}, {"read", "--bogus"}}) {
    CliResult r = Run(args);
    EXPECT_EQ(r.status, 2);
    json j = OneObject(r);
    EXPECT_EQ(j["error"]["status"], 2) << r.out;
  }
}

}  // namespace
}  // namespace velmar::test
