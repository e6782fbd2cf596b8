// The platform seams that differ between Linux and Windows, checked with the
// same cases on both: file names beyond ASCII, bytes that text mode would
// change, saves that replace a file, file stamps, run-time loaded libraries,
// folder separators and the working-folder rule of the running system.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>

#include "image/ISPDefs.h"
#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "link/D2xxLibraryDriver.h"
#include "platform/AppendFile.h"
#include "platform/AtomicFile.h"
#include "platform/FileStamp.h"
#include "platform/Paths.h"
#include "platform/SharedLibrary.h"
#include "platform/SystemVersion.h"
#include "support/TestSupport.h"

namespace {

using namespace velmar;
namespace fs = std::filesystem;
using platform::kPathSeparator;
using test::TempDir;

// Names with letters from several scripts, a space and a sign.
const char* const kUnicodeNames[] = {"Prüfung Ä€.hex", "программа.hex", "試験 ω.hex"};

TEST(UnicodeFileNames, SurviveEveryWayTheProgramTouchesAFile) {
  TempDir dir;
  const std::string folder = dir.Path() + "Ordner ß" + kPathSeparator;
  std::string error;
  ASSERT_TRUE(platform::EnsureFolder(folder, &error)) << error;
  for (const char* name : kUnicodeNames) {
    SCOPED_TRACE(name);
    const std::string path = folder + name;
    const std::string hex = ":020000040000FA\n:0400000001020304F2\n:00000001FF\n";
    ASSERT_TRUE(platform::WriteFileAtomically(path, hex, &error)) << error;
    EXPECT_TRUE(platform::FileExists(path));
    EXPECT_TRUE(platform::StampOf(path).exists);
    std::string back;
    ASSERT_TRUE(platform::ReadWholeFile(path, back, &error)) << error;
    EXPECT_EQ(back, hex);
    image::THexList image;
    image.SetSize(16);
    const image::LoadResult r = image::TFileLoader::LoadFile(path, image);
    EXPECT_EQ(r.fault, image::LoadFault::none);
    EXPECT_EQ(image.GetValue(3), 0x04);
    EXPECT_EQ(platform::ExtractFileName(path), name);
  }
  // The folder as the system lists it has exactly these names, in UTF-8.
  std::size_t found = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(platform::PathOf(folder))) {
    const std::string listed = platform::Utf8Of(e.path().filename());
    found += std::count(std::begin(kUnicodeNames), std::end(kUnicodeNames), listed);
  }
  EXPECT_EQ(found, std::size(kUnicodeNames));
}

TEST(FileBytes, AreWrittenAndReadExactlyWithoutTextModeChanges) {
  TempDir dir;
  // Line ends of both kinds, a lone CR, Ctrl-Z (end of file to a text-mode
  // reader on Windows) and a zero byte.
  const std::string bytes(
      "a\r\nb\nc\rd\x1a"
      "e\0f\n",
      13);
  const std::string path = dir.File("bytes.bin");
  std::string error;
  ASSERT_TRUE(platform::WriteFileAtomically(path, bytes, &error)) << error;
  std::string back;
  ASSERT_TRUE(platform::ReadWholeFile(path, back, &error)) << error;
  EXPECT_EQ(back, bytes);

  platform::AppendFile log;
  std::string reason;
  ASSERT_EQ(log.Open(dir.File("log.txt"), reason), platform::AppendFile::Opened::yes) << reason;
  ASSERT_TRUE(log.Append(bytes, reason)) << reason;
  ASSERT_TRUE(log.Sync(reason)) << reason;
  EXPECT_EQ(log.Size(), bytes.size());
  EXPECT_TRUE(log.EndsWithNewline());
  log.Close();
  EXPECT_EQ(test::ReadFile(dir.File("log.txt")), bytes);
}

TEST(AtomicSave, ReplacesAFileAndLeavesNothingElseBehind) {
  TempDir dir;
  const std::string path = dir.File("setting.ini");
  std::string error;
  ASSERT_TRUE(platform::WriteFileAtomically(path, "old contents, longer than the new ones", &error)) << error;
  const platform::FileStamp before = platform::StampOf(path);
  ASSERT_TRUE(platform::WriteFileAtomically(path, "new", &error)) << error;
  EXPECT_EQ(test::ReadFile(path), "new");
  EXPECT_NE(platform::StampOf(path), before);
  EXPECT_EQ(platform::StampOf(path), platform::StampOf(path));
  std::size_t files = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(platform::PathOf(dir.Path()))) {
    ++files;
    EXPECT_EQ(e.path().filename(), "setting.ini");
  }
  EXPECT_EQ(files, 1u);
}

TEST(AtomicSave, RefusesToReplaceAFolderAndSaysWhich) {
  TempDir dir;
  const std::string path = dir.File("kf_flash.hex");
  ASSERT_TRUE(platform::EnsureFolder(path));
  std::string error;
  EXPECT_FALSE(platform::WriteFileAtomically(path, "data", &error));
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(platform::PathOf(path)));
  std::string contents;
  EXPECT_FALSE(platform::ReadWholeFile(path, contents, &error));
  EXPECT_NE(error.find("folder"), std::string::npos) << error;
}

TEST(AtomicSave, ReportsAFolderThatDoesNotExist) {
  TempDir dir;
  const std::string path = dir.Path() + "missing" + kPathSeparator + "out.hex";
  std::string error;
  EXPECT_FALSE(platform::WriteFileAtomically(path, "data", &error));
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_FALSE(platform::StampOf(path).exists);
}

TEST(AtomicSave, RemovesOnlyTheAbandonedTemporariesOfItsOwnNaming) {
  TempDir dir;
  auto plant = [&](const std::string& name, bool old) {
    test::WriteFile(dir.File(name), "leftover");
    if (old) {
      const fs::path p = platform::PathOf(dir.File(name));
      fs::last_write_time(p, fs::last_write_time(p) - std::chrono::hours(48));
    }
  };
  const std::string abandoned = ".big.hex.velmar-tmp-1-123456";
  plant(abandoned, true);                     // a killed save of ours, days ago: removed
  plant(".fresh.hex.velmar-tmp-1-7", false);  // newer than this process: a save under way
  plant(".other.hex.tmp42", true);            // another program's naming
  plant("big.hex.velmar-tmp-1-99", true);     // not hidden: not our naming
  ASSERT_TRUE(platform::WriteFileAtomically(dir.File("new.hex"), "data"));
  EXPECT_FALSE(fs::exists(platform::PathOf(dir.File(abandoned))));
  for (const char* kept : {".fresh.hex.velmar-tmp-1-7", ".other.hex.tmp42", "big.hex.velmar-tmp-1-99", "new.hex"})
    EXPECT_TRUE(fs::exists(platform::PathOf(dir.File(kept)))) << kept;
}

TEST(AppendFile, TheHeldFileCanBeRenamedOverAnOlderOne) {
  TempDir dir;
  test::WriteFile(dir.File("log.jsonl.1"), "older\n");
  platform::AppendFile log;
  std::string reason;
  ASSERT_EQ(log.Open(dir.File("log.jsonl"), reason), platform::AppendFile::Opened::yes) << reason;
  ASSERT_TRUE(log.Append("first\n", reason)) << reason;
  ASSERT_TRUE(platform::RenameReplacing(dir.File("log.jsonl"), dir.File("log.jsonl.1"), reason)) << reason;
  log.Close();
  EXPECT_EQ(test::ReadFile(dir.File("log.jsonl.1")), "first\n");
  EXPECT_FALSE(test::Exists(dir.File("log.jsonl")));
  EXPECT_EQ(log.Open(dir.Path(), reason), platform::AppendFile::Opened::failed);
}

#ifdef _WIN32
constexpr const char* kSystemLibrary = "kernel32.dll";
constexpr const char* kSystemFunction = "GetTickCount";
#else
constexpr const char* kSystemLibrary = "libc.so.6";
constexpr const char* kSystemFunction = "getpid";
#endif

TEST(SharedLibrary, LoadsASystemLibraryAndFindsItsFunctions) {
  platform::SharedLibrary library;
  std::string error;
  ASSERT_TRUE(library.Open(kSystemLibrary, error)) << error;
  EXPECT_NE(library.Symbol(kSystemFunction), nullptr);
  EXPECT_EQ(library.Symbol("NoSuchFunctionAnywhere"), nullptr);
}

TEST(SharedLibrary, AMissingLibraryIsNamedInTheReason) {
  platform::SharedLibrary library;
  std::string error;
  EXPECT_FALSE(library.Open("velmar-no-such-library-42", error));
  EXPECT_FALSE(library.IsOpen());
  EXPECT_NE(error.find("velmar-no-such-library-42"), std::string::npos) << error;
  EXPECT_EQ(library.Symbol(kSystemFunction), nullptr);
}

TEST(D2xxLibrary, MessagesNameThisSystemsLibraryFile) {
#ifdef _WIN32
  EXPECT_EQ(link::D2xxLibraryDriver::LibraryFileName(), "ftd2xx.dll");
#else
  EXPECT_EQ(link::D2xxLibraryDriver::LibraryFileName(), "libftd2xx.so");
#endif
  link::D2xxLibraryDriver missing("velmar-no-such-d2xx-library");
  if (missing.Problem().empty()) GTEST_SKIP() << "FTDI's D2XX library is installed here";
  EXPECT_NE(missing.Problem().find(link::D2xxLibraryDriver::LibraryFileName()), std::string::npos) << missing.Problem();
  std::uint32_t count = 7;
  EXPECT_EQ(missing.ListDeviceCount(count), link::FT_OTHER_ERROR);
  EXPECT_EQ(count, 0u);
}

TEST(Folders, UseThisSystemsSeparator) {
  EXPECT_EQ(platform::WithSeparator("work"), std::string("work") + kPathSeparator);
  EXPECT_EQ(platform::WithSeparator("work/"), "work/");
  EXPECT_EQ(platform::WithSeparator(std::string("work") + kPathSeparator), std::string("work") + kPathSeparator);
  EXPECT_EQ(platform::WithSeparator(""), "");
  EXPECT_EQ(platform::NativeRelative("FirmWare\\qrxpicusb.upd"),
            std::string("FirmWare") + kPathSeparator + "qrxpicusb.upd");
  EXPECT_EQ(platform::ExtractFileName("a\\b/c.hex"), "c.hex");
  EXPECT_EQ(platform::ExtractFilePath("a\\b/c.hex"), "a\\b/");
}

TEST(Folders, TheProgramFolderIsTheExecutables) {
  const std::string exe = platform::ExecutablePath();
  ASSERT_FALSE(exe.empty());
  EXPECT_TRUE(platform::FileExists(exe)) << exe;
  EXPECT_TRUE(platform::PathOf(exe).is_absolute()) << exe;
  EXPECT_EQ(platform::ExecutableFolder(), platform::WithSeparator(platform::ExtractFilePath(exe).substr(
                                              0, platform::ExtractFilePath(exe).size() - 1)));
}

TEST(Folders, TheWorkingFolderFollowsTheRunningSystemsRule) {
  const platform::SystemVersion v = platform::CurrentSystemVersion();
  const image::Folders f =
      image::ChooseFolders(image::CurrentPlatformVersion(), "C:\\Velmar\\", image::SpecialFolderPath(28));
  EXPECT_EQ(f.program, "C:\\Velmar\\");
#ifdef _WIN32
  ASSERT_EQ(v.family, platform::SystemVersion::NT);
  EXPECT_GE(v.major, 5);
  const std::string expected = platform::UserDataFolder() + "Torvik\\VELMAR\\";
  EXPECT_EQ(image::SpecialFolderPath(28), expected);
  // Every Windows that runs this program today (XP and later, less Server
  // 2003's 5.2) keeps the working files in the user's application data.
  if (image::WindowsVersionCode(image::CurrentPlatformVersion()) != 8) {
    EXPECT_EQ(f.working, expected);
  }
  EXPECT_TRUE(platform::PathOf(platform::UserDataFolder()).is_absolute()) << platform::UserDataFolder();
  EXPECT_FALSE(platform::SystemFolder().empty());
#else
  EXPECT_EQ(v.family, platform::SystemVersion::Other);
  EXPECT_EQ(f.working, image::SpecialFolderPath(28));
#endif
}

}  // namespace
