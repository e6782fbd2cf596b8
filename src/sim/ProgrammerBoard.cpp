// Line decoding, bit clocking and the controller's reset and boot.
#include "sim/ProgrammerBoard.h"

#include "platform/Clock.h"
#include "sim/ControllerFirmware.h"
#include "sim/SimState.h"

namespace velmar::sim {

namespace {
constexpr std::uint8_t kClock = 0x01;
constexpr std::uint8_t kReset = 0x10;
constexpr std::uint8_t kEnable = 0x02;
constexpr std::uint8_t kSelect = 0x08;
}  // namespace

ProgrammerBoard::ProgrammerBoard(SimState& state, platform::Clock& clock)
    : s_(state),
      clock_(clock),
      asleep_(state.asleep),
      check_(state, clock),
      firmware_(state, clock, check_),
      isp_(state, clock) {}

bool ProgrammerBoard::Selected() const {
  return (lines_.highDir & (kEnable | kSelect)) == (kEnable | kSelect) && (lines_.highValue & kEnable) &&
         !(lines_.highValue & kSelect);
}

void ProgrammerBoard::LinesChanged(const Lines& l) {
  const bool wasSelected = Selected();
  const Lines old = lines_;
  lines_ = l;
  check_.LinesChanged(l);
  if (wasSelected && !Selected()) {
    bit_ = 0;
    isp_.FrameReset();
  }
  const bool reset = (l.lowDir & kReset) && !(l.lowValue & kReset);
  if (reset && !reset_) isp_.Enter();
  if (!reset && reset_) {
    // The controller starts whatever its flash now holds.
    SyncFirmwareWithFlash(s_);
    bootUntil_ = clock_.NowMs() + kBootMs;
    asleep_ = false;
    firmware_.Boot();
  }
  if (reset_ != reset) bit_ = 0;
  reset_ = reset;
  const bool clockWasHigh = (old.lowDir & kClock) && (old.lowValue & kClock);
  const bool clockHigh = (l.lowDir & kClock) && (l.lowValue & kClock);
  if (reset_ && clockHigh && !clockWasHigh) isp_.ClockPulse();
}

SpiPeer* ProgrammerBoard::Peer() {
  if (reset_) return &isp_;
  if (asleep_ || s_.firmware == FirmwareKind::none || clock_.NowMs() < bootUntil_) return nullptr;
  return &firmware_;
}

bool ProgrammerBoard::ClockBit(bool mosi) {
  if (!s_.supply || s_.faults.silent || !Selected()) return true;
  if (bit_ == 0) {
    current_ = Peer();
    out_ = current_ ? current_->NextOut() : 0xFF;
    in_ = 0;
  }
  bool miso = (out_ >> (7 - bit_)) & 1;
  in_ = std::uint8_t(in_ << 1 | (mosi ? 1 : 0));
  if (++bit_ == 8) {
    bit_ = 0;
    check_.ByteClocked(out_, in_);
    if (current_) current_->Received(in_);
  }
  return miso;
}

std::uint8_t ProgrammerBoard::LowInputs() const {
  // The data line from an unpowered programmer floats high.
  return s_.supply ? std::uint8_t(0xFB) : std::uint8_t(0xFF);
}

void ProgrammerBoard::PowerCycle() {
  if (s_.binaryPending && s_.flash) s_.flash->SwitchToBinary();
  s_.binaryPending = false;
  SyncFirmwareWithFlash(s_);
  asleep_ = false;
  bootUntil_ = clock_.NowMs() + kBootMs;
  firmware_.Boot();
  check_.PowerCycled();
}

}  // namespace velmar::sim
