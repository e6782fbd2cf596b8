// Reading the family, the count limit and the programming mode back from a
// slot header.
#include "model/SlotHeaderReading.h"

#include "devices/TData.h"
#include "slot/SlotHeader.h"

namespace velmar::model {

int SlotFamilyEntry(const std::uint8_t* h) {
  using enum devices::FamilyCode;
  if (h[45] & 0x04) return fam_PIC12F16F;
  if (h[47] & 0x80) return fam_PIC18J;
  if (h[76] & 0x20) return h[76] == 0x20 || h[76] == 0x22 || h[76] == 0x24 ? fam_PIC24F : fam_dsPIC30;
  if (h[47] & 0x20) return fam_PIC18K;
  return fam_PIC18F;
}

CountLimit SlotCountLimit(const std::uint8_t* h) {
  const std::uint16_t count = slot::GetProductionCount(h);
  if (count == 0xFFFF) return {};
  return {true, count};
}

bool SlotHighVoltageMode(const std::uint8_t* h, int familyEntry) {
  return familyEntry == devices::fam_PIC24F ? (h[47] & 0x20) != 0 : (h[45] & 0x40) != 0;
}

}  // namespace velmar::model
