// An advisory lock on one programmer, held for the whole of one run's use
// of it, so that two Velmar processes never talk to the same programmer at
// once (one's result would be lost under the other's). The lock is a small
// file named after the programmer (its USB location, or the simulated
// programmer's state file); the holder writes its process id and command
// into it, so that the process turned away can name it. The system drops
// the lock when the holder ends, however it ends.
#pragma once

#include <cstdint>
#include <string>

namespace velmar::platform {

class ProgrammerLock {
 public:
  ProgrammerLock() = default;
  ~ProgrammerLock();
  ProgrammerLock(const ProgrammerLock&) = delete;
  ProgrammerLock& operator=(const ProgrammerLock&) = delete;

  enum class Taken { yes, busy, failed };
  struct Outcome {
    Taken taken = Taken::failed;
    std::string holder;  // busy: "process 1234 (velmar-cli new ...)", or "" when it cannot be read
    std::string reason;  // failed: the system's words
  };
  // Takes the lock of the file at `path` (created when missing; a link or
  // a file that is not regular is refused). When another process holds it,
  // waits for it when `wait` is set, or else returns busy at once. While
  // held, the file says this process's id and `command`.
  Outcome Take(const std::string& path, const std::string& command, bool wait);
  void Release();
  bool Held() const { return handle_ != -1; }

 private:
  std::intptr_t handle_ = -1;
};

// The text a holder writes into its lock file, and the words naming it
// that are read back from one: "process PID (COMMAND)".
std::string LockHolderText(long pid, const std::string& command);
std::string LockHolderOf(const std::string& fileText);

}  // namespace velmar::platform
