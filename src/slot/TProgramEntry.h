// The slot catalogue: TProgramEntry is one slot as listed (where its header
// lies, its link, its page count, its names and a copy of its header);
// TProgramEntryList is the ordered catalogue with the index of the slot the
// user works on, and its search.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "slot/SlotHeader.h"

namespace velmar::slot {

class TProgramEntry {
 public:
  TProgramEntry(std::uint32_t startPage, std::uint32_t nextPage, std::uint32_t pageCount, std::string slotName,
                std::string sourceFileName, std::string deviceName, const HeaderBytes& header);

  std::uint32_t StartPage;
  std::uint32_t NextPage;
  std::uint32_t PageCount;
  std::string SlotName;
  std::string SourceFileName;
  std::string DeviceName;
  HeaderBytes Header;

  void SetStartPage(std::uint32_t v) { StartPage = v; }
  void SetNextPage(std::uint32_t v) { NextPage = v; }
  void SetPageCount(std::uint32_t v) { PageCount = v; }

  // Mode 1 compares with SourceFileName, any other mode with SlotName.
  // Partial: the target contains the text; otherwise they must be equal.
  bool Matches(const std::string& text, int mode, bool partial, bool caseSensitive) const;
};

// Filtering of the names read from a header: keeps '-', '.', digits, 0x40 to
// 0x5D, '_' and 'a' to '}', and turns every other byte into a space.
std::string FilterName(std::string_view raw);

// The entry for the header `header` read at page `page`.
std::unique_ptr<TProgramEntry> EntryFromHeader(std::uint32_t page, const std::uint8_t* header);

class TProgramEntryList {
 public:
  TProgramEntryList() = default;
  ~TProgramEntryList() { Clear(); }
  TProgramEntryList(const TProgramEntryList&) = delete;
  TProgramEntryList& operator=(const TProgramEntryList&) = delete;

  int CurrentIndex = 0;
  int EntryCount = 0;

  void Add(std::unique_ptr<TProgramEntry> entry);
  // Inserts before `index` (0..EntryCount); raises std::out_of_range otherwise.
  void Insert(int index, std::unique_ptr<TProgramEntry> entry);
  void Delete(int index);
  void Clear();
  // Raises std::out_of_range for an index outside 0..EntryCount-1.
  TProgramEntry& Get(int index);
  const TProgramEntry& Get(int index) const;

  // Searches from `startIndex` forward or backward; mode 3 tries the file
  // name and then the slot name; mode 1 first drops any folder from `text`.
  // Returns the first matching index or -1.
  int Find(const std::string& text, int mode, int startIndex, bool partial, bool caseSensitive, bool forward) const;

 private:
  std::vector<std::unique_ptr<TProgramEntry>> entries_;
};

}  // namespace velmar::slot
