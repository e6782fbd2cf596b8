// In-circuit programming interface of the simulated controller.
#include "sim/ControllerIsp.h"

#include <algorithm>

#include "platform/Clock.h"
#include "sim/ControllerFirmware.h"
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

bool ControllerIsp::Ready() const { return pulsesNeeded_ == 0 && clock_.NowMs() >= enteredAt_ + kResetSettleMs; }

bool ControllerIsp::Busy() const { return clock_.NowMs() < busyUntil_; }

std::uint8_t ControllerIsp::NextOut() {
  if (pulsesNeeded_ > 0) return 0xFF;
  if (pos_ == 0) return 0x00;
  if (!Ready()) return 0x00;
  if (pos_ == 3 && enabled_) return ReadResult();
  return last_;
}

std::uint8_t ControllerIsp::ReadResult() {
  const AvrController& c = s_.controller;
  const std::uint8_t op = frame_[0], a = frame_[1], b = frame_[2];
  if (Busy()) return 0xFF;
  switch (op) {
    case 0x30: {
      const int i = b & 0x03;
      if (i == 3) return 0xFF;
      if (s_.faults.signature >= 0) return std::uint8_t(s_.faults.signature >> (8 * (2 - i)));
      return c.part->signature[std::size_t(i)];
    }
    // 50 00 low fuse, 50 08 extended fuse; 58 08 high fuse, 58 00 lock bits.
    // Any other second byte is no read at all.
    case 0x50:
      if (a == 0x00) return c.lowFuse;
      if (a == 0x08) return c.part->hasExtendedFuse ? c.extendedFuse : 0xFF;
      return last_;
    case 0x58:
      if (a == 0x08) return c.highFuse;
      if (a == 0x00) return c.lockBits;
      return last_;
    case 0x20:
    case 0x28: {
      if (c.ReadLocked()) return 0xFF;
      const std::uint32_t word = std::uint32_t(a << 8 | b);
      const std::uint32_t at = (word * 2 + (op == 0x28 ? 1 : 0)) & (c.part->flashSize - 1);
      HoldControllerFlash(s_);
      return c.flash[at];
    }
    default: return last_;  // not a read: the third byte's echo
  }
}

void ControllerIsp::Received(std::uint8_t in) {
  if (pulsesNeeded_ > 0) return;
  frame_[std::size_t(pos_)] = in;
  last_ = in;
  if (++pos_ < 4) return;
  pos_ = 0;
  Execute();
}

void ControllerIsp::Execute() {
  const std::uint8_t op = frame_[0], a = frame_[1], v = frame_[3];
  if (op == 0xAC && a == 0x53) {
    if (!Ready()) return;
    if (enablesMissed_ < s_.faults.ispMissed) {
      ++enablesMissed_;  // out of step: the controller keeps echoing
      return;
    }
    enabled_ = true;
    return;
  }
  if (!enabled_ || Busy()) return;
  AvrController& c = s_.controller;
  if (c.pageBuffer.size() != c.part->pageSize) c.pageBuffer.assign(c.part->pageSize, 0xFF);
  auto wrote = [this](std::uint64_t ms) { busyUntil_ = clock_.NowMs() + ms; };
  switch (op) {
    case 0xAC:
      if ((a & 0xE0) == 0x80) {
        ChipErase();
        wrote(kEraseMs);
      } else if ((a & 0xE0) == 0xE0) {
        c.lockBits = std::uint8_t(c.lockBits & (v | 0xC0));
        wrote(kWriteMs);
      } else if (!c.WriteLocked() && (a == 0xA0 || a == 0xA8 || (a == 0xA4 && c.part->hasExtendedFuse))) {
        (a == 0xA0 ? c.lowFuse : a == 0xA8 ? c.highFuse : c.extendedFuse) = v;
        wrote(kWriteMs);
      }
      return;
    case 0x40:
    case 0x48: {
      const std::uint32_t word = frame_[2] & (c.part->pageSize / 2 - 1);
      c.pageBuffer[word * 2 + (op == 0x48 ? 1 : 0)] = v;
      return;
    }
    case 0x4C:
      WritePage();
      wrote(kWriteMs);
      return;
    default: return;
  }
}

void ControllerIsp::ChipErase() {
  AvrController& c = s_.controller;
  c.flash.assign(c.part->flashSize, 0xFF);
  c.lockBits = kUnlockedBits;
  std::fill(c.pageBuffer.begin(), c.pageBuffer.end(), 0xFF);
}

void ControllerIsp::WritePage() {
  AvrController& c = s_.controller;
  if (c.WriteLocked()) return;
  HoldControllerFlash(s_);
  const std::uint32_t word = std::uint32_t(frame_[1] << 8 | frame_[2]);
  const std::uint32_t start = (word * 2) & (c.part->flashSize - 1) & ~(c.part->pageSize - 1);
  for (std::uint32_t i = 0; i < c.part->pageSize; ++i) c.flash[start + i] &= c.pageBuffer[i];
  const int bad = s_.faults.flashBadByte;
  if (bad >= 0 && std::uint32_t(bad) >= start && std::uint32_t(bad) < start + c.part->pageSize)
    c.flash[std::uint32_t(bad)] ^= 0x01;
  std::fill(c.pageBuffer.begin(), c.pageBuffer.end(), 0xFF);
}

}  // namespace velmar::sim
