// Checking the slot directory before a write.
#include "slot/DirectoryCheck.h"

#include <algorithm>

#include "slot/ProgrammerGeometry.h"
#include "slot/TProgramEntry.h"

namespace velmar::slot {

using namespace slot_header;

bool IsEmptiedHeader(const std::uint8_t* header) {
  if (header[InUseMarker.offset] != 0x00) return false;
  const std::string name = GetText(header, SlotName);
  if (name != std::string(kEmptyName) + std::string(SlotName.size - kEmptyName.size(), ' ')) return false;
  return std::all_of(header + CodeLength.offset, header + kChecksummed, [](std::uint8_t b) { return b == 0xFF; });
}

std::optional<DirectoryDamage> FindDirectoryDamage(const TProgramEntryList& slots, const ProgrammerGeometry& g) {
  if (!g.IsMultiSlot()) return std::nullopt;
  const std::uint32_t pageTotal = g.PageTotal();
  for (int i = 0; i < slots.EntryCount; ++i) {
    const TProgramEntry& e = slots.Get(i);
    const int number = i + 1;
    if (!HeaderChecksumOk(e.Header.data()) && !IsEmptiedHeader(e.Header.data()))
      return DirectoryDamage{number, DamageKind::header_checksum,
                             "its header checksum is wrong, so its link and page count cannot be trusted"};
    const std::uint64_t end = std::uint64_t(e.StartPage) + e.PageCount;
    if (e.PageCount == 0 || e.NextPage < end)
      return DirectoryDamage{number, DamageKind::link,
                             "its link points to page " + std::to_string(e.NextPage) + ", inside its own " +
                                 std::to_string(e.PageCount) + " pages from page " + std::to_string(e.StartPage)};
    if (e.NextPage > pageTotal)
      return DirectoryDamage{number, DamageKind::link,
                             "its link points to page " + std::to_string(e.NextPage) + ", past the dataflash's " +
                                 std::to_string(pageTotal) + " pages"};
  }
  return std::nullopt;
}

std::optional<TProgramEntry> RepairedEmptySlot(const TProgramEntryList& slots, const ProgrammerGeometry& g, int slot) {
  if (slot < 1 || slot > slots.EntryCount) return std::nullopt;
  const TProgramEntry& damaged = slots.Get(slot - 1);
  const std::uint64_t end = std::uint64_t(damaged.StartPage) + g.PagesPerSlot();
  if (g.PagesPerSlot() == 0 || end > g.PageTotal()) return std::nullopt;
  for (int i = 0; i < slots.EntryCount; ++i) {
    const std::uint32_t start = slots.Get(i).StartPage;
    if (start > damaged.StartPage && start < end) return std::nullopt;
  }
  const HeaderBytes header = EmptyHeader(std::uint16_t(end), std::uint16_t(g.PagesPerSlot()));
  return TProgramEntry(damaged.StartPage, std::uint32_t(end), g.PagesPerSlot(),
                       std::string(kEmptyName) + std::string(SlotName.size - kEmptyName.size(), ' '), "", "", header);
}

std::string DamageMessage(const DirectoryDamage& d, bool deleteRepairs) {
  const std::string n = std::to_string(d.slot);
  std::string advice = "Copy the unit first (Copy Unit) to keep what it holds; then ";
  advice += deleteRepairs ? "Delete slot " + n + " or use Erase Unit." : "use Erase Unit.";
  return "Slot " + n + " in the programmer is damaged: " + d.reason +
         ".\rNothing was written, so that no other slot is overwritten.\r" + advice;
}

}  // namespace velmar::slot
