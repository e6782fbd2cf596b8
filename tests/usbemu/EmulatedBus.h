// The emulated USB bus of one process: the simulated programmers loaded
// from the state files the environment names, the dual-channel chip each
// hangs on (all with the same serial number, each on its own root port),
// any further chips the first state lists with nothing attached, the
// faults to present, and at exit the states saved back and the time report
// written. Settings come from the environment (with-emulated-usb.sh sets
// them):
//   VELMAR_USB_EMU_STATE   the simulator state files, comma-separated (required)
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

  // The chips on the bus (a programmer's not while its interface is
  // unplugged).
  std::vector<EmulatedChip*> Chips();
  // The root port a chip hangs on, from 1 (its USB location is "1-PORT"):
  // fixed for the run, whichever other chips are unplugged.
  int PortOf(const EmulatedChip* chip) const;
  // A program opened (or tried to open) a channel of `chip`. Only such
  // programmers are saved: runs side by side, one for each programmer (and
  // the run that started them), must not write back each other's
  // programmers as they found them.
  void MarkUsed(const EmulatedChip* chip);
  bool Fault(const std::string& name) const;
  // The state's new_token: the unit token the system's random bytes give
  // the loader (-1: they stay random).
  int NewToken() const;
  // Writes the state file back (after every session ends and at exit).
  void Save();

 private:
  EmulatedBus();
  void Report();
  std::size_t Violations() const;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace velmar::usbemu
