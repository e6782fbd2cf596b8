// In-circuit programming interface of the simulated controller.
#include "sim/ControllerIsp.h"

#include "platform/Clock.h"
#include "sim/SimState.h"

namespace velmar::sim {

void ControllerIsp::Enter() {
  enteredAt_ = clock_.NowMs();
  pos_ = 0;
  enabled_ = false;
  pulsesNeeded_ = s_.faults.ispSync;
}

void ControllerIsp::ClockPulse() {
  if (pulsesNeeded_ > 0) --pulsesNeeded_;
  pos_ = 0;
}

bool ControllerIsp::Ready() const {
  return pulsesNeeded_ == 0 && clock_.NowMs() >= enteredAt_ + kResetSettleMs;
}

std::uint8_t ControllerIsp::NextOut() {
  if (pulsesNeeded_ > 0) return 0xFF;
  if (pos_ == 0) return 0x00;
  if (!Ready()) return 0x00;
  if (pos_ < 3) return last_;
  return 0x00;  // the result byte of a read instruction
}

void ControllerIsp::Received(std::uint8_t in) {
  if (pulsesNeeded_ > 0) return;
  frame_[std::size_t(pos_)] = in;
  last_ = in;
  if (++pos_ < 4) return;
  pos_ = 0;
  if (frame_[0] == 0xAC && frame_[1] == 0x53 && Ready()) enabled_ = true;
}

}  // namespace velmar::sim
