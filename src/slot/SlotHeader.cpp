// Slot header fields, texts and checksums.
#include "slot/SlotHeader.h"

#include <algorithm>

#include "platform/Text.h"

namespace velmar::slot {

using namespace slot_header;

std::uint32_t GetField(const std::uint8_t* header, HeaderField f) {
  std::uint32_t v = 0;
  std::size_t n = std::min<std::size_t>(f.size, 4);
  for (std::size_t i = 0; i < n; ++i) v |= std::uint32_t(header[f.offset + i]) << (8 * i);
  return v;
}

void PutField(std::uint8_t* header, HeaderField f, std::uint32_t value) {
  for (std::size_t i = 0; i < f.size; ++i) header[f.offset + i] = i < 4 ? std::uint8_t(value >> (8 * i)) : 0;
}

std::string GetText(const std::uint8_t* header, HeaderField f) {
  return std::string(reinterpret_cast<const char*>(header + f.offset), f.size);
}

void PutText(std::uint8_t* header, HeaderField f, std::string_view text) {
  std::string t = text::FitRight(text, f.size, ' ');
  std::copy(t.begin(), t.end(), header + f.offset);
}

std::uint16_t GetProductionCount(const std::uint8_t* header) {
  return std::uint16_t(header[ProductionCount.offset] << 8 | header[ProductionCount.offset + 1]);
}

void PutProductionCount(std::uint8_t* header, std::uint16_t count) {
  header[ProductionCount.offset] = std::uint8_t(count >> 8);
  header[ProductionCount.offset + 1] = std::uint8_t(count);
}

std::uint8_t NegatedSum(const std::uint8_t* data, std::size_t n) {
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum = std::uint8_t(sum + data[i]);
  return std::uint8_t(-sum);
}

std::uint8_t ComputeHeaderChecksum(const std::uint8_t* header) { return NegatedSum(header, kChecksummed); }

bool HeaderChecksumOk(const std::uint8_t* header) {
  return header[HeaderChecksum.offset] == ComputeHeaderChecksum(header);
}

void SealHeader(std::uint8_t* header) { header[HeaderChecksum.offset] = ComputeHeaderChecksum(header); }

std::string MakeSlotName(int slotNumber, std::string_view description) {
  std::string name = text::ZeroPad(std::uint64_t(slotNumber < 0 ? 0 : slotNumber) % 1000, 3) + " ";
  name += description;
  return text::FitRight(name, SlotName.size, ' ');
}

HeaderBytes EmptyHeader(std::uint16_t nextHeaderPage, std::uint16_t pageCount) {
  HeaderBytes h;
  h.fill(0xFF);
  PutField(h.data(), NextHeaderPage, nextHeaderPage);
  PutField(h.data(), InUseMarker, 0x00);
  PutField(h.data(), PageCount, pageCount);
  h[5] = 0x00;
  PutText(h.data(), SlotName, kEmptyName);
  return h;
}

}  // namespace velmar::slot
