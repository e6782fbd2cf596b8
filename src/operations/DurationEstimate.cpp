// The estimates of the whole-unit operations.
#include "operations/DurationEstimate.h"

#include "link/TReadProg.h"

namespace velmar::ops {

namespace {

// The identification's waits (channel set-up, supply check, wake-up, line
// settling) and the link opened on its own before a copy.
constexpr std::uint64_t kIdentifyMs = 2925;
constexpr std::uint64_t kOpenLinkMs = 625;
// An erase command covers eight pages and waits 100 ms; it clocks its five
// command bytes and its reply.
constexpr std::uint32_t kPagesPerErase = 8;
constexpr std::uint64_t kEraseWaitMs = 100;
constexpr std::uint64_t kEraseBytes = 6;
// A page read (or half page) waits 50 ms after its address and 10 ms before
// its trailer; it clocks its command, address and count, the data and the
// trailer.
constexpr std::uint64_t kReadWaitMs = 60;
constexpr std::uint64_t kReadBytesBesideData = 7;

// What USB adds per erase command and per page read, in microseconds, on a
// high-speed and a full-speed interface chip (USB emulation, both drivers).
struct UsbCost {
  std::uint64_t leastUs, mostUs;
};
UsbCost EraseUsb(link::LinkPacing pacing) {
  return pacing == link::LinkPacing::fast ? UsbCost{1400, 12600} : UsbCost{25700, 28100};
}
UsbCost ReadUsb(link::LinkPacing pacing) {
  return pacing == link::LinkPacing::fast ? UsbCost{400, 4200} : UsbCost{10600, 18500};
}

// Microseconds of serial clock for `bytes`, eight bits each.
std::uint64_t ClockedUs(std::uint64_t bytes, std::uint32_t divisor) { return bytes * 8 * (1 + divisor) / 6; }

DurationEstimate Repeated(std::uint64_t fixedMs, std::uint64_t times, std::uint64_t eachUs, UsbCost usb) {
  DurationEstimate e;
  e.protocolMs = fixedMs + (times * eachUs + 500) / 1000;
  e.usbLeastMs = (times * usb.leastUs + 500) / 1000;
  e.usbMostMs = (times * usb.mostUs + 500) / 1000;
  return e;
}

std::string Rounded(std::uint64_t ms) {
  std::uint64_t s = (ms + 500) / 1000;
  if (s < 60) return std::to_string(s) + " s";
  s = (s + 4) / 5 * 5;
  return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
}

}  // namespace

LinkTiming TimingOf(link::LinkPacing pacing, const link::TReadProg* link) {
  LinkTiming t;
  t.pacing = pacing;
  if (link) t.clockDivisor = link->ClockDivisor;
  return t;
}

DurationEstimate EraseUnitDuration(const slot::ProgrammerGeometry& g, const LinkTiming& link) {
  const std::uint64_t commands = (std::uint64_t(g.PageTotal()) + kPagesPerErase - 1) / kPagesPerErase;
  return Repeated(kIdentifyMs, commands, kEraseWaitMs * 1000 + ClockedUs(kEraseBytes, link.clockDivisor),
                  EraseUsb(link.pacing));
}

DurationEstimate CopyUnitDuration(const slot::ProgrammerGeometry& g, int slots, bool verify, const LinkTiming& link) {
  const std::uint64_t parts = g.WritesHalfPages() ? 2 : 1;
  const std::uint64_t reads =
      std::uint64_t(g.PagesPerSlot()) * std::uint64_t(slots > 0 ? slots : 0) * parts * (verify ? 2 : 1);
  const std::uint64_t bytes = g.PageSize / parts + kReadBytesBesideData;
  return Repeated(kOpenLinkMs + kIdentifyMs, reads, kReadWaitMs * 1000 + ClockedUs(bytes, link.clockDivisor),
                  ReadUsb(link.pacing));
}

std::string DurationText(const DurationEstimate& e) {
  const std::string from = Rounded(e.FromMs()), to = Rounded(e.ToMs());
  return "about " + (from == to ? from : from + " to " + to);
}

}  // namespace velmar::ops
