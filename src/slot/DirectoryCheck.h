// Whether a slot directory as read can be written to safely. On a
// multi-slot programmer the links decide where New writes and the page
// counts how far Replace and Delete write: one bad byte in a header (a link
// read as another page, a loaded image whose link points inside its own
// slot) would make a write land on another slot. Reading and copying never
// need this check; every write does.
#pragma once

#include <optional>
#include <string>

#include "slot/SlotHeader.h"

namespace velmar::slot {

struct ProgrammerGeometry;
class TProgramEntry;
class TProgramEntryList;

enum class DamageKind {
  header_checksum,  // the header's own checksum does not add up
  link,             // the link points inside the slot's own pages, or past the dataflash
};

struct DirectoryDamage {
  int slot = 0;  // the damaged slot's number in the list, from 1
  DamageKind kind = DamageKind::header_checksum;
  std::string reason;  // what is wrong, in words with the values read
};

// The header Delete writes ("Empty", the rest erased): its checksum byte is
// erased too, so it counts as whole without one.
bool IsEmptiedHeader(const std::uint8_t* header);

// The first damaged slot of `slots` on a programmer of `geometry`, or
// nullopt when every header is whole (its checksum good, or an emptied
// header) and every link points past its slot's pages, inside the
// dataflash (so links strictly increase and no write reaches the next
// slot; a portable's image made in 1024-byte pages links 1032 pages on
// from slots that count 258). A
// single-slot programmer has no links to follow: every write there goes to
// its one slot at page 0, so only multi-slot directories are checked.
std::optional<DirectoryDamage> FindDirectoryDamage(const TProgramEntryList& slots, const ProgrammerGeometry& geometry);

// The header a Delete of the damaged slot `slot` writes: "Empty" with the
// link and page count a slot of this programmer has, so the directory is
// whole afterwards. nullopt when that slot would reach the next listed slot
// or past the dataflash (then only Erase Unit mends it).
std::optional<TProgramEntry> RepairedEmptySlot(const TProgramEntryList& slots, const ProgrammerGeometry& geometry,
                                               int slot);

// "Slot 3 is damaged: ...", what was not done and what to do about it.
std::string DamageMessage(const DirectoryDamage& damage, bool deleteRepairs);

}  // namespace velmar::slot
