// What identifying the programmer found, filled in as the identification goes:
// a failure part-way leaves the later facts unset. The link only reports
// these facts; the window model turns them into its title and labels, and
// the command line into its report.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devices/TData.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::link {

struct IdentifyFindings {
  // A forced firmware update was asked for and taken (the request is spent).
  bool forcedUpdateTaken = false;
  // The dataflash was asked which programmer it is (a hardware version
  // known from an earlier identification no longer holds).
  bool kindAsked = false;
  // The hardware byte of the 'v' reply, for the kinds that answer it
  // (0x0C: version 2).
  std::optional<std::uint8_t> hardwareVersion;
  // The kind, once its own status query has answered too.
  std::optional<slot::ProgrammerKind> kind;
  // The loader version the title names (progsetting.ini's PCQRX or PCPRIMA).
  std::string loaderVersion;
  // The firmware the programmer is known to run (devices::Firmware), when
  // its version is the one expected or the programmer is a portable one.
  std::optional<devices::Firmware> recognisedFirmware;
  // The firmware must be updated before the programmer can be used.
  bool updateNeeded = false;
  // What the link told the user meanwhile, in order.
  std::vector<std::string> notices;

  bool IsVersion2Hardware() const { return hardwareVersion == 0x0C; }
};

}  // namespace velmar::link
