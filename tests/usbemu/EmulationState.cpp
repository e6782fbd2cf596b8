// What the emulation keeps for the whole process on every system: where the
// time went, and the one lock its entry points hold.
#include "VirtualTime.h"

namespace velmar::usbemu {

TimeAccount& Account() {
  static TimeAccount account;
  return account;
}

std::recursive_mutex& EmulationLock() {
  static std::recursive_mutex lock;
  return lock;
}

}  // namespace velmar::usbemu
