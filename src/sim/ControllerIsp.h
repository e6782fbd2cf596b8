// The programmer's controller while its reset line is held low: the serial
// programming interface of the controller itself, taking four-byte
// instructions. It echoes each byte with the next one, so the programming
// enable instruction (AC 53 xx xx) is answered by 53 in its third byte, once
// the controller has been in reset for 20 ms and is in step with the clock.
// A controller out of step needs extra clock pulses before it answers.
//
// Once programming is enabled it carries out the instructions on the
// controller the state holds: signature, fuse and lock-bit reads and writes,
// chip erase, page buffer loads, page writes and flash reads (the read
// result is the fourth byte out). Until then, and for anything it does not
// know, it only echoes. Erasing and writing keep it busy for a few
// milliseconds, during which it ignores instructions. A page write only
// clears bits (the flash must be erased first), and lock bits stop flash
// and fuse writes (and, both programmed, flash reads) until a chip erase.
#pragma once

#include <array>
#include <cstdint>

#include "sim/SpiPeer.h"

namespace velmar::platform {
class Clock;
}

namespace velmar::sim {

struct SimState;

class ControllerIsp final : public SpiPeer {
 public:
  ControllerIsp(SimState& state, platform::Clock& clock) : s_(state), clock_(clock) {}

  // The reset line went low.
  void Enter();
  // A clock pulse given on the clock line between transfers.
  void ClockPulse();
  // The select line was released: the next byte starts an instruction.
  void FrameReset() { pos_ = 0; }
  bool ProgrammingEnabled() const { return enabled_; }

  std::uint8_t NextOut() override;
  void Received(std::uint8_t in) override;

  static constexpr std::uint64_t kResetSettleMs = 20;
  // Self-timed programming: chip erase, and a flash page, fuse or lock write.
  static constexpr std::uint64_t kEraseMs = 9;
  static constexpr std::uint64_t kWriteMs = 5;

 private:
  bool Ready() const;
  bool Busy() const;
  // The byte a read instruction returns, from its first three bytes.
  std::uint8_t ReadResult();
  void Execute();
  void ChipErase();
  void WritePage();

  SimState& s_;
  platform::Clock& clock_;
  std::array<std::uint8_t, 4> frame_{};
  int pos_ = 0;
  std::uint8_t last_ = 0;
  int pulsesNeeded_ = 0;
  int enablesMissed_ = 0;
  std::uint64_t enteredAt_ = 0;
  std::uint64_t busyUntil_ = 0;
  bool enabled_ = false;
};

}  // namespace velmar::sim
