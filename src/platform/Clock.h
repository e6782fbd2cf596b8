// Every fixed wait of the programmer protocol goes through a Clock. On real
// hardware the RealClock sleeps; with the simulated programmer the
// VirtualClock advances instantly and adds the time up, so an operation can
// report how long it would have taken on the wire.
#pragma once

#include <cstdint>
#include <functional>

namespace velmar::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Waits `ms` milliseconds (really or virtually).
  void Sleep(std::uint32_t ms);
  // Milliseconds since the clock was made.
  virtual std::uint64_t NowMs() const = 0;
  // Total of all waits made through Sleep.
  std::uint64_t SleptMs() const { return slept_; }
  // Called before every wait (the trace writes "Sleep N" from here).
  std::function<void(std::uint32_t)> onSleep;

 protected:
  virtual void DoSleep(std::uint32_t ms) = 0;

 private:
  std::uint64_t slept_ = 0;
};

class RealClock final : public Clock {
 public:
  RealClock();
  std::uint64_t NowMs() const override;

 protected:
  void DoSleep(std::uint32_t ms) override;

 private:
  std::uint64_t start_;
};

class VirtualClock final : public Clock {
 public:
  std::uint64_t NowMs() const override { return now_; }
  // Moves virtual time on without counting it as a wait of the loader (the
  // simulator uses this for the time bytes take on the wire).
  void Advance(std::uint64_t ms) { now_ += ms; }

 protected:
  void DoSleep(std::uint32_t ms) override { now_ += ms; }

 private:
  std::uint64_t now_ = 0;
};

}  // namespace velmar::platform
