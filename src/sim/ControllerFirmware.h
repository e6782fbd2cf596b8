// How the simulated programmer knows which firmware its controller runs: the
// firmware images made for it carry a tag block at a fixed flash address
// (kFirmwareTagAddress) with the firmware kind, the version and a 16-bit sum
// of every other byte of the controller's flash. When the controller leaves
// reset it looks for a valid tag whose sum matches; a blank, partly
// programmed or foreign image is no firmware at all, and such a programmer
// does not answer. The images themselves (a reset vector, the tag, a block of
// code bytes and, on the ATmega128, a block in the boot section) are made
// here deterministically from kind and version, so the shipped firmware
// files can be made again byte for byte. Layout in docs/SIMULATOR.md.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/AvrController.h"
#include "sim/SimState.h"

namespace velmar::sim {

inline constexpr std::uint32_t kFirmwareTagAddress = 0x0100;
inline constexpr std::uint32_t kFirmwareTagSize = 16;
inline constexpr std::uint32_t kFirmwareCodeAddress = 0x0200;
inline constexpr std::uint32_t kFirmwareCodeSize = 1024;
inline constexpr std::uint32_t kFirmwareBootAddress = 0x1F000;  // ATmega128 only
inline constexpr std::uint32_t kFirmwareBootSize = 256;

// The flash image of a firmware for a part (blank for FirmwareKind::none).
// `version` is a byte.
std::vector<std::uint8_t> FirmwareImage(FirmwareKind firmware, int version, const AvrPart& part);
// The same image as Intel HEX text (CR LF line ends).
std::string FirmwareHexText(FirmwareKind firmware, int version, const AvrPart& part);

struct RecognisedFirmware {
  FirmwareKind firmware = FirmwareKind::none;
  int version = -1;
};
// The firmware a flash image holds; none unless the tag is valid and the sum
// of the rest of the flash matches it.
RecognisedFirmware RecogniseFirmware(const std::vector<std::uint8_t>& flash, const AvrPart& part);

// Gives the controller its flash when it has none yet: the image of the
// firmware the state names.
void HoldControllerFlash(SimState& s);
// Once the controller holds its flash, the firmware kind and version follow
// from it (the version is kept when no firmware is recognised).
void SyncFirmwareWithFlash(SimState& s);

}  // namespace velmar::sim
