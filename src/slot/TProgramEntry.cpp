// Slot records, name filtering and the catalogue's search.
#include "slot/TProgramEntry.h"

#include <stdexcept>

#include "platform/Paths.h"
#include "platform/Text.h"

namespace velmar::slot {

TProgramEntry::TProgramEntry(std::uint32_t startPage, std::uint32_t nextPage, std::uint32_t pageCount,
                             std::string slotName, std::string sourceFileName, std::string deviceName,
                             const HeaderBytes& header)
    : StartPage(startPage),
      NextPage(nextPage),
      PageCount(pageCount),
      SlotName(std::move(slotName)),
      SourceFileName(std::move(sourceFileName)),
      DeviceName(std::move(deviceName)),
      Header(header) {}

bool TProgramEntry::Matches(const std::string& text, int mode, bool partial, bool caseSensitive) const {
  std::string target = mode == 1 ? SourceFileName : SlotName;
  std::string wanted = text;
  if (!caseSensitive) {
    target = text::UpperCase(target);
    wanted = text::UpperCase(wanted);
  }
  return partial ? target.find(wanted) != std::string::npos : target == wanted;
}

std::string FilterName(std::string_view raw) {
  std::string out(raw);
  for (char& c : out) {
    auto b = static_cast<unsigned char>(c);
    bool keep = b == '-' || b == '.' || (b >= '0' && b <= '9') || (b >= 0x40 && b <= 0x5D) || b == '_' ||
                (b >= 'a' && b <= '}');
    if (!keep) c = ' ';
  }
  return out;
}

std::unique_ptr<TProgramEntry> EntryFromHeader(std::uint32_t page, const std::uint8_t* header) {
  using namespace slot_header;
  HeaderBytes copy;
  std::copy(header, header + kSize, copy.begin());
  // The list keeps one byte more of each name than the header field holds.
  std::string file(reinterpret_cast<const char*>(header + SourceFileName.offset), SourceFileName.size + 1);
  std::string device(reinterpret_cast<const char*>(header + DeviceName.offset), DeviceName.size + 1);
  return std::make_unique<TProgramEntry>(page, GetField(header, NextHeaderPage), GetField(header, PageCount),
                                         GetText(header, SlotName), FilterName(file), FilterName(device), copy);
}

void TProgramEntryList::Add(std::unique_ptr<TProgramEntry> entry) {
  entries_.push_back(std::move(entry));
  ++EntryCount;
}

void TProgramEntryList::Insert(int index, std::unique_ptr<TProgramEntry> entry) {
  if (index < 0 || index > int(entries_.size())) throw std::out_of_range("slot list index " + std::to_string(index));
  entries_.insert(entries_.begin() + index, std::move(entry));
  ++EntryCount;
}

void TProgramEntryList::Delete(int index) {
  if (index < 0 || index >= int(entries_.size())) throw std::out_of_range("slot list index " + std::to_string(index));
  entries_.erase(entries_.begin() + index);
  --EntryCount;
}

void TProgramEntryList::Clear() {
  while (!entries_.empty()) Delete(0);
  EntryCount = 0;
}

TProgramEntry& TProgramEntryList::Get(int index) {
  if (index < 0 || index >= int(entries_.size())) throw std::out_of_range("slot list index " + std::to_string(index));
  return *entries_[std::size_t(index)];
}

const TProgramEntry& TProgramEntryList::Get(int index) const {
  return const_cast<TProgramEntryList*>(this)->Get(index);
}

int TProgramEntryList::Find(const std::string& text, int mode, int startIndex, bool partial, bool caseSensitive,
                            bool forward) const {
  std::string wanted = mode == 1 ? platform::ExtractFileName(text) : text;
  int step = forward ? 1 : -1;
  for (int i = startIndex; i >= 0 && i < EntryCount && i < int(entries_.size()); i += step) {
    const TProgramEntry& e = *entries_[std::size_t(i)];
    bool hit = mode == 3 ? e.Matches(text, 1, partial, caseSensitive) || e.Matches(text, 2, partial, caseSensitive)
                         : e.Matches(wanted, mode, partial, caseSensitive);
    if (hit) return i;
  }
  return -1;
}

}  // namespace velmar::slot
