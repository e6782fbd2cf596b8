// File stamps from stat: device, inode, size and the nanosecond time.
#include <sys/stat.h>

#include "platform/FileStamp.h"

namespace velmar::platform {

FileStamp StampOf(const std::string& path) {
  FileStamp s;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return s;
  s.exists = true;
  s.volume = std::uint64_t(st.st_dev);
  s.file = std::uint64_t(st.st_ino);
  s.size = std::uint64_t(st.st_size);
  s.modifiedSeconds = std::int64_t(st.st_mtim.tv_sec);
  s.modifiedFraction = std::int64_t(st.st_mtim.tv_nsec);
  return s;
}

}  // namespace velmar::platform
