// One channel of the simulated dual-channel USB interface chip in its
// synchronous serial (MPSSE) mode. It executes the command stream the loader
// writes, byte for byte as the chip does: clocks data bytes out and in, most
// significant bit first (or least significant first when the command says
// so), sets and reads the low and high line bytes, takes the clock divisor,
// and answers an unknown command with the chip's bad-command reply (0xFA and
// the command). What it reads goes to a receive queue that the driver's
// reads drain. Commands may be split across writes.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "sim/Pins.h"

namespace velmar::sim {

class Ft2232Channel {
 public:
  explicit Ft2232Channel(PinTarget& target) : target_(target) {}

  // Bytes written by the driver while the channel is in MPSSE mode.
  void Execute(const std::uint8_t* data, std::size_t n);
  // Leaves MPSSE mode: pending command bytes are dropped, every pin becomes
  // an input.
  void Reset();

  std::deque<std::uint8_t>& RxQueue() { return rx_; }
  const Lines& CurrentLines() const { return lines_; }
  std::uint16_t Divisor() const { return divisor_; }
  bool Loopback() const { return loopback_; }
  // Microseconds of serial clock spent (bits clocked at the current divisor).
  std::uint64_t WireMicros() const { return wireMicros_; }
  // Called with the microseconds each clocked byte takes.
  std::function<void(double)> onWireTime;
  // Called when the "send immediate" command runs (the chip then sends
  // what it holds to the host without waiting for its latency timer).
  std::function<void()> onSendImmediate;

 private:
  // Length of the command starting at `p`, or 0 while incomplete.
  static std::size_t CommandLength(const std::uint8_t* p, std::size_t avail);
  void Run(const std::uint8_t* cmd, std::size_t len);
  std::uint8_t ShiftByte(std::uint8_t out, bool write, bool lsbFirst);
  void SetLines(const Lines& l);

  PinTarget& target_;
  std::vector<std::uint8_t> pending_;
  std::deque<std::uint8_t> rx_;
  Lines lines_;
  std::uint16_t divisor_ = 0;
  bool loopback_ = false;
  std::uint64_t wireMicros_ = 0;
  double wireFraction_ = 0;
};

}  // namespace velmar::sim
