// THexList: the one in-memory representation of a block of target or
// programmer memory (a user's program, EEPROM data, a slot header, a whole
// slot, pages read back, a firmware image). Bytes indexed from 0 in which
// 0xFF is an empty byte, with a status per address. Memory follows the data,
// not the size: the bytes live in 256-byte pages made on the first write (a
// page never written reads as 0xFF), and only statuses other than
// {ps_normal} are kept, so a 16 MiB image holding 1 KiB costs a few pages.
// DataAt, for block moves, makes the image one flat block of its whole size.
// Every access is range-checked and raises the memory image's EImageError.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "image/ISPDefs.h"

namespace velmar::image {

class THexList {
 public:
  // 256-byte pages, found through 64 KiB blocks of page pointers made on
  // first write too, so an image's table is one pointer per 64 KiB.
  static constexpr std::uint32_t kPageBits = 8;
  static constexpr std::uint32_t kPageSize = 1u << kPageBits;
  static constexpr std::uint32_t kBlockBits = 16;

  THexList() = default;
  explicit THexList(std::uint32_t size) { SetSize(size); }
  THexList(const THexList& other);
  THexList& operator=(const THexList& other);
  // A moved-from image is empty (size 0).
  THexList(THexList&& other) noexcept;
  THexList& operator=(THexList&& other) noexcept;
  ~THexList() = default;

  std::uint32_t Count() const { return size_; }
  // Sets the size and clears the whole image (old contents are not kept).
  void SetSize(std::uint32_t n);
  // Every value 0xFF, every status {ps_normal}; the pages are given back
  // (a flat image stays flat, so pointers from DataAt stay valid).
  void Clear();
  // Extends the image to `n` addresses: the new ones cleared, the old kept.
  void Grow(std::uint32_t n);

  std::uint8_t GetValue(std::uint32_t address) const {
    if (address >= size_) ThrowGet(address);
    const std::uint8_t* page = PageData(address >> kPageBits);
    return page ? page[address & (kPageSize - 1)] : std::uint8_t(0xFF);
  }
  void SetValue(std::uint32_t address, std::uint8_t value) {
    if (address >= size_) ThrowSet(address);
    WritablePage(address >> kPageBits)[address & (kPageSize - 1)] = value;
  }
  // `n` bytes from `address` on; raises (writing nothing) when they do not
  // all lie within the image.
  void Write(std::uint32_t address, const std::uint8_t* bytes, std::size_t n);
  void Read(std::uint32_t address, std::uint8_t* out, std::size_t n) const;
  // Copies `count` bytes of another image from `fromAddress` on to `at` on,
  // page by page (pages blank in both stay unmade); raises, copying
  // nothing, when either range does not lie within its image.
  void CopyFrom(const THexList& from, std::uint32_t fromAddress, std::uint32_t at, std::uint32_t count);

  TProgStatusSet GetStatus(std::uint32_t address) const;
  void SetStatus(std::uint32_t address, TProgStatusSet status);

  // Highest address holding a byte other than 0xFF, OR 0x0F (the end of its
  // 16-byte line); -1 when every byte is 0xFF.
  std::int64_t LastUsed() const;
  // Highest address holding a byte other than 0xFF; -1 when there is none.
  std::int64_t LastUsedByte() const;

  // The pages, kPageSize bytes each from address index * kPageSize (the
  // last one may reach past Count(): those bytes are 0xFF); nullptr for a
  // page never written, whose bytes are all 0xFF.
  std::uint32_t PageCount() const { return std::uint32_t((std::uint64_t(size_) + kPageSize - 1) >> kPageBits); }
  const std::uint8_t* PageData(std::uint32_t index) const {
    const Block* block = blocks_[index >> kPagesPerBlockBits].get();
    return block ? block->pages[index & (kPagesPerBlock - 1)] : nullptr;
  }

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }

  // Direct access to the values from `offset` (for block moves): makes the
  // image one flat block of Count() bytes, valid until its size changes.
  // The caller stays within Count() - offset bytes.
  std::uint8_t* DataAt(std::uint32_t offset);
  const std::uint8_t* DataAt(std::uint32_t offset) const;

 private:
  static constexpr std::uint32_t kPagesPerBlockBits = kBlockBits - kPageBits;
  static constexpr std::uint32_t kPagesPerBlock = 1u << kPagesPerBlockBits;
  struct Block {
    std::uint8_t* pages[kPagesPerBlock] = {};
  };

  friend std::uint8_t* HeaderOf(THexList& image);
  [[noreturn]] static void ThrowGet(std::uint32_t address);
  [[noreturn]] static void ThrowSet(std::uint32_t address);
  std::uint8_t* WritablePage(std::uint32_t index);
  std::uint8_t* MadePage(std::uint32_t index);  // nullptr when never written
  std::uint8_t* NewPage();
  void Flatten() const;
  void PointIntoFlat() const;

  std::string name_;
  std::uint32_t size_ = 0;
  // Statuses other than {ps_normal}, by address.
  std::map<std::uint32_t, TProgStatusSet> status_;
  // One entry per 64 KiB; nullptr until a page in it is written. A page
  // pointer leads into chunks_ or flat_.
  mutable std::vector<std::unique_ptr<Block>> blocks_;
  // The pages' memory, handed out a page at a time from chunks that double
  // up to 64 KiB.
  mutable std::vector<std::unique_ptr<std::uint8_t[]>> chunks_;
  mutable std::uint32_t chunkPages_ = 0, chunkUsed_ = 0;
  mutable std::vector<std::uint8_t> flat_;
};

// The slot header at the start of a memory image (its first 160 bytes);
// raises EImageError when the image is smaller.
std::uint8_t* HeaderOf(THexList& image);
const std::uint8_t* HeaderOf(const THexList& image);

}  // namespace velmar::image
