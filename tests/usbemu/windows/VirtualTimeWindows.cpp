// The emulation's clock in ftd2xx.dll on Windows. A DLL cannot take over
// the program's own clock and sleeps there, so the program waits in real
// time; the emulation's clock is the real time since it was loaded plus the
// time USB would take, which the emulation adds as it goes. The program's
// fixed waits so reach the simulated programmer as they would on a bus.
#include "VirtualTime.h"

#include <atomic>
#include <chrono>

namespace velmar::usbemu {

namespace {
std::atomic<std::uint64_t> g_addedUs{0};

std::uint64_t RealUs() {
  using namespace std::chrono;
  static const steady_clock::time_point start = steady_clock::now();
  return std::uint64_t(duration_cast<microseconds>(steady_clock::now() - start).count());
}
}  // namespace

std::uint64_t NowUs() { return RealUs() + g_addedUs.load(); }
void AdvanceUs(std::uint64_t us) { g_addedUs += us; }

}  // namespace velmar::usbemu
