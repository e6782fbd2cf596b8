// What Show Slot Details reads back from a slot header: the family entry the
// slot was built for and its production count limit. The limit is read from
// `ProductionCount` (bytes 158-159, big-endian, 0xFFFF when off), the field
// every builder writes; `LimitFlags` (byte 84) is not consulted because the
// 16-bit families leave it 0xFF. See docs/SLOT-DETAILS.md.
#pragma once

#include <cstdint>

namespace velmar::model {

// The family list entry (0 PIC18F, 1 PIC12F-16F, 2 PIC18J, 3 PIC18 K,
// 4 PIC24F, 5 dsPIC30) a header was built for.
int SlotFamilyEntry(const std::uint8_t* header);

struct CountLimit {
  bool on = false;
  std::uint16_t count = 0;  // what the slot holds now (0 when off)
};
CountLimit SlotCountLimit(const std::uint8_t* header);

// The programming mode the slot was built with: true for high voltage
// (entry 1 of `progMode`). The PIC24F builder records it in OptionFlagsC
// bit 5; every other family in OptionFlagsA bit 6.
bool SlotHighVoltageMode(const std::uint8_t* header, int familyEntry);

}  // namespace velmar::model
