// Real and virtual clocks.
#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace velmar::platform {

namespace {
std::uint64_t SteadyUs() {
  using namespace std::chrono;
  return std::uint64_t(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}
}  // namespace

void Clock::Sleep(std::uint32_t ms) {
  if (onSleep) onSleep(ms);
  slept_ += ms;
  DoSleep(ms);
}

RealClock::RealClock() : start_(SteadyUs()) {}

std::uint64_t RealClock::NowUs() const { return SteadyUs() - start_; }

void RealClock::DoSleep(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace velmar::platform
