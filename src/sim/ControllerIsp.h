// The programmer's controller while its reset line is held low: the serial
// programming interface of the controller itself, taking four-byte
// instructions. It echoes each byte with the next one, so the programming
// enable instruction (AC 53 xx xx) is answered by 53 in its third byte, once
// the controller has been in reset for 20 ms and is in step with the clock.
// A controller out of step needs extra clock pulses before it answers.
// Instructions other than programming enable read as 0x00 here.
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

 private:
  bool Ready() const;

  SimState& s_;
  platform::Clock& clock_;
  std::array<std::uint8_t, 4> frame_{};
  int pos_ = 0;
  std::uint8_t last_ = 0;
  int pulsesNeeded_ = 0;
  std::uint64_t enteredAt_ = 0;
  bool enabled_ = false;
};

}  // namespace velmar::sim
