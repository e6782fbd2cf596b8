// Temporary-file-and-replace writing, and whole-file reading, on Windows.
// The temporary file is created beside the target (never over an existing
// file), written in binary, flushed to disk for kept files, then put in the
// target's place: ReplaceFileW when a file is replaced (it keeps the old
// file's attributes and security), MoveFileExW for a new one. A folder or a
// device at the name is never replaced; a symbolic link the user named is
// followed, while the program's own files replace a link at their name.
// Names go to the system as UTF-16. As on other systems, a save stopped
// by Ctrl+C or Ctrl+Break (or the console closing) leaves no temporary file,
// and the temporary files a killed save of this program left (their name
// carries its mark and process id) are removed at the next save into their
// folder.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <set>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/win/WideText.h"

namespace velmar::platform {

namespace fs = std::filesystem;

namespace {

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  void Reset(HANDLE h) {
    Close();
    h_ = h;
  }
  bool Close() {
    if (!Valid()) return true;
    bool ok = CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

bool WriteAll(HANDLE h, std::string_view data) {
  while (!data.empty()) {
    DWORD chunk = data.size() > 0x40000000u ? 0x40000000u : DWORD(data.size());
    DWORD written = 0;
    if (!WriteFile(h, data.data(), chunk, &written, nullptr)) return false;
    data.remove_prefix(written);
  }
  return true;
}

// What a save finds at the name.
enum class Existing { none, file, link, folder, other };

Existing Look(const std::wstring& target) {
  DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Existing::none;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return Existing::link;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Existing::folder;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return Existing::other;
  return Existing::file;
}

// ---- Temporary files removed when the console stops the program ----
//
// The console runs its handler on a thread of its own, so the names of the
// files being written sit in a locked set. The files are opened sharing
// deletion, so the handler can delete them while they are still open; the
// system removes them when the process ends.

std::mutex& PendingLock() {
  static std::mutex* lock = new std::mutex;  // never destroyed: used up to exit
  return *lock;
}

std::set<std::wstring>& Pending() {
  static std::set<std::wstring>* names = new std::set<std::wstring>;
  return *names;
}

BOOL WINAPI RemovePendingOnStop(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT ||
      event == CTRL_SHUTDOWN_EVENT) {
    std::lock_guard<std::mutex> guard(PendingLock());
    for (const std::wstring& name : Pending()) DeleteFileW(name.c_str());
  }
  return FALSE;  // the next handler (in the end the system's) still stops the program
}

class PendingGuard {
 public:
  explicit PendingGuard(const std::wstring& name) : name_(name) {
    static const bool installed = SetConsoleCtrlHandler(RemovePendingOnStop, TRUE) != 0;
    (void)installed;
    std::lock_guard<std::mutex> guard(PendingLock());
    Pending().insert(name_);
  }
  ~PendingGuard() {
    std::lock_guard<std::mutex> guard(PendingLock());
    Pending().erase(name_);
  }
  PendingGuard(const PendingGuard&) = delete;
  PendingGuard& operator=(const PendingGuard&) = delete;

 private:
  std::wstring name_;
};

// ---- Stale temporary files ----

// When this process began, to the second: temporary files older than that
// cannot belong to a save of ours that is still under way. (The C runtime
// gives file times in whole seconds; one from the second the process began
// counts as new.)
const fs::file_time_type kProcessStart = std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now());

// How much older than the process a temporary file must be to count as left
// by a killed save: a file on a network share is stamped by the server's
// clock, which may lag ours, so a save another process began a moment ago
// could otherwise be taken for a stale one.
constexpr std::chrono::seconds kClockAllowance{60};

// A temporary file this old is abandoned whichever process made it.
constexpr std::chrono::hours kAbandoned{24};

// Whether the process with this id has ended.
bool ProcessGone(unsigned long pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
  if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
  DWORD code = 0;
  const bool ended = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
  CloseHandle(process);
  return ended;
}

// Removes, once per folder and process, the temporary files a killed save of
// this program left: plain files with our naming whose process has ended and
// that are older than this process (by more than the clock allowance: a
// save on a network share may come from another machine), or that are older
// than a day whatever their process id says (ids are reused). (The folders
// the program writes its own files to are the user's own.)
void RemoveStaleTemporaries(const fs::path& folder) {
  static std::mutex* lock = new std::mutex;
  static std::set<std::wstring>* swept = new std::set<std::wstring>;
  {
    std::lock_guard<std::mutex> guard(*lock);
    if (!swept->insert(folder.native()).second) return;
  }
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& name = it->path();
    const unsigned long owner = TemporaryOwner(Utf8Of(name.filename()));
    if (owner == 0) continue;
    std::error_code err;
    if (!fs::is_regular_file(fs::symlink_status(name, err)) || err) continue;
    const fs::file_time_type changed = fs::last_write_time(name, err);
    if (err) continue;
    const bool ownerGone = owner != GetCurrentProcessId() && ProcessGone(owner);
    if ((ownerGone && changed < kProcessStart - kClockAllowance) || changed < kProcessStart - kAbandoned)
      DeleteFileW(name.c_str());
  }
}

bool PutInPlace(const std::wstring& tmp, const std::wstring& target, bool replacing) {
  if (replacing &&
      ReplaceFileW(target.c_str(), tmp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
    return true;
  // A new file, or a replacement the file system cannot do in one step (some
  // network shares): the rename replaces the old file in one call.
  return MoveFileExW(tmp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace

std::string TemporaryNameFor(const std::string& target, unsigned long pid, unsigned suffix, TemporaryForm form) {
  const fs::path t = PathOf(target);
  const std::wstring own = L"velmar-tmp-" + std::to_wstring(pid) + L"-" + std::to_wstring(suffix);
  return Utf8Of(t.parent_path() /
                (form == TemporaryForm::full ? L"." + t.filename().native() + L"." + own : L"." + own));
}

bool WriteFileAtomically(const std::string& path, const std::function<bool(const AppendBytes&)>& produce,
                         std::string* error, Durability durability, FileOrigin origin) {
  if (path.empty()) {
    SetError(error, "Cannot write a file without a name");
    return false;
  }
  fs::path target = PathOf(path);
  Existing existing = Look(target.native());
  if (existing == Existing::link && origin == FileOrigin::User) {
    // The file the link names gets the new contents; the link stays.
    std::error_code ec;
    const fs::path real = fs::canonical(target, ec);
    if (!ec) {
      target = real;
      existing = Look(target.native());
    }
  }
  if (existing == Existing::folder || existing == Existing::other) {
    SetError(error, "Cannot write " + path +
                        (existing == Existing::folder ? ": it is a folder" : ": it is not a regular file"));
    return false;
  }
  const std::wstring targetName = target.native();
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = L".";
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    SetError(error, "Cannot write " + path + ": the folder " + Utf8Of(folder) + " does not exist");
    return false;
  }
  RemoveStaleTemporaries(folder);
  Handle file(INVALID_HANDLE_VALUE);
  DWORD openError = 0;
  const std::string created =
      CreateTemporary(Utf8Of(target), GetCurrentProcessId(), std::random_device{}(), [&](const std::string& name) {
        HANDLE h = CreateFileW(PathOf(name).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
          file.Reset(h);
          return TemporaryOpen::opened;
        }
        openError = GetLastError();
        if (openError == ERROR_FILE_EXISTS || openError == ERROR_ALREADY_EXISTS) return TemporaryOpen::nameTaken;
        if (openError == ERROR_FILENAME_EXCED_RANGE || openError == ERROR_INVALID_NAME)
          return TemporaryOpen::nameTooLong;
        return TemporaryOpen::failed;
      });
  if (created.empty()) {
    SetError(error, "Cannot write " + path + ": " + win::ErrorText(openError));
    return false;
  }
  const std::wstring tmpName = PathOf(created).native();
  PendingGuard pending(tmpName);
  bool ok = false;
  DWORD err = 0;
  try {
    ok = produce([&file](std::string_view bytes) { return WriteAll(file.get(), bytes); });
    if (!ok) err = GetLastError();
    if (ok && durability == Durability::kept) {
      NoteSync();
      ok = FlushFileBuffers(file.get()) != 0;
      if (!ok) err = GetLastError();
    }
  } catch (const std::exception& e) {
    file.Close();
    DeleteFileW(tmpName.c_str());
    SetError(error, "Cannot write " + path + ": " + e.what());
    return false;
  }
  if (!file.Close() && ok) {
    ok = false;
    err = GetLastError();
  }
  if (ok && !PutInPlace(tmpName, targetName, existing == Existing::file)) {
    ok = false;
    err = GetLastError();
  }
  if (!ok) {
    DeleteFileW(tmpName.c_str());
    SetError(error, "Cannot write " + path + ": " +
                        (err ? win::ErrorText(err) : std::string("the data could not be produced")));
  }
  return ok;
}

bool ReadWholeFile(const std::string& path, std::string& contents, std::string* error) {
  const fs::path name = PathOf(path);
  std::error_code ec;
  if (fs::is_directory(name, ec)) {
    SetError(error, "Cannot open " + path + ": it is a folder");
    return false;
  }
  Handle file(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    SetError(error, "Cannot open " + path + ": " + win::ErrorText(GetLastError()));
    return false;
  }
  // A file or a pipe is read; a device (the console, NUL) is no file.
  const DWORD type = GetFileType(file.get());
  if (type != FILE_TYPE_DISK && type != FILE_TYPE_PIPE) {
    SetError(error, "Cannot open " + path + ": it is not a regular file");
    return false;
  }
  contents.clear();
  char buffer[64 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
      DWORD err = GetLastError();
      if (err == ERROR_BROKEN_PIPE) break;  // a pipe's writer is done
      SetError(error, "Cannot read " + path + ": " + win::ErrorText(err));
      return false;
    }
    if (got == 0) break;
    contents.append(buffer, got);
  }
  return true;
}

}  // namespace velmar::platform
