// How velmar-cli answers a person: the nearest command or option for a
// typo, the command to type where the window's message names a button,
// warnings when a slot keeps less of a text than was given, --quiet and
// --verbose.
#include <gtest/gtest.h>

#include "cli/CliTestSupport.h"
#include "cli/CommandSuggestion.h"
#include "cli/MessageHints.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

bool Has(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

struct Typo {
  std::vector<std::string> args;
  std::string said;
};

TEST(Suggestions, AnUnknownWordIsAnsweredWithTheNearestNames) {
  const Typo cases[] = {
      {{"lst"}, "Unknown command 'lst': did you mean 'list'?"},
      {{"-v"}, "Unknown option '-v': did you mean --version or --verbose?"},
      {{"--jsno", "read"}, "Unknown option '--jsno': did you mean --json?"},
      {{"hex", "inof", "a.hex"}, "Unknown command 'inof': did you mean 'info'?"},
      {{"reed"}, "did you mean 'read'"},
      {{"sim", "creat", "x"}, "did you mean 'create'"},
      // A value of an option is not a command.
      {{"--simulate", "8way", "lsit"}, "Unknown command 'lsit': did you mean 'list'?"},
      {{"--working-folder=/tmp", "detials"}, "did you mean 'details'"},
      {{"frobnicate"}, "Unknown command 'frobnicate' (velmar-cli --help lists the commands)"},
      // The hint names the --help of the command the mistake is in.
      {{"sim", "lsit"}, "Unknown command 'lsit' (velmar-cli sim --help lists the commands)"},
      {{"--simulate", "8way", "list", "--jsno"},
       "did you mean --json? (velmar-cli list --help lists its options, velmar-cli --help the options every command "
       "takes)"},
      {{"--simulate", "8way", "details"}, "--slot is required (velmar-cli details --help lists its options"},
      {{"sim", "show"}, "FILE is required (velmar-cli sim show --help lists its options and arguments)"},
      {{"sim"}, "(velmar-cli sim --help lists its commands)"},
  };
  for (const Typo& c : cases) {
    CliResult r = RunCliInProcess(c.args);
    EXPECT_EQ(r.status, 2) << c.said;
    EXPECT_TRUE(Has(r.err, c.said)) << r.err;
    EXPECT_EQ(r.out, "");
  }
  // A command's option without the command: CLI11's own words stay, with
  // where to look.
  EXPECT_TRUE(Has(RunCliInProcess({"--json"}).err, "A subcommand is required (velmar-cli --help"));
}

TEST(Suggestions, EditDistanceCountsASwappedPairAsOneTypo) {
  EXPECT_EQ(cli::EditDistance("lsit", "list"), 1u);
  EXPECT_EQ(cli::EditDistance("", "abc"), 3u);
  EXPECT_EQ(cli::EditDistance("erase", "erase"), 0u);
  EXPECT_EQ(cli::NearestNames("zzzzzz", {"list", "read"}), std::vector<std::string>{});
}

TEST(Hints, TheWindowsButtonWordingGetsTheCommandToType) {
  EXPECT_EQ(cli::CommandHint("Please enter a new description", 2),
            "use: velmar-cli replace --slot 2 --description TEXT");
  EXPECT_EQ(cli::CommandHint("To load Empty slot, Please use Replace Program", 0),
            "use: velmar-cli replace --slot N --family F --device NAME --hex FILE --description TEXT");
  EXPECT_EQ(cli::CommandHint("No Programmer Detected. Read Programmer First", 1), "use: velmar-cli read");
  EXPECT_EQ(cli::CommandHint("Program loaded successfully", 1), std::nullopt);
}

struct Answers : ::testing::Test {
  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--working-folder", dir.Path()});
    return RunCliInProcess(args);
  }
  std::vector<std::string> Program(const std::string& hex) {
    return {"--family", "1", "--device", "PIC16F628A", "--hex", hex};
  }
  std::vector<std::string> With(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }
  TempDir dir;
};

// The slot keeps 28 characters of the description and 20 of the file name;
// a longer one is cut, and the user is told what was kept.
TEST_F(Answers, TextsCutToWhatTheSlotKeepsAreWarnedAbout) {
  const std::string longName = dir.File("my_long_product_firmware_v2.3.hex");
  WriteFile(longName, ReadFile(SourceDir() + "examples/pic16f628a/blink.hex"));
  const std::string description = "Production line 4, board rev C, March";
  const std::string state = dir.File("p.state");
  ASSERT_EQ(Run({"sim", "create", state, "--kind", "8way"}).status, 0);

  const std::vector<std::vector<std::string>> runs = {
      With({"build", "--description", description}, Program(longName)),
      With({"--sim-state", state, "--yes", "new", "--description", description}, Program(longName)),
      With({"--sim-state", state, "--yes", "replace", "--slot", "1", "--description", description}, Program(longName)),
  };
  for (const auto& args : runs) {
    CliResult r = Run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.err,
                    "Warning: the description is cut to the 28 characters a slot keeps: "
                    "\"Production line 4, board rev\""))
        << r.err;
    EXPECT_TRUE(Has(r.err,
                    "Warning: the file name is cut to the 20 characters a slot keeps: "
                    "\"my_long_product_firm\""))
        << r.err;
  }
  // The name as kept finds the slot.
  EXPECT_EQ(Run({"--sim-state", state, "find", "my_long_product_firm"}).status, 0);
  // Texts that fit, and a replace that keeps the slot's description, say nothing.
  CliResult fits =
      Run(With({"build", "--description", "Blink"}, Program(SourceDir() + "examples/pic16f628a/blink.hex")));
  EXPECT_FALSE(Has(fits.err, "Warning")) << fits.err;
  CliResult kept = Run(With({"--sim-state", state, "--yes", "replace", "--slot", "1"},
                            Program(SourceDir() + "examples/pic16f628a/blink.hex")));
  EXPECT_FALSE(Has(kept.err, "Warning")) << kept.err;
}

// After the only slot is deleted, the window's answers name its buttons;
// the command line adds what to type.
TEST_F(Answers, MessagesNamingAButtonSuggestTheCommand) {
  const std::string state = dir.File("p.state");
  const std::string blink = SourceDir() + "examples/pic16f628a/blink.hex";
  ASSERT_EQ(Run({"sim", "create", state, "--kind", "8way"}).status, 0);
  ASSERT_EQ(Run(With({"--sim-state", state, "--yes", "new", "--description", "Blink"}, Program(blink))).status, 0);
  ASSERT_EQ(Run({"--sim-state", state, "--yes", "delete", "--slot", "1"}).status, 0);

  CliResult replace = Run(With({"--sim-state", state, "replace", "--slot", "1"}, Program(blink)));
  EXPECT_EQ(replace.status, 1);
  EXPECT_TRUE(Has(replace.out + replace.err,
                  "Please enter a new description\n"
                  "  use: velmar-cli replace --slot 1 --description TEXT\n"))
      << replace.out << replace.err;

  CliResult json = Run(With({"--sim-state", state, "--json", "replace", "--slot", "1"}, Program(blink)));
  EXPECT_TRUE(Has(json.out, "\"hint\":\"use: velmar-cli replace --slot 1 --description TEXT\"")) << json.out;
  EXPECT_TRUE(Has(json.out, "\"message\":\"Please enter a new description (use: velmar-cli replace --slot 1"))
      << json.out;
}

TEST_F(Answers, QuietPrintsErrorsOnlyAndVerboseAddsTheLinksSummary) {
  const std::string state = dir.File("p.state");
  ASSERT_EQ(Run({"sim", "create", state, "--kind", "8way"}).status, 0);
  const std::vector<std::string> add = With({"--sim-state", state, "--yes", "new", "--description", "Blink"},
                                            Program(SourceDir() + "examples/pic16f628a/blink.hex"));

  CliResult quiet = Run(With({"--quiet"}, add));
  ASSERT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(quiet.out, "");
  EXPECT_FALSE(Has(quiet.err, "Warning")) << quiet.err;

  CliResult verbose = Run(With({"--verbose"}, add));
  ASSERT_EQ(verbose.status, 0) << verbose.err;
  EXPECT_TRUE(Has(verbose.out, "Program loaded successfully"));
  EXPECT_TRUE(Has(verbose.err, "link: sim (" + state + "), ")) << verbose.err;
  EXPECT_TRUE(Has(verbose.err, " driver calls (")) << verbose.err;
  EXPECT_TRUE(Has(verbose.err, "protocol time ")) << verbose.err;
  CliResult plain = Run(add);
  EXPECT_FALSE(Has(plain.err, "link: ")) << plain.err;

  // An error still shows under --quiet.
  CliResult failed = Run({"--quiet", "--sim-state", state, "details", "--slot", "9"});
  EXPECT_EQ(failed.status, 2);
  EXPECT_TRUE(Has(failed.err, "the programmer lists slots 1 to 3")) << failed.err;
  EXPECT_EQ(Run({"--quiet", "--verbose", "devices"}).status, 2);
}

TEST_F(Answers, SimCreateTakesTheVersionInEitherBase) {
  for (const char* v : {"200", "0xC8", "C8"}) {
    CliResult r = Run({"--json", "sim", "create", dir.File("v.state"), "--kind", "0", "--version", v, "--force"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "\"version\":200,\"version_hex\":\"C8\"")) << r.out;
  }
  EXPECT_EQ(Run({"sim", "create", dir.File("w.state"), "--kind", "0", "--version", "0x1FF"}).status, 2);
}

}  // namespace
}  // namespace velmar::test
