// What identifies one version of a file on disk: the volume and file
// number, the size and the time of the last change. A file replaced by
// another (a save renamed into place) or changed in place gets a different
// stamp, so a cache of the file's contents can tell it must read it again.
#pragma once

#include <cstdint>
#include <string>

namespace velmar::platform {

struct FileStamp {
  bool exists = false;
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedSeconds = 0;
  std::int64_t modifiedFraction = 0;  // nanoseconds (100 ns steps on Windows)
  bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path`; `exists` false when there is none.
FileStamp StampOf(const std::string& path);

}  // namespace velmar::platform
