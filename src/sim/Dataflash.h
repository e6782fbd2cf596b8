// The simulated programmer's serial dataflash: a store of pages addressed the
// way the programmer's firmware addresses it. In standard page mode a 24-bit
// address carries the page number above 9, 10 or 11 offset bits (pages of
// 264, 528 or 1056 bytes); in binary page mode pages are 256, 512 or 1024
// bytes and the address is linear. The 8-way programmers' dataflash switches
// to binary pages only at the power cycle after the switch was asked for.
// Reads run on continuously across pages; a page program rewrites one whole
// page through the chip's buffer and compares the result.
#pragma once

#include <cstdint>
#include <vector>

#include "slot/ProgrammerGeometry.h"

namespace velmar::sim {

struct FlashGeometry {
  std::uint32_t pages;
  std::uint32_t standardPage;  // bytes per page in standard mode
  int standardOffsetBits;      // address bits below the page number
  std::uint32_t binaryPage;    // bytes per page in binary mode
};

// The dataflash each programmer kind carries.
FlashGeometry FlashFor(slot::ProgrammerKind kind);

class Dataflash {
 public:
  Dataflash(const FlashGeometry& g, bool binaryPages);

  const FlashGeometry& Geometry() const { return g_; }
  bool BinaryPages() const { return binary_; }
  std::uint32_t PageSize() const { return binary_ ? g_.binaryPage : g_.standardPage; }
  std::uint32_t Size() const { return std::uint32_t(bytes_.size()); }

  // Index into the store of the byte a 24-bit address names.
  std::uint32_t Locate(std::uint32_t address) const;
  // The index after `index` in a continuous read.
  std::uint32_t Next(std::uint32_t index) const { return index + 1 < Size() ? index + 1 : 0; }
  std::uint8_t At(std::uint32_t index) const { return bytes_[index]; }
  void Set(std::uint32_t index, std::uint8_t value) { bytes_[index] = value; }

  // Programs the page that `address` names with `data`, starting at the
  // address's offset and wrapping inside the page; bytes not given keep
  // their old value. `corruptAt` (an offset in the page, or -1) models a
  // cell that does not take its value. Returns true when the page compares
  // equal to what was asked.
  bool ProgramPage(std::uint32_t address, const std::vector<std::uint8_t>& data, int corruptAt = -1);
  // Erases the block of eight pages that holds the page `address` names.
  void EraseBlock(std::uint32_t address);
  // Page number of an address.
  std::uint32_t PageOf(std::uint32_t address) const { return Locate(address) / PageSize(); }

  // Switches to binary page mode (each page keeps its first bytes).
  void SwitchToBinary();

  // Whole pages for the state file.
  const std::uint8_t* PageData(std::uint32_t page) const { return &bytes_[std::size_t(page) * PageSize()]; }
  std::uint8_t* PageData(std::uint32_t page) { return &bytes_[std::size_t(page) * PageSize()]; }
  bool PageBlank(std::uint32_t page) const;

 private:
  FlashGeometry g_;
  bool binary_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace velmar::sim
