// The emulated USB bus of one process: the simulated programmer loaded from
// the state file the environment names, the dual-channel chip it hangs on
// (and any further chips the state lists, with nothing attached), the
// faults to present, and at exit the state saved back and the time report
// written. Settings come from the environment (with-emulated-usb.sh sets
// them):
//   VELMAR_USB_EMU_STATE   the simulator state file (required)
//   VELMAR_USB_EMU_CHIP    ft2232d (default) or ft2232h
//   VELMAR_USB_EMU_EEPROM  93c46, 93c56 or 93c66 (default 93c46, 93c56 on the ft2232h)
//   VELMAR_USB_EMU_FAULT   comma-separated: open-denied, kernel-driver, claimed, strings,
//                          unplug-after=N (EmulationOptions.h)
//   VELMAR_USB_EMU_TIMING  present (default) or pessimistic (EmulationOptions.h)
//   VELMAR_USB_EMU_REPORT  file the time report is appended to at exit
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "EmulatedChip.h"

namespace velmar::usbemu {

class EmulatedBus {
 public:
  static EmulatedBus& Get();
  ~EmulatedBus();

  // The chips on the bus (none while the programmer's interface is unplugged).
  std::vector<EmulatedChip*> Chips();
  bool Fault(const std::string& name) const;
  // The state's new_token: the unit token the system's random bytes give
  // the loader (-1: they stay random).
  int NewToken() const;
  // Writes the state file back (after every session ends and at exit).
  void Save();

 private:
  EmulatedBus();
  void Report();
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace velmar::usbemu
