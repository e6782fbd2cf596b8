// File stamps from GetFileInformationByHandle: volume serial number, file
// index, size and the last-write time.
#include <windows.h>

#include "platform/FileStamp.h"
#include "platform/win/WideText.h"

namespace velmar::platform {

FileStamp StampOf(const std::string& path) {
  FileStamp s;
  HANDLE h = CreateFileW(win::Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return s;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(h, &info)) {
    s.exists = true;
    s.volume = info.dwVolumeSerialNumber;
    s.file = std::uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    s.size = std::uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    const std::uint64_t ticks =
        std::uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32 | info.ftLastWriteTime.dwLowDateTime;
    s.modifiedSeconds = std::int64_t(ticks / 10000000u);
    s.modifiedFraction = std::int64_t(ticks % 10000000u) * 100;
  }
  CloseHandle(h);
  return s;
}

}  // namespace velmar::platform
