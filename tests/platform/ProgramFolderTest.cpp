// The program folder lookup: which folder wins in which layout, and what the
// report names when none holds the files.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Paths.h"
#include "platform/ProgramFolder.h"
#include "support/TestSupport.h"

namespace velmar::platform {
namespace {

// A tree with an executable folder (prefix/bin), its ../share/velmar and a
// separate install prefix; each may or may not hold DEVICES.INI.
struct Layout {
  const char* name;
  bool inExe, inShare, inPrefix;
  const char* option;    // "" none, "exe", "share", "prefix" or "other"
  const char* expected;  // the folder chosen: "exe", "share", "prefix" or "other"
  bool found;
  int searched;  // how many folders were looked at
};

// A folder below the test's root, in this system's form (the lookup
// normalises what it builds to it).
std::string N(const std::string& relative) { return platform::NativeRelative(relative); }

class ProgramFolderLookup : public ::testing::TestWithParam<Layout> {};

TEST_P(ProgramFolderLookup, ChoosesTheFirstFolderThatHoldsTheFiles) {
  const Layout& l = GetParam();
  test::TempDir root;
  const std::string exe = root.File(N("usr/bin/")), share = root.File(N("usr/share/velmar/")),
                    prefix = root.File(N("opt/velmar/share/velmar/")), other = root.File(N("elsewhere/"));
  for (const std::string& f : {exe, share, prefix, other}) std::filesystem::create_directories(f);
  if (l.inExe) test::WriteFile(exe + "DEVICES.INI", "[PIC16F84]\n");
  if (l.inShare) test::WriteFile(share + "DEVICES.INI", "[PIC16F84]\n");
  if (l.inPrefix) test::WriteFile(prefix + "DEVICES.INI", "[PIC16F84]\n");
  auto named = [&](const std::string& n) {
    return n == "exe" ? exe : n == "share" ? share : n == "prefix" ? prefix : n == "other" ? other : std::string();
  };
  ProgramFolderSearch s = FindProgramFolder(named(l.option), exe, prefix);
  EXPECT_EQ(s.folder, named(l.expected));
  EXPECT_EQ(s.found, l.found);
  EXPECT_EQ(int(s.searched.size()), l.searched);
  EXPECT_EQ(SearchReport(s).empty(), l.found);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ProgramFolderLookup,
    ::testing::Values(Layout{"BuildTree", true, true, true, "", "exe", true, 1},
                      Layout{"InstalledTreeAnywhere", false, true, true, "", "share", true, 2},
                      Layout{"CopiedExecutable", false, false, true, "", "prefix", true, 3},
                      Layout{"NothingFallsBackToTheExecutable", false, false, false, "", "exe", false, 3},
                      Layout{"OptionWinsOverTheBuildTree", true, true, true, "prefix", "prefix", true, 1},
                      Layout{"OptionWithoutFilesIsStillUsed", true, true, true, "other", "other", false, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgramFolderLookup, ReportNamesEveryFolderAndTheOptionOnce) {
  test::TempDir root;
  // The prefix's folder is the executable's ../share/velmar: searched once.
  std::filesystem::create_directories(root.File(N("usr/bin")));
  ProgramFolderSearch s = FindProgramFolder("", root.File(N("usr/bin/")), root.File(N("usr/share/velmar")));
  ASSERT_FALSE(s.found);
  ASSERT_EQ(s.searched.size(), 2u);
  EXPECT_EQ(s.searched[1], root.File(N("usr/share/velmar/")));
  const std::string r = SearchReport(s);
  EXPECT_NE(r.find("\r  " + root.File(N("usr/bin/")) + "\r"), std::string::npos) << r;
  EXPECT_NE(r.find("\r  " + root.File(N("usr/share/velmar/")) + "\r"), std::string::npos) << r;
  EXPECT_NE(r.find("--program-folder"), std::string::npos) << r;
}

TEST(ProgramFolderLookup, AFolderNamedDevicesIniIsNotTheFile) {
  test::TempDir root;
  std::filesystem::create_directories(root.File("bin/DEVICES.INI"));
  ProgramFolderSearch s = FindProgramFolder("", root.File(N("bin/")), "");
  EXPECT_FALSE(s.found);
}

}  // namespace
}  // namespace velmar::platform
