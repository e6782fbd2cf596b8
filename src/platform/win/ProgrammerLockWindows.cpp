// The programmer lock with LockFileEx on one byte far beyond the holder's
// text (a locked range cannot be read on Windows); released by the system
// when the holder's handle closes, also when the process is killed.
#include <windows.h>

#include "platform/ProgrammerLock.h"
#include "platform/win/WideText.h"

namespace velmar::platform {

namespace {

HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

OVERLAPPED LockedByte() {
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  return at;
}

std::string ReadAll(HANDLE h) {
  char buffer[4096];
  DWORD got = 0;
  OVERLAPPED at{};
  if (!ReadFile(h, buffer, DWORD(sizeof buffer), &got, &at)) return {};
  return std::string(buffer, got);
}

}  // namespace

ProgrammerLock::~ProgrammerLock() { Release(); }

ProgrammerLock::Outcome ProgrammerLock::Take(const std::string& path, const std::string& command, bool wait) {
  Release();
  Outcome out;
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE h = CreateFileW(win::Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    out.reason = win::ErrorText(GetLastError());
    return out;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    CloseHandle(h);
    out.reason = "it is not a regular file";
    return out;
  }
  OVERLAPPED at = LockedByte();
  const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
  if (!LockFileEx(h, flags, 0, 1, 0, &at)) {
    const DWORD error = GetLastError();
    if (error == ERROR_LOCK_VIOLATION) {
      out.taken = Taken::busy;
      out.holder = LockHolderOf(ReadAll(h));
    } else {
      out.reason = win::ErrorText(error);
    }
    CloseHandle(h);
    return out;
  }
  const std::string text = LockHolderText(long(GetCurrentProcessId()), command);
  DWORD written = 0;
  OVERLAPPED start{};
  SetFilePointer(h, 0, nullptr, FILE_BEGIN);
  SetEndOfFile(h);
  WriteFile(h, text.data(), DWORD(text.size()), &written, &start);
  handle_ = reinterpret_cast<std::intptr_t>(h);
  out.taken = Taken::yes;
  return out;
}

void ProgrammerLock::Release() {
  if (handle_ == -1) return;
  HANDLE h = H(handle_);
  handle_ = -1;
  SetFilePointer(h, 0, nullptr, FILE_BEGIN);
  SetEndOfFile(h);
  OVERLAPPED at = LockedByte();
  UnlockFileEx(h, 0, 1, 0, &at);
  CloseHandle(h);
}

}  // namespace velmar::platform
