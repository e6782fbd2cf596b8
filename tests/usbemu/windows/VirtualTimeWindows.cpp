// The emulation's clock in ftd2xx.dll on Windows. A DLL cannot take over
// the program's own clock and sleeps there, so the program waits in real
// time; the emulation still counts the time USB would take on its own
// virtual clock, which its read time-outs go by.
#include "VirtualTime.h"

#include <atomic>

namespace velmar::usbemu {

namespace {
std::atomic<std::uint64_t> g_nowUs{0};
}  // namespace

std::uint64_t NowUs() { return g_nowUs.load(); }
void AdvanceUs(std::uint64_t us) { g_nowUs += us; }
TimeAccount& Account() {
  static TimeAccount account;
  return account;
}
std::recursive_mutex& EmulationLock() {
  static std::recursive_mutex lock;
  return lock;
}

}  // namespace velmar::usbemu
