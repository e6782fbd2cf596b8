// Temporary-file-and-rename writing, and whole-file reading.
#include "platform/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmar::platform {

namespace fs = std::filesystem;

namespace {

std::string Reason(int err) { return std::strerror(err); }

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
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

// The file that a save replaces: through a link to the file it names, so the
// link stays a link (a dangling link is replaced itself).
fs::path Target(const std::string& path) {
  std::error_code ec;
  if (!fs::is_symlink(path, ec)) return path;
  fs::path real = fs::canonical(path, ec);
  return ec ? fs::path(path) : real;
}

std::atomic<unsigned long> g_syncs{0};

bool Sync(int fd) {
  ++g_syncs;
  return ::fsync(fd) == 0;
}

}  // namespace

unsigned long SyncCount() { return g_syncs.load(); }

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* error,
                         Durability durability) {
  return WriteFileAtomically(
      path, [contents](const AppendBytes& append) { return append(contents); }, error, durability);
}

bool WriteFileAtomically(const std::string& path, const std::function<bool(const AppendBytes&)>& produce,
                         std::string* error, Durability durability) {
  fs::path target = Target(path);
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::random_device rd;
  std::string tmpName = "." + target.filename().string() + ".tmp" + std::to_string(rd() % 1000000);
  fs::path tmp = folder / tmpName;

  // A file that is replaced keeps its permissions (a private profile stays
  // private); a new one gets the usual ones.
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    SetError(error, "Cannot write " + path + ": " + Reason(errno));
    return false;
  }
  if (replacing) (void)::fchmod(fd, old.st_mode & 07777);
  errno = 0;
  bool ok = false;
  try {
    ok = produce([fd](std::string_view bytes) { return WriteAll(fd, bytes); }) &&
         (durability == Durability::scratch || Sync(fd));
  } catch (const std::exception& e) {
    ::close(fd);
    ::unlink(tmp.c_str());
    SetError(error, "Cannot write " + path + ": " + e.what());
    return false;
  }
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
    SetError(error, "Cannot write " + path + ": " + Reason(err));
  }
  return ok;
}

bool ReadWholeFile(const std::string& path, std::string& contents, std::string* error) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    SetError(error, "Cannot open " + path + ": it is a folder");
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    SetError(error, "Cannot open " + path + ": " + Reason(errno));
    return false;
  }
  // Regular files are read in one piece; anything without a size (a pipe)
  // character by character.
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size >= 0) {
    in.seekg(0, std::ios::beg);
    contents.resize(std::size_t(size));
    in.read(contents.data(), size);
    contents.resize(std::size_t(in.gcount()));
  } else {
    in.clear();
    contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (in.bad()) {
    SetError(error, "Cannot read " + path);
    return false;
  }
  return true;
}

}  // namespace velmar::platform
