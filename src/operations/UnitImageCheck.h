// What a unit image file holds, checked before Load Unit erases anything:
// the kind of programmer it was copied from (told by its first slot's link
// and page count), its slots as the programmer would list them, and whether
// that directory is whole and ends the data. An image of another kind, with
// a broken header, looping links, a slot reaching past the dataflash or data
// past its last slot would leave a programmer whose slots Delete and Replace
// refuse, or write over each other later, or list old slots again.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "slot/ProgrammerGeometry.h"

namespace velmar::image {
class THexList;
}

namespace velmar::ops {

struct UnitImageSlot {
  int number = 0;  // from 1
  std::string name;
  std::string device;
};

struct UnitImageReport {
  // The kind the image was copied from, when its first slot tells one that
  // fits the connected programmer's geometry or another kind's.
  std::optional<slot::ProgrammerKind> kind;
  std::vector<UnitImageSlot> slots;  // as the directory would list them
  // Why the image must not be loaded into the connected programmer; empty
  // when it may.
  std::string refusal;
  // The refusal is that the image was copied from a programmer of another
  // geometry (or of none known).
  bool otherGeometry = false;
};

// Checks `unit` (loaded from a file, adjusted to the portable's page mode)
// against the connected programmer's `geometry`.
UnitImageReport CheckUnitImage(const image::THexList& unit, const slot::ProgrammerGeometry& geometry);

// What a loadable image holds, for the question before it is loaded: "A
// unit image of an 8-way programmer, version 2, 2 slots:" and a line per slot
// (number, description, device), the first kMaxListedSlots of them.
inline constexpr int kMaxListedSlots = 12;
std::string UnitImageContents(const UnitImageReport& report);

}  // namespace velmar::ops
