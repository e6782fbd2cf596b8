// Slot headers for staged slots.
#include "support/SlotHeaders.h"

#include <string>

namespace velmar::test {

namespace {

void PutHex(std::uint8_t* h, std::size_t at, const std::string& hex) {
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    h[at + i / 2] = std::uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16));
}

}  // namespace

slot::HeaderBytes MakeHeader(const SlotSpec& s, int slot, std::uint32_t startPage, std::uint32_t pages,
                             bool singleSlot) {
  using namespace slot::slot_header;
  const std::uint32_t next = singleSlot ? 0xFFFF : startPage + pages;
  if (s.description == std::string(kEmptyName)) return slot::EmptyHeader(std::uint16_t(next), std::uint16_t(pages));
  slot::HeaderBytes h;
  h.fill(0xFF);
  std::uint8_t* p = h.data();
  slot::PutField(p, NextHeaderPage, next);
  slot::PutField(p, InUseMarker, 0);
  slot::PutField(p, PageCount, pages);
  p[5] = 0;
  slot::PutText(p, SlotName, slot::MakeSlotName(slot, s.description));
  PutHex(p, 43, s.deviceId);
  p[45] = s.optionsA;
  p[46] = s.optionsB;
  p[47] = s.optionsC;
  PutHex(p, 56, s.config);
  p[76] = s.familyFlags;
  p[80] = 0xFF;
  p[81] = s.supply;
  if (s.limitFlags >= 0) p[84] = std::uint8_t(s.limitFlags);
  p[86] = s.repeat;
  slot::PutText(p, SourceFileName, s.file);
  slot::PutText(p, DeviceName, s.device);
  slot::SealHeader(p);
  slot::PutProductionCount(p, s.count);
  return h;
}

}  // namespace velmar::test
