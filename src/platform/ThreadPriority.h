// The calling thread's scheduling priority, raised for the time-critical
// stretches of a firmware update (programming and reading back the
// programmer's controller) and put back afterwards. On Windows this is the
// thread priority; elsewhere it is the thread's nice value, and raising it
// needs a privilege the user rarely has, so every change is best effort and
// a refusal is ignored.
#pragma once

namespace velmar::platform {

class ThreadPriority {
 public:
  virtual ~ThreadPriority() = default;
  // The calling thread's priority, in the platform's own units.
  virtual int Get() = 0;
  // Raises the calling thread to the highest priority it may have.
  virtual void SetHighest() = 0;
  // Puts back a value that Get returned.
  virtual void Set(int priority) = 0;
};

// The operating system's calls.
class SystemThreadPriority final : public ThreadPriority {
 public:
  int Get() override;
  void SetHighest() override;
  void Set(int priority) override;
};

// Raises the priority for its lifetime and restores what it found, on every
// way out of the scope.
class RaisedPriority {
 public:
  explicit RaisedPriority(ThreadPriority& priority) : priority_(priority), saved_(priority.Get()) {
    priority_.SetHighest();
  }
  ~RaisedPriority() { priority_.Set(saved_); }
  RaisedPriority(const RaisedPriority&) = delete;
  RaisedPriority& operator=(const RaisedPriority&) = delete;

 private:
  ThreadPriority& priority_;
  int saved_;
};

}  // namespace velmar::platform
