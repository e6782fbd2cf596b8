// Checking a unit image before Load Unit.
#include "operations/UnitImageCheck.h"

#include <set>

#include "image/THexList.h"
#include "platform/Text.h"
#include "slot/DirectoryCheck.h"
#include "slot/SlotHeader.h"
#include "slot/TProgramEntry.h"

namespace velmar::ops {

namespace {

using namespace slot::slot_header;

constexpr std::uint32_t kSingleSlotLink = 0xFFFF;
constexpr std::uint32_t kPortablePagesOf1024 = 258;

// The link and page count the first slot of a programmer of `g` has.
bool FirstSlotFits(const slot::ProgrammerGeometry& g, std::uint32_t link, std::uint32_t pages) {
  const std::uint32_t perSlot = g.PagesPerSlot();
  if (!g.IsMultiSlot()) return link == kSingleSlotLink && pages == perSlot;
  const bool pagesFit = pages == perSlot || (g.Row().pageMode256 && pages == kPortablePagesOf1024);
  return link == perSlot && pagesFit;
}

std::optional<slot::ProgrammerKind> KindOfFirstSlot(const slot::ProgrammerGeometry& connected, std::uint32_t link,
                                                    std::uint32_t pages) {
  if (FirstSlotFits(connected, link, pages)) return connected.Kind;
  for (int number = 0; auto kind = slot::KindFromNumber(number); ++number) {
    slot::ProgrammerGeometry g;
    g.ApplyKind(*kind);
    if (FirstSlotFits(g, link, pages)) return *kind;
  }
  return std::nullopt;
}

std::string Described(slot::ProgrammerKind kind) {
  const slot::KindInfo* k = slot::FindKind(kind);
  const std::string model = k ? k->model : "unknown programmer";
  return (model[0] == '8' ? "an " : "a ") + model;
}

// The slots the directory walk would list from the image, with its rules:
// from page 0, while headers are in use, at most the slot count, never
// past the dataflash or back to a page already visited.
void ListSlots(const image::THexList& unit, const slot::ProgrammerGeometry& g, slot::TProgramEntryList& list) {
  std::set<std::uint32_t> visited;
  for (std::uint32_t page = 0; page < g.PageTotal() && !visited.count(page);) {
    const std::uint64_t at = std::uint64_t(page) * g.PageSize;
    if (at + kSize > unit.Count()) break;
    const std::uint8_t* h = unit.DataAt(std::uint32_t(at));
    if (h[InUseMarker.offset] != 0x00) break;
    visited.insert(page);
    list.Add(slot::EntryFromHeader(page, h));
    if (!g.IsMultiSlot() || std::uint32_t(list.EntryCount) >= g.SlotCount) break;
    page = slot::GetField(h, NextHeaderPage);
  }
}

}  // namespace

UnitImageReport CheckUnitImage(const image::THexList& unit, const slot::ProgrammerGeometry& g) {
  UnitImageReport r;
  if (unit.Count() < kSize) {
    r.refusal = "The file holds no slot header.";
    return r;
  }
  const std::uint8_t* first = unit.DataAt(0);
  const std::uint32_t link = slot::GetField(first, NextHeaderPage);
  const std::uint32_t pages = slot::GetField(first, PageCount);
  r.kind = KindOfFirstSlot(g, link, pages);
  const std::string connected = "the connected programmer is " + Described(g.Kind) + ", with slots of " +
                                std::to_string(g.PagesPerSlot()) + " pages of " + std::to_string(g.PageSize) +
                                " bytes.";
  if (!r.kind) {
    r.refusal = "The file's first slot (link " + std::to_string(link) + ", " + std::to_string(pages) +
                " pages) fits no programmer kind; " + connected;
    r.otherGeometry = true;
    return r;
  }
  if (*r.kind != g.Kind && !FirstSlotFits(g, link, pages)) {
    slot::ProgrammerGeometry theirs;
    theirs.ApplyKind(*r.kind);
    r.refusal = "The file is a unit image of " + Described(*r.kind) + ", with slots of " +
                std::to_string(theirs.PagesPerSlot()) + " pages of " + std::to_string(theirs.PageSize) + " bytes; " +
                connected;
    r.otherGeometry = true;
    return r;
  }

  slot::TProgramEntryList list;
  ListSlots(unit, g, list);
  for (int i = 0; i < list.EntryCount; ++i)
    r.slots.push_back({i + 1, text::Trim(list.Get(i).SlotName), text::Trim(list.Get(i).DeviceName)});
  for (int i = 0; i < list.EntryCount; ++i) {
    const slot::HeaderBytes& h = list.Get(i).Header;
    if (!slot::HeaderChecksumOk(h.data()) && !slot::IsEmptiedHeader(h.data())) {
      r.refusal = "Slot " + std::to_string(i + 1) + " in the file is damaged: its header checksum is wrong.";
      return r;
    }
  }
  if (const auto damage = slot::FindDirectoryDamage(list, g)) {
    r.refusal = "Slot " + std::to_string(damage->slot) + " in the file is damaged: " + damage->reason + ".";
    return r;
  }
  // Copy Unit saves the listed slots and nothing after them. Data past the
  // last one would be written all the same, and an old header among it
  // would be listed again once a New links a slot to it.
  if (g.IsMultiSlot() && list.EntryCount > 0) {
    const std::uint64_t end = std::uint64_t(list.Get(list.EntryCount - 1).StartPage + g.PagesPerSlot()) * g.PageSize;
    if (unit.LastUsedByte() >= std::int64_t(end))
      r.refusal = "The file holds data past its last slot (slot " + std::to_string(list.EntryCount) +
                  " ends before page " + std::to_string(end / g.PageSize) + ", the data goes on to page " +
                  std::to_string(std::uint64_t(unit.LastUsedByte()) / g.PageSize) + "): Copy Unit saves no such file.";
  }
  return r;
}

std::string UnitImageContents(const UnitImageReport& report) {
  const std::size_t count = report.slots.size();
  std::string text = "A unit image of " + (report.kind ? Described(*report.kind) : std::string("a programmer")) + ", " +
                     std::to_string(count) + (count == 1 ? " slot" : " slots") + (count ? ":" : "");
  for (std::size_t i = 0; i < count && i < std::size_t(kMaxListedSlots); ++i) {
    const UnitImageSlot& s = report.slots[i];
    // Descriptions carry their slot number ("001 Blink"); an emptied slot's
    // does not ("Empty").
    const std::string number = text::ZeroPad(std::uint64_t(s.number), 3);
    text += "\r" + (s.name.rfind(number + " ", 0) == 0 ? s.name : number + " " + s.name);
    if (!s.device.empty()) text += " (" + s.device + ")";
  }
  if (count > std::size_t(kMaxListedSlots)) text += "\rand " + std::to_string(count - kMaxListedSlots) + " more";
  return text;
}

}  // namespace velmar::ops
