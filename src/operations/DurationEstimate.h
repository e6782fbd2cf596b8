// How long Erase Unit and Copy Unit take, told in their questions before
// they start. Worked out from the programmer's geometry (how many erase
// commands, how many page reads of what size) and the link: the protocol's
// own waits per command or page, the serial clocking of its bytes at the
// link's clock divisor, and what USB adds at the link's pacing, from a
// high-speed interface chip (the least) to a full-speed one (the most).
// The protocol part is what the simulated programmer's virtual clock
// counts; docs/PERFORMANCE.md gives the USB figures and how they were
// measured.
#pragma once

#include <cstdint>
#include <string>

#include "link/LinkPacing.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::link {
class TReadProg;
}

namespace velmar::ops {

// The link an operation runs over.
struct LinkTiming {
  link::LinkPacing pacing = link::LinkPacing::exact;
  std::uint32_t clockDivisor = 23;  // the serial clock: 6 MHz / (1 + divisor)
};
// The timing of `link` (none yet: its usual clock) at `pacing`.
LinkTiming TimingOf(link::LinkPacing pacing, const link::TReadProg* link);

struct DurationEstimate {
  std::uint64_t protocolMs = 0;  // waits and serial clocking
  std::uint64_t usbLeastMs = 0;  // added on a high-speed interface chip
  std::uint64_t usbMostMs = 0;   // added on a full-speed one
  std::uint64_t FromMs() const { return protocolMs + usbLeastMs; }
  std::uint64_t ToMs() const { return protocolMs + usbMostMs; }
};

// Erase Unit after a Read: the identification, then one erase command of
// 100 ms for every eight pages of the dataflash.
DurationEstimate EraseUnitDuration(const slot::ProgrammerGeometry& geometry, const LinkTiming& link);
// Copy Unit of `slots` listed slots after a Read: the link opened, the
// identification, then every page of those slots read (the 8-way's in two
// halves; with `verify` each at least twice).
DurationEstimate CopyUnitDuration(const slot::ProgrammerGeometry& geometry, int slots, bool verify,
                                  const LinkTiming& link);

// "about 6 min 55 s to 8 min 50 s" (each end rounded to 5 s above a
// minute), or "about 45 s" when both ends round alike.
std::string DurationText(const DurationEstimate& estimate);

}  // namespace velmar::ops
