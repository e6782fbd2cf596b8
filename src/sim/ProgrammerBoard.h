// The simulated programmer as seen from the interface channel's pins. The
// wiring it assumes (documented in docs/SIMULATOR.md):
//   low byte  bit 0 clock, bit 1 data to the programmer, bit 2 data from the
//             programmer (read as a GPIO input it is high when the
//             programmer has no supply), bit 4 the controller's reset
//             (active low; released while the pin is an input);
//   high byte bit 1 the interface buffer's enable (high = on), bit 3 the
//             select line (active low); both must be driven outputs.
// Bytes are clocked into the controller only while it is selected and
// powered. With reset low they go to the controller's programming interface;
// otherwise to the running firmware once it has booted. Leaving reset, the
// controller runs what its flash holds (none: it does not answer).
#pragma once

#include <cstdint>

#include "sim/ControllerIsp.h"
#include "sim/Pins.h"
#include "sim/ProtocolCheck.h"
#include "sim/RunFirmware.h"

namespace velmar::platform {
class Clock;
}

namespace velmar::sim {

struct SimState;

class ProgrammerBoard final : public PinTarget {
 public:
  ProgrammerBoard(SimState& state, platform::Clock& clock);

  void LinesChanged(const Lines& lines) override;
  bool ClockBit(bool mosi) override;
  std::uint8_t LowInputs() const override;

  // Switches the programmer off and on: a pending switch to binary pages
  // takes effect and the firmware starts afresh.
  void PowerCycle();

  bool InReset() const { return reset_; }
  bool Selected() const;
  RunFirmware& Firmware() { return firmware_; }
  ControllerIsp& Isp() { return isp_; }
  ProtocolCheck& Check() { return check_; }

  static constexpr std::uint64_t kBootMs = 30;

 private:
  SpiPeer* Peer();

  SimState& s_;
  platform::Clock& clock_;
  Lines lines_;
  bool reset_ = false;
  bool asleep_;
  std::uint64_t bootUntil_ = 0;
  int bit_ = 0;
  std::uint8_t out_ = 0xFF;
  std::uint8_t in_ = 0;
  SpiPeer* current_ = nullptr;
  ProtocolCheck check_;
  RunFirmware firmware_;
  ControllerIsp isp_;
};

}  // namespace velmar::sim
