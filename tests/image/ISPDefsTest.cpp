// Version code, folder choice and working-folder creation.
#include <filesystem>

#include <gtest/gtest.h>

#include "image/ISPDefs.h"
#include "support/TestSupport.h"

using namespace velmar::image;

namespace {

PlatformVersion NT(int major, int minor) { return {PlatformVersion::NT, major, minor, ""}; }

TEST(WindowsVersionCode, CoversBothFamiliesAndUnknowns) {
  EXPECT_EQ(WindowsVersionCode({PlatformVersion::Win9x, 4, 0, ""}), 1);
  EXPECT_EQ(WindowsVersionCode({PlatformVersion::Win9x, 4, 10, " B "}), 2);
  EXPECT_EQ(WindowsVersionCode({PlatformVersion::Win9x, 4, 10, " A "}), 3);
  EXPECT_EQ(WindowsVersionCode({PlatformVersion::Win9x, 4, 90, ""}), 4);
  EXPECT_EQ(WindowsVersionCode(NT(4, 0)), 5);
  EXPECT_EQ(WindowsVersionCode(NT(5, 0)), 6);
  EXPECT_EQ(WindowsVersionCode(NT(5, 1)), 7);
  EXPECT_EQ(WindowsVersionCode(NT(5, 2)), 8);
  EXPECT_EQ(WindowsVersionCode(NT(6, 0)), 9);
  EXPECT_EQ(WindowsVersionCode(NT(6, 1)), 10);
  EXPECT_EQ(WindowsVersionCode(NT(6, 4)), 11);
  EXPECT_EQ(WindowsVersionCode(NT(6, 5)), 0);
  EXPECT_EQ(WindowsVersionCode(NT(10, 0)), 12);
  EXPECT_EQ(WindowsVersionCode(PlatformVersion{}), 0);
}

TEST(ChooseFolders, Version52KeepsTheWorkingFolderBesideTheExecutable) {
  EXPECT_EQ(ChooseFolders(NT(5, 2), "/exe/", "/user/").working, "/exe/");
  EXPECT_EQ(ChooseFolders(NT(5, 1), "/exe/", "/user/").working, "/user/");
  EXPECT_EQ(ChooseFolders(NT(6, 0), "/exe/", "/user/").working, "/user/");
  EXPECT_EQ(ChooseFolders(NT(4, 0), "/exe/", "/user/").working, "/exe/");
  EXPECT_EQ(ChooseFolders(NT(10, 0), "/exe/", "/user/").program, "/exe/");
  // Off Windows the per-user folder is always the working folder.
  EXPECT_EQ(ChooseFolders(PlatformVersion{}, "/exe/", "/user/").working, "/user/");
}

TEST(SpecialFolderPath, FollowsTheXdgDataHome) {
  VELMAR_SKIP_ON_WINDOWS("the per-user folder is the shell's application-data folder there");
  velmar::test::TempDir dir;
  std::string old = getenv("XDG_DATA_HOME") ? getenv("XDG_DATA_HOME") : "";
  velmar::test::SetEnvironment("XDG_DATA_HOME", dir.Path() + "data");
  EXPECT_EQ(SpecialFolderPath(28), dir.Path() + "data/Torvik/VELMAR/");
  velmar::test::SetEnvironment("XDG_DATA_HOME", old);
}

TEST(EnsureWorkingFolder, CreatesExactlyTheNamedFolderWithEveryMissingLevel) {
  velmar::test::TempDir dir;
  std::string working = dir.Path() + "share/Torvik/VELMAR/";
  EnsureWorkingFolder(working);
  EXPECT_TRUE(std::filesystem::is_directory(working));
  // Not a lower-case sibling, which on a case-sensitive system is another
  // folder (on Windows it names the same one).
  if (!velmar::test::kOnWindows) {
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "share/torvik"));
  }
  EXPECT_NO_THROW(EnsureWorkingFolder(working));  // already there
}

TEST(EnsureWorkingFolder, ReportsAFolderThatCannotBeMade) {
  velmar::test::TempDir dir;
  velmar::test::WriteFile(dir.File("blocker"), "x");
  // A file in the way, and a folder name longer than the file system allows
  // (which the system cannot even look up).
  for (const std::string& working :
       {dir.Path() + "blocker/Torvik/VELMAR/", dir.Path() + std::string(300, 'n') + "/VELMAR/"}) {
    try {
      EnsureWorkingFolder(working);
      ADD_FAILURE() << "no error for " << working;
    } catch (const EImageError& e) {
      EXPECT_NE(std::string(e.what()).find("Cannot create folder"), std::string::npos);
    }
  }
}

}  // namespace
