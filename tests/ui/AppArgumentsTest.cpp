// The desktop program's command line: its own options, Qt's options, the
// Load Unit parameters, and the refusals, read before any window or display
// is needed.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>

#include "app/AppArguments.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

struct Parsed {
  std::optional<int> status;
  app::AppArguments args;
  std::string out, err;
};

Parsed Parse(std::vector<const char*> argv) {
  argv.insert(argv.begin(), "velmar");
  Parsed p;
  std::ostringstream out, err;
  p.status = app::ParseAppArguments(int(argv.size()), argv.data(), p.args, out, err);
  p.out = out.str();
  p.err = err.str();
  return p;
}

TEST(AppArguments, TheLoadUnitParametersAndOptionsInAnyOrder) {
  Parsed p = Parse({"load", "--simulate", "portable", "backup.prg", "SHOW"});
  EXPECT_EQ(p.status, std::nullopt);
  EXPECT_EQ(p.args.parameters, (std::vector<std::string>{"load", "backup.prg", "SHOW"}));
  EXPECT_EQ(p.args.options.simulate, "portable");
  EXPECT_TRUE(p.err.empty());
  // Qt's own options are left to Qt, with their values.
  p = Parse({"-platform", "offscreen", "-style=fusion", "-reverse", "load"});
  EXPECT_EQ(p.status, std::nullopt);
  EXPECT_EQ(p.args.parameters, std::vector<std::string>{"load"});
  EXPECT_TRUE(Parse({}).args.parameters.empty());
}

// Only LOAD first starts the unattended Load Unit; a file alone is opened,
// and further parameters after a file are refused.
TEST(AppArguments, OnlyLoadFirstStartsALoadAndAFileAloneIsOpened) {
  using app::StartAction;
  struct Case {
    std::vector<const char*> argv;
    StartAction start;
    std::vector<std::string> parameters;
    std::string file;
  };
  const Case cases[] = {
      {{}, StartAction::window, {}, ""},
      {{"pump.hex"}, StartAction::openFile, {}, "pump.hex"},
      {{"backup.prg"}, StartAction::openFile, {}, "backup.prg"},
      {{"--simulate", "8way", "/home/ann/pump.hex"}, StartAction::openFile, {}, "/home/ann/pump.hex"},
      {{"load"}, StartAction::loadUnit, {"load"}, ""},
      {{"LOAD", "b.prg"}, StartAction::loadUnit, {"LOAD", "b.prg"}, ""},
      {{"/Auto", "b.prg", "show"}, StartAction::loadUnit, {"/Auto", "b.prg", "show"}, ""},
      {{"--open-unit", "u.prg"}, StartAction::loadUnit, {"--open-unit", "u.prg", "SHOW"}, ""},
  };
  for (const Case& c : cases) {
    Parsed p = Parse(c.argv);
    const std::string what = c.argv.empty() ? "(none)" : c.argv.back();
    EXPECT_EQ(p.status, std::nullopt) << what << p.err;
    EXPECT_EQ(p.args.start, c.start) << what;
    EXPECT_EQ(p.args.parameters, c.parameters) << what;
    EXPECT_EQ(p.args.file, c.file) << what;
  }
  for (std::vector<const char*> refused :
       {std::vector<const char*>{"backup.prg", "SHOW"}, {"x", "backup.prg"}, {"pump.hex", "b.prg", "SHOW"}}) {
    Parsed p = Parse(refused);
    EXPECT_EQ(p.status, 2) << refused[0];
    EXPECT_EQ(p.args.start, StartAction::window) << refused[0];
    EXPECT_TRUE(p.args.parameters.empty()) << refused[0];
    EXPECT_NE(p.err.find("velmar load [FILE] [SHOW]"), std::string::npos) << p.err;
  }
}

// An option Velmar does not know is refused, never taken for a unit image
// (which would read the programmer and offer to replace everything in it).
TEST(AppArguments, UnknownOptionsAreRefusedWithStatusTwo) {
  for (std::vector<const char*> bad : {std::vector<const char*>{"--versoin"},
                                       {"-x", "load"},
                                       {"load", "--bogus"},
                                       {"--simulate"},
                                       {"--driver", "serial"}}) {
    Parsed p = Parse(bad);
    EXPECT_EQ(p.status, 2) << bad[0];
    EXPECT_TRUE(p.args.parameters.empty()) << bad[0];
    EXPECT_FALSE(p.err.empty()) << bad[0];
    EXPECT_NE(p.err.find("--help"), std::string::npos) << p.err;
  }
}

TEST(AppArguments, HelpAndVersionAnswerAtOnce) {
  Parsed v = Parse({"--version"});
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.out, std::string("velmar ") + VELMAR_VERSION + "\n");
  Parsed h = Parse({"--help"});
  EXPECT_EQ(h.status, 0);
  EXPECT_NE(h.out.find("LOAD [FILE] [SHOW]"), std::string::npos) << h.out;
  EXPECT_NE(h.out.find("--simulate"), std::string::npos);
  EXPECT_NE(h.out.find("velmar load backup.prg SHOW"), std::string::npos);
  EXPECT_NE(h.out.find("velmar [OPTIONS] FILE\n"), std::string::npos) << h.out;
}

// The program itself, with no display at all: it answers and refuses
// without opening a window.
TEST(AppArguments, TheProgramAnswersWithoutADisplay) {
  const std::string exe = BinDir() + "velmar";
  if (!Exists(exe)) GTEST_SKIP() << "built without the desktop program";
  auto run = [&](const std::string& args, int& status) {
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + exe + " " + args + " 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 256> buffer{};
    while (pipe && fgets(buffer.data(), int(buffer.size()), pipe)) output += buffer.data();
    status = pipe ? pclose(pipe) : -1;
    return output;
  };
  int status = 0;
  EXPECT_EQ(run("--version", status), std::string("velmar ") + VELMAR_VERSION + "\n");
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(run("--help", status).find("LOAD [FILE] [SHOW]"), std::string::npos);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(run("--unknown-option", status).find("--unknown-option"), std::string::npos);
  EXPECT_EQ(WEXITSTATUS(status), 2);
}

}  // namespace
}  // namespace velmar::test
