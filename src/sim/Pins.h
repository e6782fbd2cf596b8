// What hangs on an interface channel's pins: the channel tells it every
// change of the line bytes and clocks data bits through it; it answers with
// the level of the data-in line and of the pins the channel reads as inputs.
#pragma once

#include <cstdint>

namespace velmar::sim {

// Low byte (ADBUS 0-7) and high byte (ACBUS 0-7): value and direction (a set
// direction bit makes the pin an output).
struct Lines {
  std::uint8_t lowValue = 0;
  std::uint8_t lowDir = 0;
  std::uint8_t highValue = 0;
  std::uint8_t highDir = 0;
};

class PinTarget {
 public:
  virtual ~PinTarget() = default;
  virtual void LinesChanged(const Lines& lines) = 0;
  // One clock cycle with `mosi` on the data-out line; returns the data-in
  // level sampled on the rising edge.
  virtual bool ClockBit(bool mosi) = 0;
  // Levels on the low pins as the channel reads them where they are inputs.
  virtual std::uint8_t LowInputs() const = 0;
  virtual std::uint8_t HighInputs() const { return 0xFF; }
};

// Nothing attached: inputs pulled up, data-in reads high.
class NothingAttached final : public PinTarget {
 public:
  void LinesChanged(const Lines&) override {}
  bool ClockBit(bool) override { return true; }
  std::uint8_t LowInputs() const override { return 0xFF; }
};

}  // namespace velmar::sim
