// Real and virtual clocks.
#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace velmar::platform {

namespace {
std::uint64_t SteadyMs() {
  using namespace std::chrono;
  return std::uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
}  // namespace

void Clock::Sleep(std::uint32_t ms) {
  if (onSleep) onSleep(ms);
  slept_ += ms;
  DoSleep(ms);
}

RealClock::RealClock() : start_(SteadyMs()) {}

std::uint64_t RealClock::NowMs() const { return SteadyMs() - start_; }

void RealClock::DoSleep(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace velmar::platform
