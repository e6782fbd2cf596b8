// Reading the family, the count limit and the programming mode back from a
// slot header.
#include "model/SlotHeaderReading.h"

#include "slot/SlotHeader.h"

namespace velmar::model {

int SlotFamilyEntry(const std::uint8_t* h) {
  if (h[45] & 0x04) return 1;  // PIC12F-16F
  if (h[47] & 0x80) return 2;  // PIC18J
  if (h[76] & 0x20) return h[76] == 0x20 || h[76] == 0x22 || h[76] == 0x24 ? 4 : 5;  // PIC24F, dsPIC30
  if (h[47] & 0x20) return 3;  // PIC18 K
  return 0;                    // PIC18F
}

CountLimit SlotCountLimit(const std::uint8_t* h) {
  const std::uint16_t count = slot::GetProductionCount(h);
  if (count == 0xFFFF) return {};
  return {true, count};
}

bool SlotHighVoltageMode(const std::uint8_t* h, int familyEntry) {
  return familyEntry == 4 ? (h[47] & 0x20) != 0 : (h[45] & 0x40) != 0;
}

}  // namespace velmar::model
