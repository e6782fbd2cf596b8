// The programmer lock with flock: released by the system when the holder's
// descriptor closes, also when the process is killed.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/ProgrammerLock.h"

namespace velmar::platform {

namespace {

std::string Reason() { return std::strerror(errno); }

std::string ReadAll(int fd) {
  std::string text;
  char buffer[512];
  off_t at = 0;
  for (ssize_t n; (n = ::pread(fd, buffer, sizeof buffer, at)) > 0 && text.size() < 4096; at += n)
    text.append(buffer, std::size_t(n));
  return text;
}

}  // namespace

ProgrammerLock::~ProgrammerLock() { Release(); }

ProgrammerLock::Outcome ProgrammerLock::Take(const std::string& path, const std::string& command, bool wait) {
  Release();
  Outcome out;
  // The lock file of a programmer on USB lies in the shared temporary
  // folder, where another user's run may have made it. Linux with
  // fs.protected_regular (the default on many systems) refuses O_CREAT on
  // another user's file in a sticky, world-writable folder with EACCES,
  // even when its mode lets everyone write and it already exists; so an
  // EACCES is tried again without O_CREAT, for writing (the file is made
  // writable by all) and, failing that, for reading: a descriptor opened for
  // reading can be locked all the same. (Not tested: it needs a file owned
  // by another user.)
  constexpr int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | flags, 0666);
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDWR | flags);
  const bool writable = fd >= 0;
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | flags);
  if (fd < 0) {
    out.reason = errno == ELOOP ? "it is a link" : Reason();
    return out;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    out.reason = "it is not a regular file";
    return out;
  }
  if (writable) ::fchmod(fd, 0666);  // others' runs must be able to take it after us
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) {
      out.reason = Reason();
      ::close(fd);
      return out;
    }
    if (!wait) {
      out.taken = Taken::busy;
      out.holder = LockHolderOf(ReadAll(fd));
      ::close(fd);
      return out;
    }
    int r;
    while ((r = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (r != 0) {
      out.reason = Reason();
      ::close(fd);
      return out;
    }
  }
  if (writable) {
    const std::string text = LockHolderText(long(::getpid()), command);
    if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, text.data(), text.size(), 0) < 0) {
      // Only the name of the holder is lost; the lock holds all the same.
    }
  }
  handle_ = fd;
  out.taken = Taken::yes;
  return out;
}

void ProgrammerLock::Release() {
  if (handle_ == -1) return;
  const int fd = int(handle_);
  handle_ = -1;
  // Emptied first, so that a reader never names a process that has ended.
  if (::ftruncate(fd, 0) != 0) {
    // A read-only descriptor: the next holder overwrites the text.
  }
  ::close(fd);
}

}  // namespace velmar::platform
