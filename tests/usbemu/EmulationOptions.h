// How the emulation charges USB time and when it pulls the interface out,
// from the environment (with-emulated-usb.sh sets them):
//   VELMAR_USB_EMU_TIMING  present (default): transfers take what the bus
//                          and the chip need; pessimistic: at least 1 ms per
//                          full-speed bulk transfer (250 us at high speed)
//                          and 3 ms per control transfer, as a busy hub or
//                          a slow host controller gives them
//   VELMAR_USB_EMU_FAULT   with unplug-after=N: the interface leaves the bus
//                          after N calls have reached it; every later one
//                          finds no device
#pragma once

#include <cstdint>

namespace velmar::usbemu {

struct EmulationOptions {
  bool pessimistic = false;
  std::int64_t unplugAfter = -1;  // -1: never
};

const EmulationOptions& Options();
// Counts one call that reaches the interface; false once it is unplugged.
bool ReachDevice();
bool Unplugged();
// Calls that reached the interface so far.
std::uint64_t DeviceCalls();

// The least a transfer takes under the timing in force (0: no floor).
std::uint64_t BulkFloorUs(bool highSpeed);
std::uint64_t ControlFloorUs();

}  // namespace velmar::usbemu
