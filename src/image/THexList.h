// THexList: the one in-memory representation of a block of target or
// programmer memory (a user's program, EEPROM data, a slot header, a whole
// slot, pages read back, a firmware image). A flat byte array indexed from 0
// in which 0xFF is an empty byte, with one status byte per address. Every
// access is range-checked and raises the memory image's EISPException.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/ISPDefs.h"

namespace velmar::image {

class THexList {
 public:
  THexList() = default;
  explicit THexList(std::uint32_t size) { SetSize(size); }

  std::uint32_t Count() const { return std::uint32_t(values_.size()); }
  // Resizes and clears the whole image (old contents are not kept).
  void SetSize(std::uint32_t n);
  // Every value 0xFF, every status {ps_normal}.
  void Clear();
  // Room for `n` addresses, so that growing up to it never moves the arrays
  // (memory the image does not grow into is never touched).
  void Reserve(std::uint32_t n);
  // Extends the image to `n` addresses: the new ones cleared, the old kept.
  void Grow(std::uint32_t n);

  std::uint8_t GetValue(std::uint32_t address) const {
    if (address >= values_.size()) ThrowGet(address);
    return values_[address];
  }
  void SetValue(std::uint32_t address, std::uint8_t value) {
    if (address >= values_.size()) ThrowSet(address);
    values_[address] = value;
  }
  TProgStatusSet GetStatus(std::uint32_t address) const;
  void SetStatus(std::uint32_t address, TProgStatusSet status);

  // Highest address holding a byte other than 0xFF, OR 0x0F (the end of its
  // 16-byte line); -1 when every byte is 0xFF.
  std::int64_t LastUsed() const;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }

  // Direct access to the values from `offset` (for block moves). The caller
  // stays within Count() - offset bytes.
  std::uint8_t* DataAt(std::uint32_t offset);
  const std::uint8_t* DataAt(std::uint32_t offset) const;

 private:
  [[noreturn]] static void ThrowGet(std::uint32_t address);
  [[noreturn]] static void ThrowSet(std::uint32_t address);

  std::string name_;
  std::vector<TProgStatusSet> status_;
  std::vector<std::uint8_t> values_;
};

// The slot header at the start of a memory image (its first 160 bytes);
// raises EISPException when the image is smaller.
std::uint8_t* HeaderOf(THexList& image);
const std::uint8_t* HeaderOf(const THexList& image);

}  // namespace velmar::image
