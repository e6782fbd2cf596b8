// The sparse memory image.
#include "image/THexList.h"

#include <algorithm>
#include <cstring>

#include "platform/Text.h"
#include "slot/SlotHeader.h"

namespace velmar::image {

void THexList::SetSize(std::uint32_t n) {
  values_.assign(n, 0xFF);
  status_.assign(n, StatusBit(ps_normal));
}

void THexList::Clear() {
  std::fill(values_.begin(), values_.end(), std::uint8_t(0xFF));
  std::fill(status_.begin(), status_.end(), StatusBit(ps_normal));
}

void THexList::Reserve(std::uint32_t n) {
  values_.reserve(n);
  status_.reserve(n);
}

void THexList::Grow(std::uint32_t n) {
  if (n <= values_.size()) return;
  values_.resize(n, 0xFF);
  status_.resize(n, StatusBit(ps_normal));
}

TProgStatusSet THexList::GetStatus(std::uint32_t address) const {
  if (address >= status_.size()) ThrowGet(address);
  return status_[address];
}

void THexList::SetStatus(std::uint32_t address, TProgStatusSet status) {
  if (address >= status_.size())
    throw EISPException("Set Status of Address: " + text::IntToHex(address, 8) + " out of range");
  status_[address] = status;
}

std::int64_t THexList::LastUsed() const {
  // Eight bytes at a time first: a dataflash image is megabytes of 0xFF
  // behind a few pages of slots.
  const std::uint8_t* bytes = values_.data();
  std::size_t i = values_.size();
  for (std::uint64_t word; i >= sizeof word; i -= sizeof word) {
    std::memcpy(&word, bytes + i - sizeof word, sizeof word);
    if (word != ~std::uint64_t{0}) break;
  }
  while (i-- > 0)
    if (bytes[i] != 0xFF) return std::int64_t(i | 0x0F);
  return -1;
}

std::uint8_t* THexList::DataAt(std::uint32_t offset) {
  if (offset > values_.size()) ThrowGet(offset);
  return values_.data() + offset;
}

const std::uint8_t* THexList::DataAt(std::uint32_t offset) const {
  if (offset > values_.size()) ThrowGet(offset);
  return values_.data() + offset;
}

void THexList::ThrowGet(std::uint32_t address) {
  throw EISPException("THexList:GetValue:" + text::IntToHex(address, 8) + " out of range");
}

void THexList::ThrowSet(std::uint32_t address) {
  throw EISPException("Set Value of Address: " + text::IntToHex(address, 8) + " out of range");
}

std::uint8_t* HeaderOf(THexList& image) {
  image.GetValue(slot::slot_header::kSize - 1);  // range check
  return image.DataAt(0);
}

const std::uint8_t* HeaderOf(const THexList& image) {
  image.GetValue(slot::slot_header::kSize - 1);
  return image.DataAt(0);
}

}  // namespace velmar::image
