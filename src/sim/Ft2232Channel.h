// One channel of the simulated dual-channel USB interface chip in its
// synchronous serial (MPSSE) mode. It executes the command stream the loader
// writes, byte for byte as the chip does: clocks data bytes out and in, most
// significant bit first (or least significant first when the command says
// so), sets and reads the low and high line bytes, takes the clock divisor,
// and answers an unknown command with the chip's bad-command reply (0xFA and
// the command). What it reads goes to a receive queue that the driver's
// reads drain. Commands may be split across writes. Bit-length and TMS
// shifts are taken as the chip takes them; the FT2232H's own commands
// (clock and phase settings, clocking without data) only where the channel
// is told it is one. With strict directions, data and clock reach the pins
// only where the direction bit makes them outputs.
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
  // Enters MPSSE mode: the bit mode's mask gives the low byte's directions
  // (the levels stay as they were until a command sets them).
  void Enter(std::uint8_t mask) { lines_.lowDir = mask; }

  // Length of the command starting at `p`, or 0 while incomplete.
  static std::size_t CommandLength(const std::uint8_t* p, std::size_t avail, bool highSpeed);
  // Bytes the complete command at `p` puts in the receive queue.
  static std::size_t ReplyLength(const std::uint8_t* p, bool highSpeed);
  // A byte-length data shift (its count in the two bytes after it).
  static bool IsByteShift(std::uint8_t command);

  // The FT2232H's own commands are known (else they are bad commands).
  bool highSpeed = false;
  // Data and clock go out only on lines set as outputs (else the data-out
  // pin floats high and the slave sees no clock).
  bool strictDirections = false;

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
  void Run(const std::uint8_t* cmd, std::size_t len);
  std::uint8_t ShiftByte(std::uint8_t out, bool write, bool lsbFirst);
  // Clocks `bits` bits (1 to 8) of `out`; returns what came in.
  std::uint8_t ShiftBits(std::uint8_t out, int bits, bool write, bool lsbFirst);
  bool ClockOne(bool level);
  void SpendBits(int bits);
  void RunTms(const std::uint8_t* cmd);
  void SetLines(const Lines& l);

  PinTarget& target_;
  std::vector<std::uint8_t> pending_;
  std::deque<std::uint8_t> rx_;
  Lines lines_;
  std::uint16_t divisor_ = 0;
  bool fastBase_ = false;
  bool loopback_ = false;
  std::uint64_t wireMicros_ = 0;
  double wireFraction_ = 0;
};

}  // namespace velmar::sim
