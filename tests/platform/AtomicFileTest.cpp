// Safe whole-file writing and reading: what a save does with each kind of
// thing it finds at the name (file, link, device, FIFO, folder), the
// program's own files against planted links, a missing folder, temporary
// files left by a killed save and removed on SIGTERM, and reading devices.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

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
    if (e.path().filename().string().find(".tmp") != std::string::npos) found.push_back(e.path().string());
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

TEST(AtomicFile, StaleTemporariesOfOurNamingAreRemovedAtTheFirstSaveIntoTheirFolder) {
  TempDir dir;
  auto plant = [&](const std::string& name, bool old, int ageSeconds = 3600) {
    WriteFile(dir.File(name), "leftover");
    if (!old) return;
    const timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - ageSeconds, 0}};
    ::utimensat(AT_FDCWD, dir.File(name).c_str(), times, 0);
  };
  const std::string stale = fs::path(platform::TemporaryNameFor(dir.File("big.hex"), 123456)).filename();
  plant(stale, true);                    // a killed save of ours: removed
  plant(".other.hex.tmp42", true);       // another target's: removed too
  plant(".fresh.hex.tmp7", false);       // newer than this process: a save under way
  plant(".lagging.hex.tmp8", true, 10);  // stamped by a clock a little behind ours: may be a save under way
  plant(".notes.tmp", true);             // no digits: not our naming
  plant("big.hex.tmp99", true);          // not hidden: not our naming
  plant(".x.hex.tmp12ab", true);         // not only digits
  fs::create_symlink(dir.File("big.hex"), dir.File(".link.hex.tmp5"));  // a link is never ours
  bool otherOwner = ::geteuid() == 0;
  if (otherOwner) {
    plant(".theirs.hex.tmp9", true);
    otherOwner = ::lchown(dir.File(".theirs.hex.tmp9").c_str(), 54321, 54321) == 0;
  }

  ASSERT_TRUE(WriteFileAtomically(dir.File("new.hex"), "data"));
  EXPECT_FALSE(Exists(dir.File(stale)));
  EXPECT_FALSE(Exists(dir.File(".other.hex.tmp42")));
  for (const char* kept : {".fresh.hex.tmp7", ".lagging.hex.tmp8", ".notes.tmp", "big.hex.tmp99", ".x.hex.tmp12ab"})
    EXPECT_TRUE(Exists(dir.File(kept))) << kept;
  EXPECT_TRUE(fs::is_symlink(dir.File(".link.hex.tmp5")));
  if (otherOwner) {
    EXPECT_TRUE(Exists(dir.File(".theirs.hex.tmp9")));
  }
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
