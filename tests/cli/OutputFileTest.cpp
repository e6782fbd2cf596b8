// Files the commands write and read, run in-process: "-" as stdout for each
// command that writes a file the user names, targets that are no regular
// file, missing folders refused alike by every command, devices read as
// input, unit image names without a file name, and a family number that is
// no entry.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include "cli/CliTestSupport.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

const char* const kHex = ":0100200011CE\r\n:00000001FF\r\n";

struct OutputFiles : ::testing::Test {
  void SetUp() override {
    WriteFile(dir.File("in.hex"), kHex);
    ASSERT_EQ(Run({"firmware", "pack", "--version", "E2", "--hex", dir.File("in.hex"), dir.File("fw.upd")}).status, 0);
    ASSERT_EQ(Run({"sim", "create", dir.File("p.state"), "--kind", "2"}).status, 0);
  }
  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--working-folder", dir.Path()});
    return RunCliInProcess(args);
  }
  void AddSlot() {
    ASSERT_EQ(Run({"--sim-state", dir.File("p.state"), "new", "--family", "1", "--device", "PIC16F628A", "--hex",
                   SourceDir() + "examples/pic16f628a/blink.hex", "--description", "Job"})
                  .status,
              0);
  }
  // Every command that writes a file the user names, writing to `out`.
  std::vector<std::vector<std::string>> Writers(const std::string& out) {
    return {{"hex", "convert", dir.File("in.hex"), out},
            {"firmware", "decode", dir.File("fw.upd"), "--out", out},
            {"firmware", "pack", "--version", "E2", "--hex", dir.File("in.hex"), out},
            {"sim", "export", dir.File("p.state"), out},
            {"sim", "firmware-hex", out, "--firmware", "pic", "--version", "226"},
            {"sim", "create", out, "--kind", "0", "--force"}};
  }
  TempDir dir;
};

TEST_F(OutputFiles, ADashWritesTheFileToStdoutAndTheReportToStderr) {
  for (const auto& args : Writers("-")) {
    CliResult r = Run(args);
    ASSERT_EQ(r.status, 0) << args[1] << ": " << r.err;
    EXPECT_FALSE(Exists(dir.File("-"))) << args[1];
    EXPECT_FALSE(r.out.empty()) << args[1];
    EXPECT_EQ(r.out.find("Wrote"), std::string::npos) << args[1] << ": the report is not mixed into the file";
    EXPECT_EQ(r.out.find("Made a simulated"), std::string::npos) << args[1];
    EXPECT_FALSE(r.err.empty()) << args[1];
  }
  EXPECT_EQ(Run({"hex", "convert", dir.File("in.hex"), "-"}).out, kHex);
  // The --json report goes to stderr as well.
  CliResult j = Run({"--json", "hex", "convert", dir.File("in.hex"), "-"});
  EXPECT_EQ(j.out, kHex);
  EXPECT_EQ(nlohmann::json::parse(j.err)["output"], "-");
}

TEST_F(OutputFiles, AFolderAtTheTargetIsRefusedAndKept) {
  std::filesystem::create_directory(dir.File("folder"));
  for (const auto& args : Writers(dir.File("folder"))) {
    CliResult r = Run(args);
    EXPECT_EQ(r.status, 1) << args[1];
    EXPECT_NE(r.err.find(dir.File("folder") + ": it is a folder"), std::string::npos) << args[1] << ": " << r.err;
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder")));
}

TEST_F(OutputFiles, ADeviceTargetIsWrittenIntoNotReplaced) {
  VELMAR_SKIP_ON_WINDOWS("/dev/null and character devices");
  // A FIFO nobody reads would block; /dev/null stands for every device that
  // takes what is written to it, and must survive.
  for (const auto& args : Writers("/dev/null")) {
    CliResult r = Run(args);
    EXPECT_EQ(r.status, 0) << args[1] << ": " << r.err;
    struct stat st {};
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    ASSERT_TRUE(S_ISCHR(st.st_mode)) << args[1] << " replaced /dev/null";
  }
}

TEST_F(OutputFiles, AMissingFolderIsRefusedByEveryCommandNamingIt) {
  AddSlot();
  const std::string missing = dir.File("missing/");
  auto writers = Writers(missing + "out");
  writers.push_back({"--sim-state", dir.File("p.state"), "--yes", "copy", missing + "unit.prg"});
  for (const auto& args : writers) {
    CliResult r = Run(args);
    EXPECT_NE(r.status, 0) << args[1];
    EXPECT_NE(r.err.find(dir.File("missing")), std::string::npos) << args[1] << ": " << r.err;
    EXPECT_NE(r.err.find("does not exist"), std::string::npos) << args[1] << ": " << r.err;
  }
  EXPECT_FALSE(Exists(missing));
}

TEST_F(OutputFiles, AUnitImageNeedsAFileName) {
  AddSlot();
  for (const std::string& name : {std::string(), dir.Path(), dir.File("sub/")}) {
    CliResult r = Run({"--sim-state", dir.File("p.state"), "--yes", "copy", name});
    EXPECT_NE(r.status, 0) << "'" << name << "'";
    EXPECT_NE(r.err.find("file name"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(Exists(dir.File(".prg")));
  EXPECT_FALSE(Exists("./.prg"));
}

// A file that is no HEX file and what the refusal says of it.
struct UnreadableFile {
  const char* path;
  const char* says;
};
class UnreadableFiles : public OutputFiles, public ::testing::WithParamInterface<UnreadableFile> {};

TEST_P(UnreadableFiles, AreNotTakenForHexFiles) {
  VELMAR_SKIP_ON_WINDOWS("/dev and /proc");
  const UnreadableFile& c = GetParam();
  CliResult r = Run({"hex", "info", c.path});
  EXPECT_EQ(r.status, 1) << c.path;
  EXPECT_NE(r.err.find(c.says), std::string::npos) << c.path << ": " << r.err;
}

INSTANTIATE_TEST_SUITE_P(OutputFiles, UnreadableFiles,
                         ::testing::Values(UnreadableFile{"/dev/urandom", ": it is not a regular file"},
                                           UnreadableFile{"/dev/zero", ": it is not a regular file"},
                                           UnreadableFile{"/proc/self/mem", "Cannot read /proc/self/mem: "}));

TEST_F(OutputFiles, AFamilyNumberBelowZeroIsRefused) {
  CliResult r = Run({"devices", "--family", "-1"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--family -1"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace velmar::test
