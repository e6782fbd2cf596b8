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
  // Microseconds since the clock was made (for what happens between two
  // bytes on the wire; a clock that keeps only milliseconds gives those).
  virtual std::uint64_t NowUs() const { return NowMs() * 1000; }
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
  std::uint64_t NowMs() const override { return NowUs() / 1000; }
  std::uint64_t NowUs() const override;

 protected:
  void DoSleep(std::uint32_t ms) override;

 private:
  std::uint64_t start_;  // microseconds
};

class VirtualClock final : public Clock {
 public:
  std::uint64_t NowMs() const override { return nowUs_ / 1000; }
  std::uint64_t NowUs() const override { return nowUs_; }
  // Moves virtual time on without counting it as a wait of the loader (the
  // simulator uses this for the time bytes take on the wire and USB takes).
  void Advance(std::uint64_t ms) { nowUs_ += ms * 1000; }
  void AdvanceUs(std::uint64_t us) { nowUs_ += us; }

 protected:
  void DoSleep(std::uint32_t ms) override { nowUs_ += std::uint64_t(ms) * 1000; }

 private:
  std::uint64_t nowUs_ = 0;
};

}  // namespace velmar::platform
