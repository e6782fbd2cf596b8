// The memory image: pages made on first write, statuses kept by exception.
#include "image/THexList.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/Text.h"
#include "slot/SlotHeader.h"

namespace velmar::image {

namespace {

constexpr std::uint32_t kLargestChunkPages = 0x10000 / THexList::kPageSize;

std::size_t BlocksFor(std::uint64_t n) {
  return std::size_t((n + (1u << THexList::kBlockBits) - 1) >> THexList::kBlockBits);
}

// What a page never written reads as.
const std::uint8_t* BlankPage() {
  static const std::vector<std::uint8_t> blank(THexList::kPageSize, 0xFF);
  return blank.data();
}

}  // namespace

THexList::THexList(const THexList& other) { *this = other; }

THexList& THexList::operator=(const THexList& other) {
  if (this == &other) return *this;
  SetSize(other.size_);
  name_ = other.name_;
  status_ = other.status_;
  for (std::uint32_t i = 0; i < other.PageCount(); ++i)
    if (const std::uint8_t* page = other.PageData(i)) std::memcpy(WritablePage(i), page, kPageSize);
  return *this;
}

THexList::THexList(THexList&& other) noexcept { *this = std::move(other); }

THexList& THexList::operator=(THexList&& other) noexcept {
  if (this == &other) return *this;
  name_ = std::move(other.name_);
  size_ = std::exchange(other.size_, 0);
  status_ = std::move(other.status_);
  blocks_ = std::move(other.blocks_);
  chunks_ = std::move(other.chunks_);
  chunkPages_ = std::exchange(other.chunkPages_, 0);
  chunkUsed_ = std::exchange(other.chunkUsed_, 0);
  flat_ = std::move(other.flat_);
  other.status_.clear();
  other.blocks_.clear();
  other.chunks_.clear();
  other.flat_.clear();
  return *this;
}

void THexList::SetSize(std::uint32_t n) {
  size_ = n;
  blocks_.clear();
  blocks_.resize(BlocksFor(n));
  chunks_.clear();
  chunkPages_ = chunkUsed_ = 0;
  flat_.clear();
  flat_.shrink_to_fit();
  status_.clear();
}

void THexList::Clear() {
  status_.clear();
  if (!flat_.empty()) {
    std::fill(flat_.begin(), flat_.end(), std::uint8_t(0xFF));  // pointers from DataAt stay valid
    return;
  }
  for (auto& block : blocks_) block.reset();
  chunks_.clear();
  chunkPages_ = chunkUsed_ = 0;
}

void THexList::Grow(std::uint32_t n) {
  if (n <= size_) return;
  size_ = n;
  blocks_.resize(BlocksFor(n));
  if (!flat_.empty()) {
    flat_.resize(std::size_t(PageCount()) * kPageSize, 0xFF);
    PointIntoFlat();
  }
}

std::uint8_t* THexList::NewPage() {
  if (chunkUsed_ == chunkPages_) {
    chunkPages_ = std::min(kLargestChunkPages, std::max(1u, chunkPages_ * 2));
    chunks_.emplace_back(new std::uint8_t[std::size_t(chunkPages_) * kPageSize]);
    chunkUsed_ = 0;
  }
  std::uint8_t* page = chunks_.back().get() + std::size_t(chunkUsed_++) * kPageSize;
  std::memset(page, 0xFF, kPageSize);
  return page;
}

std::uint8_t* THexList::MadePage(std::uint32_t index) {
  Block* block = blocks_[index >> kPagesPerBlockBits].get();
  return block ? block->pages[index & (kPagesPerBlock - 1)] : nullptr;
}

std::uint8_t* THexList::WritablePage(std::uint32_t index) {
  std::unique_ptr<Block>& block = blocks_[index >> kPagesPerBlockBits];
  if (!block) block = std::make_unique<Block>();
  std::uint8_t*& page = block->pages[index & (kPagesPerBlock - 1)];
  if (!page) page = NewPage();
  return page;
}

void THexList::Write(std::uint32_t address, const std::uint8_t* bytes, std::size_t n) {
  if (n == 0) return;
  if (address >= size_) ThrowSet(address);
  if (n > size_ - address) ThrowSet(size_);
  while (n > 0) {
    const std::uint32_t at = address & (kPageSize - 1);
    const std::size_t part = std::min<std::size_t>(n, kPageSize - at);
    std::memcpy(WritablePage(address >> kPageBits) + at, bytes, part);
    address += std::uint32_t(part);
    bytes += part;
    n -= part;
  }
}

void THexList::Read(std::uint32_t address, std::uint8_t* out, std::size_t n) const {
  if (n == 0) return;
  if (address >= size_) ThrowGet(address);
  if (n > size_ - address) ThrowGet(size_);
  while (n > 0) {
    const std::uint32_t at = address & (kPageSize - 1);
    const std::size_t part = std::min<std::size_t>(n, kPageSize - at);
    if (const std::uint8_t* page = PageData(address >> kPageBits))
      std::memcpy(out, page + at, part);
    else
      std::memset(out, 0xFF, part);
    address += std::uint32_t(part);
    out += part;
    n -= part;
  }
}

void THexList::CopyFrom(const THexList& from, std::uint32_t fromAddress, std::uint32_t at, std::uint32_t count) {
  if (count == 0) return;
  if (fromAddress >= from.size_) ThrowGet(fromAddress);
  if (count > from.size_ - fromAddress) ThrowGet(from.size_);
  if (at >= size_) ThrowSet(at);
  if (count > size_ - at) ThrowSet(size_);
  while (count > 0) {
    const std::uint32_t in = fromAddress & (kPageSize - 1), out = at & (kPageSize - 1);
    const std::uint32_t part = std::min({count, kPageSize - in, kPageSize - out});
    const std::uint8_t* source = from.PageData(fromAddress >> kPageBits);
    if (source)
      std::memcpy(WritablePage(at >> kPageBits) + out, source + in, part);
    else if (std::uint8_t* target = MadePage(at >> kPageBits))
      std::memset(target + out, 0xFF, part);
    fromAddress += part;
    at += part;
    count -= part;
  }
}

TProgStatusSet THexList::GetStatus(std::uint32_t address) const {
  if (address >= size_) ThrowGet(address);
  auto it = status_.find(address);
  return it == status_.end() ? StatusBit(ps_normal) : it->second;
}

void THexList::SetStatus(std::uint32_t address, TProgStatusSet status) {
  if (address >= size_) throw EImageError("Set Status of Address: " + text::IntToHex(address, 8) + " out of range");
  if (status == StatusBit(ps_normal))
    status_.erase(address);
  else
    status_[address] = status;
}

std::int64_t THexList::LastUsed() const {
  const std::int64_t last = LastUsedByte();
  return last < 0 ? -1 : last | 0x0F;
}

std::int64_t THexList::LastUsedByte() const {
  // Blocks and pages never written are passed over whole; within a page,
  // eight bytes at a time first (a dataflash image is megabytes of 0xFF
  // behind a few pages).
  for (std::size_t b = blocks_.size(); b-- > 0;) {
    if (!blocks_[b]) continue;
    for (std::uint32_t p = kPagesPerBlock; p-- > 0;) {
      const std::uint8_t* bytes = blocks_[b]->pages[p];
      if (!bytes) continue;
      std::size_t i = kPageSize;
      for (std::uint64_t word; i >= sizeof word; i -= sizeof word) {
        std::memcpy(&word, bytes + i - sizeof word, sizeof word);
        if (word != ~std::uint64_t{0}) break;
      }
      while (i-- > 0)
        if (bytes[i] != 0xFF) return std::int64_t((std::uint64_t(b) << kBlockBits) + p * kPageSize + i);
    }
  }
  return -1;
}

void THexList::PointIntoFlat() const {
  const std::uint32_t pages = PageCount();
  for (std::uint32_t i = 0; i < pages; ++i) {
    std::unique_ptr<Block>& block = blocks_[i >> kPagesPerBlockBits];
    if (!block) block = std::make_unique<Block>();
    block->pages[i & (kPagesPerBlock - 1)] = flat_.data() + std::size_t(i) * kPageSize;
  }
}

void THexList::Flatten() const {
  if (!flat_.empty() || size_ == 0) return;
  flat_.assign(std::size_t(PageCount()) * kPageSize, 0xFF);
  for (std::uint32_t i = 0; i < PageCount(); ++i)
    if (const std::uint8_t* page = PageData(i)) std::memcpy(flat_.data() + std::size_t(i) * kPageSize, page, kPageSize);
  PointIntoFlat();
  chunks_.clear();
  chunkPages_ = chunkUsed_ = 0;
}

std::uint8_t* THexList::DataAt(std::uint32_t offset) {
  return const_cast<std::uint8_t*>(std::as_const(*this).DataAt(offset));
}

const std::uint8_t* THexList::DataAt(std::uint32_t offset) const {
  if (offset > size_) ThrowGet(offset);
  Flatten();
  // An empty image still gives a real address: memcpy and memcmp of zero
  // bytes need one.
  if (flat_.capacity() == 0) flat_.reserve(1);
  return flat_.data() + offset;
}

void THexList::ThrowGet(std::uint32_t address) {
  throw EImageError("THexList:GetValue:" + text::IntToHex(address, 8) + " out of range");
}

void THexList::ThrowSet(std::uint32_t address) {
  throw EImageError("Set Value of Address: " + text::IntToHex(address, 8) + " out of range");
}

// The header lies within the first page, so it is reached without making
// the image flat.
static_assert(slot::slot_header::kSize <= THexList::kPageSize);

std::uint8_t* HeaderOf(THexList& image) {
  image.GetValue(slot::slot_header::kSize - 1);  // range check
  return image.WritablePage(0);
}

const std::uint8_t* HeaderOf(const THexList& image) {
  image.GetValue(slot::slot_header::kSize - 1);
  const std::uint8_t* page = image.PageData(0);
  return page ? page : BlankPage();
}

}  // namespace velmar::image
