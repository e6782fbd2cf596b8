// MPSSE command execution. Data shifting commands have bit 7 clear; bit 0
// writes on the falling edge, bit 2 reads on the falling edge, bit 3 sends
// the least significant bit first, bit 4 writes, bit 5 reads. The loader's
// slave samples on the rising edge, so only commands that write on the
// falling edge and read on the rising edge carry data faithfully; the others
// reach the slave one bit out of step.
#include "sim/Ft2232Channel.h"

namespace velmar::sim {

namespace {
constexpr double kBaseClockHz = 6e6;  // serial clock = 6 MHz / (1 + divisor)

bool IsDataShift(std::uint8_t c) { return (c & 0x80) == 0 && (c & 0x02) == 0 && (c & 0x30) != 0 && (c & 0x40) == 0; }
}  // namespace

void Ft2232Channel::Reset() {
  pending_.clear();
  SetLines(Lines{});
}

void Ft2232Channel::SetLines(const Lines& l) {
  lines_ = l;
  target_.LinesChanged(lines_);
}

std::size_t Ft2232Channel::CommandLength(const std::uint8_t* p, std::size_t avail) {
  const std::uint8_t c = p[0];
  if (IsDataShift(c)) {
    if (avail < 3) return 0;
    std::size_t count = std::size_t(p[1] | p[2] << 8) + 1;
    std::size_t len = 3 + ((c & 0x10) ? count : 0);
    return avail >= len ? len : 0;
  }
  switch (c) {
    case 0x80:
    case 0x82:
    case 0x86: return avail >= 3 ? 3 : 0;
    default: return 1;  // 0x81, 0x83, 0x84, 0x85, 0x87 and unknown commands
  }
}

void Ft2232Channel::Execute(const std::uint8_t* data, std::size_t n) {
  pending_.insert(pending_.end(), data, data + n);
  std::size_t start = 0;
  while (start < pending_.size()) {
    std::size_t len = CommandLength(pending_.data() + start, pending_.size() - start);
    if (len == 0) break;
    Run(pending_.data() + start, len);
    start += len;
  }
  pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(start));
}

std::uint8_t Ft2232Channel::ShiftByte(std::uint8_t out, bool write, bool lsbFirst) {
  std::uint8_t in = 0;
  // Without a write the data-out line holds its last level.
  bool level = (lines_.lowValue & 0x02) != 0;
  for (int i = 0; i < 8; ++i) {
    int bit = lsbFirst ? i : 7 - i;
    if (write) level = (out >> bit) & 1;
    bool miso = loopback_ ? level : target_.ClockBit(level);
    if (miso) in = std::uint8_t(in | (1u << bit));
  }
  lines_.lowValue = std::uint8_t(level ? lines_.lowValue | 0x02 : lines_.lowValue & ~0x02);
  double micros = 8e6 * (1.0 + divisor_) / kBaseClockHz;
  wireFraction_ += micros;
  wireMicros_ = std::uint64_t(wireFraction_);
  if (onWireTime) onWireTime(micros);
  return in;
}

void Ft2232Channel::Run(const std::uint8_t* cmd, std::size_t len) {
  const std::uint8_t c = cmd[0];
  if (IsDataShift(c)) {
    const bool write = c & 0x10, read = c & 0x20, lsb = c & 0x08;
    // Writing on the rising edge or reading on the falling edge puts the
    // data one bit out of step with the slave.
    const bool skewed = (write && !(c & 0x01)) || (read && (c & 0x04));
    std::size_t count = std::size_t(cmd[1] | cmd[2] << 8) + 1;
    bool carry = false;
    for (std::size_t i = 0; i < count; ++i) {
      std::uint8_t out = write ? cmd[3 + i] : 0xFF;
      if (skewed) {
        std::uint8_t shifted = std::uint8_t(out >> 1 | (carry ? 0x80 : 0));
        carry = out & 1;
        out = shifted;
      }
      std::uint8_t in = ShiftByte(out, write, lsb);
      if (read) rx_.push_back(in);
    }
    return;
  }
  switch (c) {
    case 0x80: {
      Lines l = lines_;
      l.lowValue = cmd[1];
      l.lowDir = cmd[2];
      SetLines(l);
      return;
    }
    case 0x82: {
      Lines l = lines_;
      l.highValue = cmd[1];
      l.highDir = cmd[2];
      SetLines(l);
      return;
    }
    case 0x81: {
      std::uint8_t in = target_.LowInputs();
      rx_.push_back(std::uint8_t((lines_.lowValue & lines_.lowDir) | (in & ~lines_.lowDir)));
      return;
    }
    case 0x83: {
      std::uint8_t in = target_.HighInputs();
      rx_.push_back(std::uint8_t((lines_.highValue & lines_.highDir) | (in & ~lines_.highDir)));
      return;
    }
    case 0x84: loopback_ = true; return;
    case 0x85: loopback_ = false; return;
    case 0x86: divisor_ = std::uint16_t(cmd[1] | cmd[2] << 8); return;
    case 0x87:
      if (onSendImmediate) onSendImmediate();
      return;
    default:
      rx_.push_back(0xFA);
      rx_.push_back(c);
      return;
  }
}

}  // namespace velmar::sim
