// Appending through a Windows file handle: shared for deleting so that the
// file can be renamed while held, locked with LockFileEx, synced with
// FlushFileBuffers. A link at the name (a symbolic link, a junction or a
// second hard link) is opened as itself and refused, never written through.
#include <windows.h>

#include "platform/AppendFile.h"
#include "platform/win/WideText.h"

namespace velmar::platform {

namespace {
HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

AppendFile::~AppendFile() { Close(); }

AppendFile::Opened AppendFile::Open(const std::string& path, std::string& reason) {
  Close();
  const std::wstring name = win::Widen(path);
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const DWORD attributes = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
  HANDLE h =
      CreateFileW(name.c_str(), GENERIC_READ | FILE_APPEND_DATA, share, nullptr, OPEN_ALWAYS, attributes, nullptr);
  if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
    h = CreateFileW(name.c_str(), FILE_APPEND_DATA, share, nullptr, OPEN_ALWAYS, attributes, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    reason = win::ErrorText(GetLastError());
    return Opened::failed;
  }
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return Opened::notRegularFile;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      info.nNumberOfLinks != 1) {
    CloseHandle(h);
    return Opened::link;
  }
  OVERLAPPED whole{};
  LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
  handle_ = reinterpret_cast<std::intptr_t>(h);
  return Opened::yes;
}

void AppendFile::Close() {
  if (handle_ == -1) return;
  OVERLAPPED whole{};
  UnlockFileEx(H(handle_), 0, MAXDWORD, MAXDWORD, &whole);
  CloseHandle(H(handle_));
  handle_ = -1;
}

std::uint64_t AppendFile::Size() const {
  LARGE_INTEGER size{};
  return handle_ != -1 && GetFileSizeEx(H(handle_), &size) ? std::uint64_t(size.QuadPart) : 0;
}

bool AppendFile::EndsWithNewline() const {
  const std::uint64_t size = Size();
  if (size == 0) return true;
  OVERLAPPED at{};
  at.Offset = DWORD((size - 1) & 0xFFFFFFFFu);
  at.OffsetHigh = DWORD((size - 1) >> 32);
  char last = '\n';
  DWORD got = 0;
  return !ReadFile(H(handle_), &last, 1, &got, &at) || got != 1 || last == '\n';
}

bool AppendFile::Append(std::string_view bytes, std::string& reason) {
  DWORD written = 0;
  if (!WriteFile(H(handle_), bytes.data(), DWORD(bytes.size()), &written, nullptr)) {
    reason = win::ErrorText(GetLastError());
    return false;
  }
  if (written != bytes.size()) {
    reason = "disk full";
    return false;
  }
  return true;
}

bool AppendFile::Sync(std::string& reason) {
  if (FlushFileBuffers(H(handle_))) return true;
  reason = win::ErrorText(GetLastError());
  return false;
}

bool RenameReplacing(const std::string& from, const std::string& to, std::string& reason) {
  if (MoveFileExW(win::Widen(from).c_str(), win::Widen(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  reason = win::ErrorText(GetLastError());
  return false;
}

}  // namespace velmar::platform
