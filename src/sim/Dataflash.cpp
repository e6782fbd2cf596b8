// Dataflash addressing, continuous reads, page programs and block erases.
#include "sim/Dataflash.h"

#include <algorithm>

namespace velmar::sim {

FlashGeometry FlashFor(slot::ProgrammerKind kind) {
  const slot::SimulatedParts& p = slot::KindRow(kind).sim;
  return {p.flashPages, p.flashStandardPage, p.flashOffsetBits, p.flashBinaryPage};
}

Dataflash::Dataflash(const FlashGeometry& g, bool binaryPages)
    : g_(g), binary_(binaryPages), bytes_(std::size_t(g.pages) * (binaryPages ? g.binaryPage : g.standardPage), 0xFF) {}

std::uint32_t Dataflash::Locate(std::uint32_t address) const {
  address &= 0xFFFFFF;
  if (binary_) return address % Size();
  std::uint32_t page = (address >> g_.standardOffsetBits) % g_.pages;
  std::uint32_t offset = (address & ((1u << g_.standardOffsetBits) - 1)) % g_.standardPage;
  return page * g_.standardPage + offset;
}

bool Dataflash::ProgramPage(std::uint32_t address, const std::vector<std::uint8_t>& data, int corruptAt) {
  const std::uint32_t size = PageSize();
  const std::uint32_t start = Locate(address);
  const std::uint32_t base = start - start % size;
  std::vector<std::uint8_t> wanted(bytes_.begin() + base, bytes_.begin() + base + size);
  std::uint32_t offset = start % size;
  for (std::uint8_t b : data) {
    wanted[offset] = b;
    offset = (offset + 1) % size;
  }
  std::copy(wanted.begin(), wanted.end(), bytes_.begin() + base);
  if (corruptAt >= 0 && std::uint32_t(corruptAt) < size) bytes_[base + corruptAt] ^= 0x01;
  return std::equal(wanted.begin(), wanted.end(), bytes_.begin() + base);
}

void Dataflash::EraseBlock(std::uint32_t address) {
  const std::uint32_t size = PageSize();
  const std::uint32_t first = (Locate(address) / size) & ~7u;
  for (std::uint32_t p = first; p < first + 8 && p < g_.pages; ++p)
    std::fill_n(bytes_.begin() + std::size_t(p) * size, size, 0xFF);
}

void Dataflash::SwitchToBinary() {
  if (binary_) return;
  std::vector<std::uint8_t> next(std::size_t(g_.pages) * g_.binaryPage, 0xFF);
  for (std::uint32_t p = 0; p < g_.pages; ++p)
    std::copy_n(bytes_.begin() + std::size_t(p) * g_.standardPage, g_.binaryPage,
                next.begin() + std::size_t(p) * g_.binaryPage);
  bytes_ = std::move(next);
  binary_ = true;
}

bool Dataflash::PageBlank(std::uint32_t page) const {
  const std::uint8_t* p = PageData(page);
  return std::all_of(p, p + PageSize(), [](std::uint8_t b) { return b == 0xFF; });
}

}  // namespace velmar::sim
