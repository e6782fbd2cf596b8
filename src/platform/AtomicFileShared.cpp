// What saves share on every system: the naming of the temporary files they
// write beside their target, the choice of a name no other file has, and a
// save of bytes already in memory (the systems differ only in how a save
// producing its bytes as it goes is done).
#include <atomic>
#include <cstddef>
#include <mutex>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

namespace velmar::platform {

namespace {

constexpr std::string_view kMark = "velmar-tmp-";

// The longest file name (one path component) file systems commonly allow.
constexpr std::size_t kLongestName = 255;

// How many taken names a save tries past before it gives up.
constexpr unsigned kAttempts = 100;

// Reads the digits at `at` up to `end`; false when there are none or too many.
bool Digits(const std::string& text, std::size_t at, std::size_t end, unsigned long& value) {
  if (at >= end || end - at > 9) return false;
  value = 0;
  for (std::size_t i = at; i < end; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + unsigned(text[i] - '0');
  }
  return true;
}

std::size_t LastComponentLength(const std::string& path) {
  const std::size_t cut = path.find_last_of(kPathSeparator == '/' ? "/" : "/\\");
  return cut == std::string::npos ? path.size() : path.size() - cut - 1;
}

std::atomic<unsigned long> g_syncs{0};
std::mutex g_observerMutex;
std::function<void()> g_syncObserver;

}  // namespace

unsigned long SyncCount() { return g_syncs.load(); }

void SetSyncObserver(std::function<void()> observer) {
  const std::lock_guard<std::mutex> lock(g_observerMutex);
  g_syncObserver = std::move(observer);
}

void NoteSync() {
  ++g_syncs;
  const std::lock_guard<std::mutex> lock(g_observerMutex);
  if (g_syncObserver) g_syncObserver();
}

// ".NAME.velmar-tmp-PID-SUFFIX" or ".velmar-tmp-PID-SUFFIX".
unsigned long TemporaryOwner(const std::string& name) {
  const std::size_t mark = name.rfind(kMark);
  if (mark == std::string::npos || name.empty() || name[0] != '.' || name[mark - 1] != '.') return 0;
  const std::size_t pidAt = mark + kMark.size();
  const std::size_t dash = name.find('-', pidAt);
  unsigned long pid = 0, suffix = 0;
  if (dash == std::string::npos || !Digits(name, pidAt, dash, pid) || !Digits(name, dash + 1, name.size(), suffix))
    return 0;
  return pid;
}

std::string CreateTemporary(const std::string& target, unsigned long pid, unsigned firstSuffix,
                            const std::function<TemporaryOpen(const std::string&)>& open) {
  TemporaryForm form = TemporaryForm::full;
  if (LastComponentLength(TemporaryNameFor(target, pid, 999999999u)) > kLongestName) form = TemporaryForm::brief;
  unsigned suffix = firstSuffix % 1000000000u;
  for (unsigned attempt = 0; attempt < kAttempts; ++attempt) {
    const std::string name = TemporaryNameFor(target, pid, suffix, form);
    switch (open(name)) {
      case TemporaryOpen::opened: return name;
      case TemporaryOpen::nameTaken: suffix = (suffix + 1) % 1000000000u; break;
      case TemporaryOpen::nameTooLong:
        if (form == TemporaryForm::brief) return {};
        form = TemporaryForm::brief;
        break;
      case TemporaryOpen::failed: return {};
    }
  }
  return {};
}

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* error, Durability durability,
                         FileOrigin origin) {
  return WriteFileAtomically(
      path, [contents](const AppendBytes& append) { return append(contents); }, error, durability, origin);
}

}  // namespace velmar::platform
