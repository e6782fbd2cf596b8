// Temporary-file-and-replace writing, and whole-file reading, on Windows.
// The temporary file is created beside the target (never over an existing
// file), written in binary, flushed to disk for kept files, then put in the
// target's place: ReplaceFileW when a file is replaced (it keeps the old
// file's attributes and security), MoveFileExW for a new one. A folder or a
// device at the name is never replaced; a symbolic link the user named is
// followed, while the program's own files replace a link at their name.
// Names go to the system as UTF-16.
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/win/WideText.h"

namespace velmar::platform {

namespace fs = std::filesystem;

namespace {

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

std::atomic<unsigned long> g_syncs{0};

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
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

bool PutInPlace(const std::wstring& tmp, const std::wstring& target, bool replacing) {
  if (replacing && ReplaceFileW(target.c_str(), tmp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
    return true;
  // A new file, or a replacement the file system cannot do in one step (some
  // network shares): the rename replaces the old file in one call.
  return MoveFileExW(tmp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace

std::string TemporaryNameFor(const std::string& target, unsigned suffix) {
  const fs::path t = PathOf(target);
  return Utf8Of(t.parent_path() / (L"." + t.filename().native() + L".tmp" + std::to_wstring(suffix)));
}

unsigned long SyncCount() { return g_syncs.load(); }

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* error,
                         Durability durability, FileOrigin origin) {
  return WriteFileAtomically(
      path, [contents](const AppendBytes& append) { return append(contents); }, error, durability, origin);
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
    SetError(error, "Cannot write " + path + (existing == Existing::folder ? ": it is a folder" : ": it is not a regular file"));
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
  std::random_device rd;
  const std::wstring tmpName = PathOf(TemporaryNameFor(Utf8Of(target), rd() % 1000000)).native();

  Handle file(CreateFileW(tmpName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    SetError(error, "Cannot write " + path + ": " + win::ErrorText(GetLastError()));
    return false;
  }
  bool ok = false;
  DWORD err = 0;
  try {
    ok = produce([&file](std::string_view bytes) { return WriteAll(file.get(), bytes); });
    if (!ok) err = GetLastError();
    if (ok && durability == Durability::kept) {
      ++g_syncs;
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
    SetError(error, "Cannot write " + path + ": " + (err ? win::ErrorText(err) : std::string("the data could not be produced")));
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
