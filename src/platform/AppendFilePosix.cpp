// Appending through a file descriptor with an flock lock.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/AppendFile.h"

namespace velmar::platform {

namespace {
std::string Reason() { return std::strerror(errno); }
}  // namespace

AppendFile::~AppendFile() { Close(); }

AppendFile::Opened AppendFile::Open(const std::string& path, std::string& reason) {
  Close();
  // Opened for reading too, to look at the last byte; a file the user may
  // only write to is still appended to. Never waits for a pipe's reader.
  // A symbolic link at the name (dangling or not) fails with ELOOP instead
  // of being followed.
  constexpr int flags = O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW;
  int fd = ::open(path.c_str(), O_RDWR | flags, 0644);
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_WRONLY | flags, 0644);
  if (fd < 0) {
    if (errno == ELOOP) return Opened::link;
    reason = Reason();
    return Opened::failed;
  }
  struct stat st {};
  const bool known = ::fstat(fd, &st) == 0;
  if (!known || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
    ::close(fd);
    return known && S_ISREG(st.st_mode) ? Opened::link : Opened::notRegularFile;
  }
  ::flock(fd, LOCK_EX);
  handle_ = fd;
  return Opened::yes;
}

void AppendFile::Close() {
  if (handle_ >= 0) ::close(int(handle_));
  handle_ = -1;
}

std::uint64_t AppendFile::Size() const {
  struct stat st {};
  return handle_ >= 0 && ::fstat(int(handle_), &st) == 0 ? std::uint64_t(st.st_size) : 0;
}

bool AppendFile::EndsWithNewline() const {
  const std::uint64_t size = Size();
  if (size == 0) return true;
  char last = '\n';
  return ::pread(int(handle_), &last, 1, off_t(size - 1)) != 1 || last == '\n';
}

bool AppendFile::Append(std::string_view bytes, std::string& reason) {
  ssize_t written;
  do {
    written = ::write(int(handle_), bytes.data(), bytes.size());
  } while (written < 0 && errno == EINTR);
  if (written != ssize_t(bytes.size())) {
    reason = written < 0 ? Reason() : "disk full";
    return false;
  }
  return true;
}

bool AppendFile::Sync(std::string& reason) {
  if (::fdatasync(int(handle_)) == 0) return true;
  reason = Reason();
  return false;
}

bool RenameReplacing(const std::string& from, const std::string& to, std::string& reason) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  reason = Reason();
  return false;
}

}  // namespace velmar::platform
