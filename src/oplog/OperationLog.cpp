// Appending to and reading the operation log.
#include "oplog/OperationLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmar::oplog {

namespace {

std::string Reason() { return std::strerror(errno); }

// Opens the log for appending: created when missing; never a folder, a
// device or a pipe (opening a pipe must not wait for a reader).
int OpenForAppend(const std::string& path, std::string* error) {
  // Opened for reading too, to look at the last byte; a log the user may
  // only write to is still appended to.
  constexpr int flags = O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK;
  int fd = ::open(path.c_str(), O_RDWR | flags, 0644);
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_WRONLY | flags, 0644);
  if (fd < 0) {
    *error = "The operation log " + path + " cannot be opened: " + Reason();
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    *error = "The operation log " + path + " is not a regular file";
    return -1;
  }
  ::flock(fd, LOCK_EX);  // another Velmar rotating the same log waits
  return fd;
}

std::uint64_t SizeOf(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 ? std::uint64_t(st.st_size) : 0;
}

// True when the file's last byte ends a line (or the file is empty).
bool EndsWithNewline(int fd) {
  const std::uint64_t size = SizeOf(fd);
  if (size == 0) return true;
  char last = '\n';
  return ::pread(fd, &last, 1, off_t(size - 1)) != 1 || last == '\n';
}

}  // namespace

bool OperationLog::Append(const std::string& line, std::string* error) {
  std::string problem;
  int fd = OpenForAppend(path_, &problem);
  if (fd < 0) {
    *error = problem;
    return false;
  }
  std::string rotation;
  if (SizeOf(fd) >= rotationBytes_) {
    if (::rename(path_.c_str(), PreviousPath().c_str()) != 0) {
      rotation = "The operation log " + path_ + " could not be renamed to " + PreviousPath() + ": " + Reason();
    } else {
      ::close(fd);
      fd = OpenForAppend(path_, &problem);
      if (fd < 0) {
        *error = problem;
        return false;
      }
    }
  }
  // A line torn by an earlier failure stays apart from this record.
  const std::string whole = EndsWithNewline(fd) ? line : "\n" + line;
  ssize_t written;
  do {
    written = ::write(fd, whole.data(), whole.size());
  } while (written < 0 && errno == EINTR);
  bool ok = written == ssize_t(whole.size());
  if (!ok) problem = "The operation log " + path_ + " could not be written: " + (written < 0 ? Reason() : "disk full");
  if (ok && ::fdatasync(fd) != 0) {
    ok = false;
    problem = "The operation log " + path_ + " could not be flushed: " + Reason();
  }
  ::close(fd);
  if (!ok) {
    *error = problem;
    return false;
  }
  if (!rotation.empty()) *error = rotation;
  return true;
}

namespace {

void ReadFile(const std::string& path, LogReading& out) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) out.warnings.push_back(path + ": " + Reason());
    return;
  }
  if (!S_ISREG(st.st_mode)) {
    out.warnings.push_back(path + ": not a regular file");
    return;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    out.warnings.push_back(path + ": cannot be opened");
    return;
  }
  std::string line;
  for (std::size_t number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    nlohmann::ordered_json record = nlohmann::ordered_json::parse(line, nullptr, false);
    if (record.is_discarded() || !record.is_object() || !record.contains("operation") || !record.contains("result")) {
      out.warnings.push_back(path + " line " + std::to_string(number) + ": not a whole record, skipped");
      continue;
    }
    out.records.push_back(std::move(record));
  }
}

}  // namespace

LogReading OperationLog::Read() const {
  LogReading out;
  ReadFile(PreviousPath(), out);
  ReadFile(path_, out);
  return out;
}

}  // namespace velmar::oplog
