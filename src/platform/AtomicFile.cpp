// Temporary-file-and-rename writing, and whole-file reading.
#include "platform/AtomicFile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmar::platform {

namespace fs = std::filesystem;

namespace {

// When this process began: temporary files older than that cannot belong to
// a save of ours that is still under way.
const std::chrono::system_clock::time_point kProcessStart = std::chrono::system_clock::now();

// How much older than the process a temporary file must be to count as left
// by a killed save. File times come from the file system's own clock, which
// may lag this process's (the kernel stamps with a coarse clock; a network
// share stamps with the server's): without this allowance a save that
// another process began a moment ago could be taken for a stale one.
constexpr std::chrono::seconds kClockAllowance{60};

// A temporary file this old is abandoned whichever process made it.
constexpr std::chrono::hours kAbandoned{24};

std::string Reason(int err) { return std::strerror(err); }

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

bool WriteAll(int fd, std::string_view data) {
  const char* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= std::size_t(n);
  }
  return true;
}

// ---- Temporary files removed on SIGINT and SIGTERM ----
//
// The handler may only use async-signal-safe calls, so the names of the
// temporary files being written live in fixed buffers claimed by a flag.

constexpr std::size_t kPendingSlots = 16;
constexpr std::size_t kPendingPathMax = 4096;

struct PendingTemp {
  std::atomic<bool> used{false};
  char path[kPendingPathMax] = {};
};
std::array<PendingTemp, kPendingSlots> pending;
std::mutex pendingClaim;

struct sigaction previousInt {};
struct sigaction previousTerm {};

void RemovePendingAndRaise(int sig) {
  for (PendingTemp& p : pending)
    if (p.used.load()) ::unlink(p.path);
  const struct sigaction& previous = sig == SIGINT ? previousInt : previousTerm;
  if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN && !(previous.sa_flags & SA_SIGINFO)) {
    previous.sa_handler(sig);
    return;
  }
  ::sigaction(sig, &previous, nullptr);
  ::raise(sig);
}

bool Sync(int fd) {
  NoteSync();
  return ::fsync(fd) == 0;
}

void InstallHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_handler = RemovePendingAndRaise;
    ::sigemptyset(&action.sa_mask);
    for (auto [sig, previous] : {std::pair{SIGINT, &previousInt}, std::pair{SIGTERM, &previousTerm}}) {
      struct sigaction current {};
      ::sigaction(sig, nullptr, &current);
      // A signal someone ignores, or handles with extra information, stays theirs.
      if (current.sa_handler == SIG_IGN || (current.sa_flags & SA_SIGINFO)) continue;
      *previous = current;
      ::sigaction(sig, &action, nullptr);
    }
  });
}

// Registers a temporary file for removal on a signal for as long as it lives.
class PendingGuard {
 public:
  PendingGuard() { InstallHandlers(); }
  ~PendingGuard() { Clear(); }
  PendingGuard(const PendingGuard&) = delete;
  PendingGuard& operator=(const PendingGuard&) = delete;

  // Names the file to remove; done before the file is made, so a signal
  // between the two leaves nothing behind.
  void Set(const std::string& path) {
    Clear();
    if (path.size() >= kPendingPathMax) return;
    std::lock_guard<std::mutex> lock(pendingClaim);
    for (PendingTemp& p : pending) {
      if (p.used.load()) continue;
      std::memcpy(p.path, path.c_str(), path.size() + 1);
      p.used.store(true);
      slot_ = &p;
      return;
    }
  }

  void Clear() {
    if (slot_) slot_->used.store(false);
    slot_ = nullptr;
  }

 private:
  PendingTemp* slot_ = nullptr;
};

// ---- Stale temporary files ----

// Whether the process with this id has ended (on this machine).
bool ProcessGone(unsigned long pid) { return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH; }

// Removes, once per folder and process, the temporary files a killed save of
// this program left: plain files of this user with our naming whose process
// has ended and that are older than this process (by more than the clock
// allowance: a save on a network share may come from a process of another
// machine), or that are older than a day whatever their process id says
// (ids are reused).
void RemoveStaleTemporaries(const fs::path& folder) {
  // Never destroyed: a save made by another object's destructor at exit
  // (the USB emulation saves its state then) must still find them.
  static std::mutex* lock = new std::mutex;
  static std::set<std::string>* swept = new std::set<std::string>;
  {
    std::lock_guard<std::mutex> guard(*lock);
    if (!swept->insert(folder.string()).second) return;
  }
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  const auto startedBefore = std::chrono::system_clock::to_time_t(kProcessStart - kClockAllowance);
  const auto dayOld = std::chrono::system_clock::to_time_t(kProcessStart - kAbandoned);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    const unsigned long owner = TemporaryOwner(name);
    if (owner == 0) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    const bool ownerGone = owner != static_cast<unsigned long>(::getpid()) && ProcessGone(owner);
    if ((ownerGone && st.st_mtime < startedBefore) || st.st_mtime < dayOld) ::unlinkat(::dirfd(dir), name.c_str(), 0);
  }
  ::closedir(dir);
}

// ---- What is at the target's name ----

enum class Found { Nothing, RegularFile, Stream, Folder, Other };

Found Classify(const struct stat& st) {
  if (S_ISREG(st.st_mode)) return Found::RegularFile;
  if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) return Found::Stream;
  if (S_ISDIR(st.st_mode)) return Found::Folder;
  return Found::Other;
}

using Producer = std::function<bool(const AppendBytes&)>;

// Runs `produce` over an open file; a throwing producer counts as a failure
// whose reason is the exception's text.
bool Produce(int fd, const Producer& produce, std::string& thrown) {
  try {
    return produce([fd](std::string_view bytes) { return WriteAll(fd, bytes); });
  } catch (const std::exception& e) {
    thrown = e.what();
    return false;
  }
}

// Writes into a character device or FIFO as a program writing to it would.
bool WriteInto(const std::string& path, const Producer& produce, std::string* error) {
  int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return Fail(error, "Cannot write " + path + ": " + Reason(errno));
  errno = 0;
  std::string thrown;
  bool ok = Produce(fd, produce, thrown);
  int err = errno ? errno : EIO;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (!thrown.empty()) return Fail(error, "Cannot write " + path + ": " + thrown);
  return ok || Fail(error, "Cannot write " + path + ": " + Reason(err));
}

bool ReplaceByRename(const std::string& path, const fs::path& target, const Producer& produce, Durability durability,
                     std::string* error) {
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  struct stat folderStat {};
  if (::stat(folder.c_str(), &folderStat) != 0 || !S_ISDIR(folderStat.st_mode))
    return Fail(error, "Cannot write " + path + ": the folder " + folder.string() + " does not exist");
  RemoveStaleTemporaries(folder);

  // A file that is replaced keeps its permissions (a private profile stays
  // private); a new one gets the usual ones.
  struct stat old {};
  const bool replacing = ::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  PendingGuard guard;
  int fd = -1;
  int openError = 0;
  const std::string tmp =
      CreateTemporary(target.string(), (unsigned long)::getpid(), std::random_device{}(), [&](const std::string& name) {
        guard.Set(name);
        fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) return TemporaryOpen::opened;
        openError = errno;
        guard.Clear();  // the name may be another file's
        if (openError == EEXIST) return TemporaryOpen::nameTaken;
        if (openError == ENAMETOOLONG) return TemporaryOpen::nameTooLong;
        return TemporaryOpen::failed;
      });
  if (tmp.empty()) return Fail(error, "Cannot write " + path + ": " + Reason(openError));
  if (replacing) (void)::fchmod(fd, old.st_mode & 07777);
  errno = 0;
  std::string thrown;
  bool ok = Produce(fd, produce, thrown) && (durability == Durability::scratch || Sync(fd));
  int err = errno ? errno : EIO;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(tmp.c_str());
    return Fail(error, "Cannot write " + path + ": " + (thrown.empty() ? Reason(err) : thrown));
  }
  return true;
}

std::string Refusal(const std::string& path, Found found) {
  return "Cannot write " + path + (found == Found::Folder ? ": it is a folder" : ": it is not a regular file");
}

}  // namespace

std::string TemporaryNameFor(const std::string& target, unsigned long pid, unsigned suffix, TemporaryForm form) {
  const fs::path t(target);
  const std::string own = "velmar-tmp-" + std::to_string(pid) + "-" + std::to_string(suffix);
  const std::string name = form == TemporaryForm::full ? "." + t.filename().string() + "." + own : "." + own;
  return (t.parent_path() / name).string();
}

bool WriteFileAtomically(const std::string& path, const std::function<bool(const AppendBytes&)>& produce,
                         std::string* error, Durability durability, FileOrigin origin) {
  if (path.empty()) return Fail(error, "Cannot write a file without a name");
  struct stat here {};
  if (::lstat(path.c_str(), &here) != 0) {
    if (errno != ENOENT) return Fail(error, "Cannot write " + path + ": " + Reason(errno));
    return ReplaceByRename(path, path, produce, durability, error);
  }
  if (!S_ISLNK(here.st_mode)) {
    const Found found = Classify(here);
    if (found == Found::RegularFile) return ReplaceByRename(path, path, produce, durability, error);
    if (found == Found::Stream && origin == FileOrigin::User) return WriteInto(path, produce, error);
    return Fail(error, Refusal(path, found));
  }
  // A link. The program's own files replace it; a file the user named is
  // written where the link leads (a dangling link is replaced itself).
  if (origin == FileOrigin::Own) return ReplaceByRename(path, path, produce, durability, error);
  struct stat there {};
  if (::stat(path.c_str(), &there) != 0) return ReplaceByRename(path, path, produce, durability, error);
  const Found found = Classify(there);
  if (found == Found::Stream) return WriteInto(path, produce, error);
  if (found != Found::RegularFile) return Fail(error, Refusal(path, found));
  std::error_code ec;
  const fs::path real = fs::canonical(path, ec);
  if (ec) return Fail(error, "Cannot write " + path + ": " + ec.message());
  return ReplaceByRename(path, real, produce, durability, error);
}

bool ReadWholeFile(const std::string& path, std::string& contents, std::string* error) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(error, "Cannot open " + path + ": " + Reason(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode))) {
    const bool folder = S_ISDIR(st.st_mode);
    ::close(fd);
    return Fail(error, "Cannot open " + path + (folder ? ": it is a folder" : ": it is not a regular file"));
  }
  // Regular files are read at their size; a pipe (or a file the system
  // reports without one) until its end.
  contents.clear();
  if (S_ISREG(st.st_mode) && st.st_size > 0) contents.reserve(std::size_t(st.st_size));
  char buffer[65536];
  while (true) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      contents.clear();
      return Fail(error, "Cannot read " + path + ": " + Reason(err));
    }
    contents.append(buffer, std::size_t(n));
  }
  ::close(fd);
  return true;
}

}  // namespace velmar::platform
