// The emulation's clock. Every process the emulation is preloaded into runs
// on virtual time: its monotonic clock reads this counter and its sleeps
// move it on at once, so fixed waits cost nothing and the time USB would
// take (packets, frames, latency timer) is added where it would be spent.
// A wait for events (poll) passes as much virtual time as it takes real
// time, so that an idle event loop's timers come due.
// The counters say where the time went, for the estimate of real USB time.
#pragma once

#include <cstdint>
#include <mutex>

namespace velmar::usbemu {

struct TimeAccount {
  std::uint64_t sleptUs = 0;    // the program's own waits
  std::uint64_t usbUs = 0;      // packets and frame waits of transfers
  std::uint64_t latencyUs = 0;  // waits for the chip's latency timer
  std::uint64_t wireUs = 0;     // serial clocking of the MPSSE engine
  std::uint64_t bulkOut = 0;    // transfers
  std::uint64_t bulkIn = 0;
  std::uint64_t control = 0;
  std::uint64_t portResets = 0;  // the device left the bus and came back
  std::int64_t openHandles = 0;  // handles opened and not yet closed
};

// Microseconds of virtual time since the emulation started.
std::uint64_t NowUs();
void AdvanceUs(std::uint64_t us);
TimeAccount& Account();
// The one lock every entry point of the emulation holds.
std::recursive_mutex& EmulationLock();

}  // namespace velmar::usbemu
