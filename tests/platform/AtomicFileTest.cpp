// Safe whole-file writing and reading: what a save does with each kind of
// thing it finds at the name (file, link, device, FIFO, folder), the
// program's own files against planted links, a missing folder, temporary
// files left by a killed save and removed on SIGTERM, and reading devices.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

namespace fs = std::filesystem;
using platform::Durability;
using platform::FileOrigin;
using platform::ReadWholeFile;
using platform::WriteFileAtomically;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_mode;
}

std::vector<std::string> Temporaries(const std::string& folder) {
  std::vector<std::string> found;
  for (const auto& e : fs::directory_iterator(folder))
    if (platform::TemporaryOwner(e.path().filename().string()) != 0) found.push_back(e.path().string());
  return found;
}

// Reads a FIFO on a thread of its own while the test writes into it.
class FifoReader {
 public:
  explicit FifoReader(const std::string& path) : thread_([this, path] { ReadWholeFile(path, contents_); }) {}
  std::string Finish() {
    thread_.join();
    return contents_;
  }

 private:
  std::string contents_;
  std::thread thread_;
};

TEST(AtomicFile, AFileTheUserNamedIsReplacedThroughALinkAndKeepsItsPermissions) {
  TempDir dir;
  WriteFile(dir.File("real.hex"), "old");
  ::chmod(dir.File("real.hex").c_str(), 0600);
  fs::create_symlink(dir.File("real.hex"), dir.File("link.hex"));
  ASSERT_TRUE(WriteFileAtomically(dir.File("link.hex"), "new"));
  EXPECT_TRUE(S_ISLNK(ModeOf(dir.File("link.hex"))));
  EXPECT_EQ(ReadFile(dir.File("real.hex")), "new");
  EXPECT_EQ(ModeOf(dir.File("real.hex")) & 0777, 0600u);
  EXPECT_TRUE(Temporaries(dir.Path()).empty());
}

TEST(AtomicFile, ACharacterDeviceOrFifoIsWrittenIntoNotReplaced) {
  TempDir dir;
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  FifoReader reader(fifo);
  std::string error;
  EXPECT_TRUE(WriteFileAtomically(fifo, "through the pipe", &error)) << error;
  EXPECT_EQ(reader.Finish(), "through the pipe");
  EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));

  // A link to a device (as /dev/stdout is) reaches the device; the link and
  // the device both stay. A null device of our own, made where we may.
  const std::string node = dir.File("null");
  if (::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP() << "cannot make a device node here";
  fs::create_symlink(node, dir.File("out"));
  EXPECT_TRUE(WriteFileAtomically(dir.File("out"), "gone", &error)) << error;
  EXPECT_TRUE(WriteFileAtomically(node, "gone", &error)) << error;
  EXPECT_TRUE(S_ISCHR(ModeOf(node)));
  EXPECT_TRUE(S_ISLNK(ModeOf(dir.File("out"))));
  EXPECT_TRUE(Temporaries(dir.Path()).empty());
}

TEST(AtomicFile, WhatIsNeitherFileNorStreamIsRefusedByName) {
  TempDir dir;
  fs::create_directory(dir.File("folder"));
  fs::create_directory_symlink(dir.File("folder"), dir.File("to-folder"));
  const std::string socketPath = dir.File("sock");
  int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socketPath.c_str());
  ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

  struct Case {
    std::string path;
    FileOrigin origin;
    std::string reason;
  };
  const Case cases[] = {
      {dir.File("folder"), FileOrigin::User, "it is a folder"},
      {dir.File("to-folder"), FileOrigin::User, "it is a folder"},
      {socketPath, FileOrigin::User, "it is not a regular file"},
      {dir.File("folder"), FileOrigin::Own, "it is a folder"},
      {socketPath, FileOrigin::Own, "it is not a regular file"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(c.path, "x", &error, Durability::kept, c.origin)) << c.path;
    EXPECT_EQ(error, "Cannot write " + c.path + ": " + c.reason);
  }
  ::close(s);
  EXPECT_TRUE(fs::is_directory(dir.File("folder")));
  EXPECT_TRUE(fs::is_symlink(dir.File("to-folder")));
  EXPECT_TRUE(fs::is_socket(socketPath));
  EXPECT_TRUE(Temporaries(dir.Path()).empty());
}

TEST(AtomicFile, TheProgramsOwnFilesReplaceAPlantedLinkInsteadOfWritingThroughIt) {
  TempDir dir;
  WriteFile(dir.File("victim"), "precious");
  fs::create_symlink(dir.File("victim"), dir.File("kf_header.hex"));
  fs::create_symlink(dir.File("nowhere"), dir.File("kf_flash.hex"));
  ASSERT_EQ(::mkfifo(dir.File("kf_otp.hex").c_str(), 0600), 0);

  std::string error;
  ASSERT_TRUE(WriteFileAtomically(dir.File("kf_header.hex"), "header", &error, Durability::kept, FileOrigin::Own))
      << error;
  ASSERT_TRUE(WriteFileAtomically(dir.File("kf_flash.hex"), "flash", &error, Durability::kept, FileOrigin::Own))
      << error;
  EXPECT_EQ(ReadFile(dir.File("victim")), "precious");
  EXPECT_FALSE(Exists(dir.File("nowhere")));
  for (const char* name : {"kf_header.hex", "kf_flash.hex"}) EXPECT_TRUE(S_ISREG(ModeOf(dir.File(name)))) << name;
  EXPECT_EQ(ReadFile(dir.File("kf_header.hex")), "header");

  // A FIFO planted at an own name is neither written into (a save would
  // wait for a reader) nor replaced.
  EXPECT_FALSE(WriteFileAtomically(dir.File("kf_otp.hex"), "otp", &error, Durability::kept, FileOrigin::Own));
  EXPECT_EQ(error, "Cannot write " + dir.File("kf_otp.hex") + ": it is not a regular file");
  EXPECT_TRUE(S_ISFIFO(ModeOf(dir.File("kf_otp.hex"))));
}

TEST(AtomicFile, AMissingFolderIsNamedAndNotCreated) {
  TempDir dir;
  const std::string path = dir.File("missing/deeper/out.hex");
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(path, "x", &error));
  EXPECT_EQ(error, "Cannot write " + path + ": the folder " + dir.File("missing/deeper") + " does not exist");
  EXPECT_FALSE(Exists(dir.File("missing")));
  EXPECT_FALSE(WriteFileAtomically("", "x", &error));
}

// The id of a process that has ended.
unsigned long EndedProcess() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return static_cast<unsigned long>(child);
}

TEST(AtomicFile, TheFirstSaveIntoAFolderRemovesOnlyTemporariesAKilledSaveOfOursLeft) {
  TempDir dir;
  const unsigned long ended = EndedProcess();
  const unsigned long running = static_cast<unsigned long>(::getppid());
  auto ours = [&](unsigned long pid, unsigned suffix, platform::TemporaryForm form = platform::TemporaryForm::full) {
    return fs::path(platform::TemporaryNameFor(dir.File("big.hex"), pid, suffix, form)).filename().string();
  };
  constexpr int kHour = 3600, kTwoDays = 2 * 24 * 3600;
  struct Case {
    std::string name;
    int ageSeconds;  // 0: made now
    bool removed;
  };
  const Case cases[] = {
      {ours(ended, 1), kHour, true},                                         // a killed save of ours
      {ours(ended, 2, platform::TemporaryForm::brief), kHour, true},         // the same, of a long name
      {ours(running, 3), kHour, false},                                      // its process may still be saving
      {ours(running, 4), kTwoDays, true},                                    // abandoned whatever its process id
      {ours(ended, 5), 0, false},                                            // newer than this process
      {ours(ended, 6), 10, false},                                           // a clock a little behind ours
      {".other.hex.tmp42", kTwoDays, false},                                 // another program's naming
      {".x.hex.velmar-tmp-12ab-1", kTwoDays, false},                         // not only digits
      {"big.hex.velmar-tmp-" + std::to_string(ended) + "-7", kHour, false},  // not hidden
  };
  for (const Case& c : cases) {
    WriteFile(dir.File(c.name), "leftover");
    if (c.ageSeconds == 0) continue;
    const timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - c.ageSeconds, 0}};
    ::utimensat(AT_FDCWD, dir.File(c.name).c_str(), times, 0);
  }
  const std::string link = ours(ended, 8);
  fs::create_symlink(dir.File("big.hex"), dir.File(link));  // a link is never ours
  bool otherOwner = ::geteuid() == 0;
  const std::string theirs = ours(ended, 9);
  if (otherOwner) {
    WriteFile(dir.File(theirs), "leftover");
    const timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - kHour, 0}};
    ::utimensat(AT_FDCWD, dir.File(theirs).c_str(), times, 0);
    otherOwner = ::lchown(dir.File(theirs).c_str(), 54321, 54321) == 0;
  }

  ASSERT_TRUE(WriteFileAtomically(dir.File("new.hex"), "data"));
  for (const Case& c : cases) EXPECT_EQ(Exists(dir.File(c.name)), !c.removed) << c.name;
  EXPECT_TRUE(fs::is_symlink(dir.File(link)));
  if (otherOwner) {
    EXPECT_TRUE(Exists(dir.File(theirs)));
  }
}

// A name is retried while it is taken and shortened when it is too long.
TEST(AtomicFile, ATemporaryNameIsRetriedWhenTakenAndShortenedWhenTooLong) {
  using platform::TemporaryOpen;
  const auto full = [](unsigned suffix) { return platform::TemporaryNameFor("/d/a.hex", 42, suffix); };
  const auto brief = [](unsigned suffix) {
    return platform::TemporaryNameFor("/d/a.hex", 42, suffix, platform::TemporaryForm::brief);
  };
  struct Case {
    std::vector<TemporaryOpen> answers;
    std::string created;
  };
  const Case cases[] = {
      {{TemporaryOpen::opened}, full(7)},
      {{TemporaryOpen::nameTaken, TemporaryOpen::nameTaken, TemporaryOpen::opened}, full(9)},
      {{TemporaryOpen::nameTooLong, TemporaryOpen::opened}, brief(7)},
      {{TemporaryOpen::nameTooLong, TemporaryOpen::nameTaken, TemporaryOpen::opened}, brief(8)},
      {{TemporaryOpen::nameTooLong, TemporaryOpen::nameTooLong}, ""},
      {{TemporaryOpen::failed}, ""},
      {std::vector<TemporaryOpen>(1000, TemporaryOpen::nameTaken), ""},  // gives up
  };
  for (const Case& c : cases) {
    std::size_t asked = 0;
    const std::string created = platform::CreateTemporary("/d/a.hex", 42, 7, [&](const std::string&) {
      return asked < c.answers.size() ? c.answers[asked++] : TemporaryOpen::opened;
    });
    EXPECT_EQ(created, c.created) << "after " << asked << " attempts";
  }
  EXPECT_EQ(platform::TemporaryOwner(fs::path(full(7)).filename().string()), 42u);
  EXPECT_EQ(platform::TemporaryOwner(fs::path(brief(7)).filename().string()), 42u);
}

TEST(AtomicFile, ANameAsLongAsTheSystemAllowsIsSaved) {
  TempDir dir;
  for (std::size_t length : {200u, 250u, 255u}) {
    const std::string path = dir.File(std::string(length - 4, 'n') + ".hex");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, "data", &error)) << length << ": " << error;
    ASSERT_TRUE(WriteFileAtomically(path, "again", &error)) << length << ": " << error;
    EXPECT_EQ(ReadFile(path), "again");
  }
  EXPECT_TRUE(Temporaries(dir.Path()).empty());
}

// A save abandoned by its producer leaves the old file and no temporary
// file; nothing here needs permissions, so it runs for root too.
TEST(AtomicFile, AFailedOrThrowingProducerLeavesTheOldFileAndNoTemporary) {
  struct Case {
    const char* what;
    std::function<bool(const platform::AppendBytes&)> produce;
    std::string reason;
  };
  const Case cases[] = {
      {"refuses", [](const platform::AppendBytes&) { return false; }, "Input/output error"},
      {"writes, then refuses", [](const platform::AppendBytes& append) { return append("half") && false; },
       "Input/output error"},
      {"throws",
       [](const platform::AppendBytes& append) -> bool {
         append("half");
         throw std::runtime_error("the image is too large");
       },
       "the image is too large"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string path = dir.File("keep.hex");
    WriteFile(path, "old");
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(path, c.produce, &error)) << c.what;
    EXPECT_EQ(error, "Cannot write " + path + ": " + c.reason) << c.what;
    EXPECT_EQ(ReadFile(path), "old") << c.what;
    EXPECT_TRUE(Temporaries(dir.Path()).empty()) << c.what;
  }
}

// Files the user keeps are synced before they are renamed into place (a
// rename first could leave the name over data not yet on disk after a
// power cut); the program's scratch files are not synced.
TEST(AtomicFile, KeptFilesAreSyncedBeforeTheRenameAndScratchFilesAreNot) {
  TempDir dir;
  const std::string kept = dir.File("kept.hex");
  WriteFile(kept, "old");
  std::vector<std::string> atSync;  // the target and the temporary files as each sync begins
  platform::SetSyncObserver([&] {
    atSync.push_back(ReadFile(kept));
    atSync.push_back(std::to_string(Temporaries(dir.Path()).size()));
  });
  const unsigned long before = platform::SyncCount();
  const bool written = WriteFileAtomically(kept, "data");
  platform::SetSyncObserver({});
  ASSERT_TRUE(written);
  EXPECT_EQ(atSync, (std::vector<std::string>{"old", "1"}));
  EXPECT_EQ(ReadFile(kept), "data");
  EXPECT_EQ(platform::SyncCount(), before + 1);
  ASSERT_TRUE(WriteFileAtomically(dir.File("kf_flash.hex"), "data", nullptr, Durability::scratch, FileOrigin::Own));
  EXPECT_EQ(platform::SyncCount(), before + 1);
}

TEST(AtomicFile, ASaveStoppedBySigtermLeavesNoTemporaryFile) {
  TempDir dir;
  const std::string target = dir.File("large.hex");
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::string big(std::size_t(96) << 20, 'A');
    WriteFileAtomically(target, big);
    ::_exit(0);
  }
  // Stop it as soon as its temporary file is there.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  bool seen = false;
  while (!seen && std::chrono::steady_clock::now() < deadline) {
    seen = !Temporaries(dir.Path()).empty();
    if (!seen && Exists(target)) break;  // finished before we looked
  }
  ::kill(child, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  if (!seen) GTEST_SKIP() << "the save finished before its temporary file was seen";
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "the signal still ends the process";
  EXPECT_TRUE(Temporaries(dir.Path()).empty());
}

TEST(AtomicFile, ReadingRefusesFoldersAndDevicesAndReadsPipes) {
  TempDir dir;
  std::string contents, error;
  EXPECT_FALSE(ReadWholeFile(dir.Path(), contents, &error));
  EXPECT_EQ(error, "Cannot open " + dir.Path() + ": it is a folder");
  EXPECT_FALSE(ReadWholeFile("/dev/zero", contents, &error));  // endless: must not be read
  EXPECT_EQ(error, "Cannot open /dev/zero: it is not a regular file");
  EXPECT_FALSE(ReadWholeFile("/proc/self/mem", contents, &error));
  EXPECT_EQ(error.rfind("Cannot read /proc/self/mem: ", 0), 0u) << error;
  EXPECT_FALSE(ReadWholeFile(dir.File("absent"), contents, &error));
  EXPECT_EQ(error, "Cannot open " + dir.File("absent") + ": No such file or directory");

  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] { WriteFileAtomically(fifo, std::string(200000, 'x')); });
  EXPECT_TRUE(ReadWholeFile(fifo, contents, &error)) << error;
  writer.join();
  EXPECT_EQ(contents, std::string(200000, 'x'));
}

}  // namespace
}  // namespace velmar::test
