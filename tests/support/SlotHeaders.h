// Slot headers as the family builders write them, for tests that stage
// slots in a simulated programmer: the option bytes, family flags, supply
// flag, count limit and names of one slot, and the whole 160-byte header
// with its link, page count and checksum.
#pragma once

#include <cstdint>
#include <string>

#include "slot/SlotHeader.h"

namespace velmar::test {

// What a slot header records, as the family builders write it. Bytes not
// named keep 0xFF, as in a cleared header image.
struct SlotSpec {
  std::string description = "Test job";
  std::string file = "blink.hex";
  std::string device;
  std::string deviceId = "FFFF";    // four hex digits
  std::uint8_t optionsA = 0x80;     // byte 45
  std::uint8_t optionsB = 0xFF;     // byte 46
  std::uint8_t optionsC = 0x00;     // byte 47
  std::uint8_t familyFlags = 0x04;  // byte 76
  std::uint8_t supply = 0xA9;       // byte 81
  int limitFlags = 0x00;            // byte 84 (-1: not written)
  std::uint16_t count = 0xFFFF;     // bytes 158-159
  std::uint8_t repeat = 5;          // byte 86
  std::string config;               // bytes 56.. as hex text
};

// A header for slot `slot` (1-based) at `startPage`, `pages` long, linked to
// the next slot (0xFFFF on a single-slot kind).
slot::HeaderBytes MakeHeader(const SlotSpec& spec, int slot, std::uint32_t startPage, std::uint32_t pages,
                             bool singleSlot);

}  // namespace velmar::test
