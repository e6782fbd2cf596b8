// The programmer's own controller as the simulation keeps it: which part it
// is (an ATmega128 in the portable programmer, an ATmega8515 in the others),
// its flash, fuses and lock bits, and the page buffer that serial
// programming fills before a page is written. The part table gives each
// part's signature, flash and page sizes and the fuse values the loader
// leaves behind after an update.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "slot/ProgrammerGeometry.h"

namespace velmar::sim {

struct AvrPart {
  const char* name;  // state-file name: "atmega128", "atmega8515"
  std::array<std::uint8_t, 3> signature;
  std::uint32_t flashSize;  // bytes
  std::uint32_t pageSize;   // bytes
  bool hasExtendedFuse;
  // The fuses as an update leaves them (and as a working programmer has them).
  std::uint8_t lowFuse;
  std::uint8_t highFuse;
  std::uint8_t extendedFuse;
};

const AvrPart& ATmega128();
const AvrPart& ATmega8515();
// The part by its state-file name (any letter case); nullptr when unknown.
const AvrPart* FindPart(const std::string& name);
// The controller each programmer kind carries.
const AvrPart& PartForKind(slot::ProgrammerKind kind);

// Lock bits after `AC FF FF FC`: both protection bits programmed (0).
inline constexpr std::uint8_t kLockedBits = 0xFC;
inline constexpr std::uint8_t kUnlockedBits = 0xFF;

struct AvrController {
  const AvrPart* part = &ATmega8515();
  // Empty until serial programming first touches it: until then the flash
  // holds the image of the firmware the state says the programmer runs.
  std::vector<std::uint8_t> flash;
  std::uint8_t lowFuse = 0;
  std::uint8_t highFuse = 0;
  std::uint8_t extendedFuse = 0xFF;
  std::uint8_t lockBits = kLockedBits;
  std::vector<std::uint8_t> pageBuffer;

  bool FlashHeld() const { return !flash.empty(); }
  // Lock bit 1 programmed: flash and fuses can no longer be written.
  bool WriteLocked() const { return (lockBits & 0x02) == 0; }
  // Both lock bits programmed: the flash can no longer be read either.
  bool ReadLocked() const { return (lockBits & 0x03) == 0; }
  // Fuses as the part's update leaves them.
  void SetWorkingFuses();
};

}  // namespace velmar::sim
