// MPSSE command execution. Data shifting commands have bit 7 clear; bit 0
// writes on the falling edge, bit 2 reads on the falling edge, bit 3 sends
// the least significant bit first, bit 4 writes, bit 5 reads. The loader's
// slave samples on the rising edge, so only commands that write on the
// falling edge and read on the rising edge carry data faithfully; the others
// reach the slave one bit out of step.
#include "sim/Ft2232Channel.h"

namespace velmar::sim {

namespace {
constexpr double kBaseClockHz = 6e6;   // serial clock = 6 MHz / (1 + divisor)
constexpr double kFastClockHz = 30e6;  // the FT2232H with its divide-by-5 off

bool IsBitShift(std::uint8_t c) { return (c & 0xC2) == 0x02 && (c & 0x30) != 0; }
bool IsTmsShift(std::uint8_t c) { return c == 0x4A || c == 0x4B || c == 0x6A || c == 0x6B || c == 0x6E || c == 0x6F; }
// The FT2232H's own single-byte commands: clock divide-by-5 off/on, three-
// phase clocking on/off, clock until a GPIO level, adaptive clocking on/off.
bool IsHighSpeedSingle(std::uint8_t c) {
  return c == 0x8A || c == 0x8B || c == 0x8C || c == 0x8D || c == 0x94 || c == 0x95 || c == 0x96 || c == 0x97;
}
// Clocking without data: bits (0x8E, one length byte), bytes (0x8F) or
// bytes until a GPIO level (0x9C, 0x9D), two length bytes.
std::size_t HighSpeedClockLength(std::uint8_t c) {
  if (c == 0x8E) return 2;
  if (c == 0x8F || c == 0x9C || c == 0x9D) return 3;
  return 0;
}
}  // namespace

bool Ft2232Channel::IsByteShift(std::uint8_t c) {
  return (c & 0x80) == 0 && (c & 0x02) == 0 && (c & 0x30) != 0 && (c & 0x40) == 0;
}

void Ft2232Channel::Reset() {
  pending_.clear();
  fastBase_ = false;
  SetLines(Lines{});
}

void Ft2232Channel::SetLines(const Lines& l) {
  lines_ = l;
  target_.LinesChanged(lines_);
}

std::size_t Ft2232Channel::CommandLength(const std::uint8_t* p, std::size_t avail, bool highSpeed) {
  const std::uint8_t c = p[0];
  std::size_t len = 1;
  if (IsByteShift(c)) {
    if (avail < 3) return 0;
    const std::size_t count = std::size_t(p[1] | p[2] << 8) + 1;
    len = 3 + ((c & 0x10) ? count : 0);
  } else if (IsBitShift(c)) {
    len = (c & 0x10) ? 3 : 2;
  } else if (IsTmsShift(c) || c == 0x80 || c == 0x82 || c == 0x86) {
    len = 3;
  } else if (highSpeed && HighSpeedClockLength(c)) {
    len = HighSpeedClockLength(c);
  }
  return avail >= len ? len : 0;  // 0x81, 0x83 to 0x89 and bad commands take one byte
}

std::size_t Ft2232Channel::ReplyLength(const std::uint8_t* p, bool highSpeed) {
  const std::uint8_t c = p[0];
  if (IsByteShift(c)) return (c & 0x20) ? std::size_t(p[1] | p[2] << 8) + 1 : 0;
  if (IsBitShift(c) || IsTmsShift(c)) return (c & 0x20) ? 1 : 0;
  if (c == 0x81 || c == 0x83) return 1;
  if (c == 0x80 || c == 0x82 || (c >= 0x84 && c <= 0x89)) return 0;
  if (highSpeed && (IsHighSpeedSingle(c) || HighSpeedClockLength(c))) return 0;
  return 2;  // the bad-command reply
}

void Ft2232Channel::Execute(const std::uint8_t* data, std::size_t n) {
  pending_.insert(pending_.end(), data, data + n);
  std::size_t start = 0;
  while (start < pending_.size()) {
    std::size_t len = CommandLength(pending_.data() + start, pending_.size() - start, highSpeed);
    if (len == 0) break;
    Run(pending_.data() + start, len);
    start += len;
  }
  pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(start));
}

bool Ft2232Channel::ClockOne(bool level) {
  if (loopback_) return level;
  const std::uint8_t pins = strictDirections ? target_.LowInputs() : 0xFF;
  const bool dataDriven = !strictDirections || (lines_.lowDir & 0x02);
  const bool clockDriven = !strictDirections || (lines_.lowDir & 0x01);
  // No clock on the pin: the slave shifts nothing; the data-in pin is read as it is.
  if (!clockDriven) return (pins & 0x04) != 0;
  return target_.ClockBit(dataDriven ? level : (pins & 0x02) != 0);
}

std::uint8_t Ft2232Channel::ShiftByte(std::uint8_t out, bool write, bool lsbFirst) {
  std::uint8_t in = 0;
  // Without a write the data-out line holds its last level.
  bool level = (lines_.lowValue & 0x02) != 0;
  for (int i = 0; i < 8; ++i) {
    int bit = lsbFirst ? i : 7 - i;
    if (write) level = (out >> bit) & 1;
    if (ClockOne(level)) in = std::uint8_t(in | (1u << bit));
  }
  lines_.lowValue = std::uint8_t(level ? lines_.lowValue | 0x02 : lines_.lowValue & ~0x02);
  SpendBits(8);
  return in;
}

std::uint8_t Ft2232Channel::ShiftBits(std::uint8_t out, int bits, bool write, bool lsbFirst) {
  // Bits go out from the top (or the bottom, least significant first) and
  // come in shifting from the other end, as the chip packs them.
  std::uint8_t in = 0;
  bool level = (lines_.lowValue & 0x02) != 0;
  for (int i = 0; i < bits; ++i) {
    if (write) level = lsbFirst ? (out >> i) & 1 : (out >> (7 - i)) & 1;
    const bool got = ClockOne(level);
    in = lsbFirst ? std::uint8_t(in >> 1 | (got ? 0x80 : 0)) : std::uint8_t(in << 1 | (got ? 1 : 0));
  }
  lines_.lowValue = std::uint8_t(level ? lines_.lowValue | 0x02 : lines_.lowValue & ~0x02);
  SpendBits(bits);
  return in;
}

void Ft2232Channel::SpendBits(int bits) {
  const double micros = bits * 1e6 * (1.0 + divisor_) / (fastBase_ ? kFastClockHz : kBaseClockHz);
  wireFraction_ += micros;
  wireMicros_ = std::uint64_t(wireFraction_);
  if (onWireTime) onWireTime(micros);
}

void Ft2232Channel::RunTms(const std::uint8_t* cmd) {
  // Up to seven TMS bits (pin 3) from the least significant up, the data-out
  // line held at bit 7 meanwhile.
  const bool read = cmd[0] & 0x20;
  const bool level = cmd[2] & 0x80;
  std::uint8_t in = 0;
  const int bits = (cmd[1] & 0x07) + 1;
  for (int i = 0; i < bits; ++i) {
    Lines l = lines_;
    l.lowValue = std::uint8_t(((cmd[2] >> i) & 1) ? l.lowValue | 0x08 : l.lowValue & ~0x08);
    l.lowValue = std::uint8_t(level ? l.lowValue | 0x02 : l.lowValue & ~0x02);
    SetLines(l);
    in = std::uint8_t(in >> 1 | (ClockOne(level) ? 0x80 : 0));
  }
  SpendBits(bits);
  if (read) rx_.push_back(in);
}

void Ft2232Channel::Run(const std::uint8_t* cmd, std::size_t len) {
  const std::uint8_t c = cmd[0];
  if (IsBitShift(c)) {
    const bool write = c & 0x10;
    const std::uint8_t in = ShiftBits(write ? cmd[2] : 0xFF, (cmd[1] & 0x07) + 1, write, c & 0x08);
    if (c & 0x20) rx_.push_back(in);
    return;
  }
  if (IsTmsShift(c)) {
    RunTms(cmd);
    return;
  }
  if (highSpeed && (IsHighSpeedSingle(c) || HighSpeedClockLength(c))) {
    if (c == 0x8A) fastBase_ = true;
    if (c == 0x8B) fastBase_ = false;
    if (c == 0x8E) {
      for (int i = 0; i <= (cmd[1] & 0x07); ++i) ClockOne(true);
      SpendBits((cmd[1] & 0x07) + 1);
    } else if (HighSpeedClockLength(c) == 3) {
      const std::size_t bytes = std::size_t(cmd[1] | cmd[2] << 8) + 1;
      for (std::size_t i = 0; i < bytes; ++i) ShiftByte(0xFF, false, false);
    }
    return;
  }
  if (IsByteShift(c)) {
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
    case 0x88:  // wait for GPIOL1 high or low: the pin the loader leaves alone reads high
    case 0x89: return;
    default:
      rx_.push_back(0xFA);
      rx_.push_back(c);
      return;
  }
}

}  // namespace velmar::sim
