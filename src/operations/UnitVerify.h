// Verify Unit: the programmer's whole content, read as Copy Unit reads it,
// compared with a unit image file slot by slot, without writing anything.
// The answer is that both hold the same, or which slots (and which of their
// pages) differ, or that the file was copied from a programmer of another
// geometry. Both sides carry a SHA-256: the file's bytes, and the Intel HEX
// text a Copy Unit of the programmer would save now (the same digest when
// the file is such a copy of the same content).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/THexList.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::ops {

enum class UnitMatch { identical, differing, other_geometry };

const char* UnitMatchName(UnitMatch match);  // "identical", "differing", "different-geometry"

struct SlotDifference {
  std::uint32_t slot = 0;            // from 1
  std::vector<std::uint32_t> pages;  // dataflash page numbers, rising
};

struct UnitComparison {
  UnitMatch match = UnitMatch::identical;
  std::vector<SlotDifference> slots;  // differing only
  std::string geometry;               // other_geometry: why the file does not fit
};

// Compares the programmer's `content` with the file's `image` (both of the
// dataflash's size, as Load Unit would write the image) page by page; the
// pages are grouped by the slot they belong to.
UnitComparison CompareUnitContent(const image::THexList& content, const image::THexList& image,
                                  const slot::ProgrammerGeometry& geometry);

// The file's image as Load Unit would write it into a programmer of
// `geometry` (the portable's page mode fitted), or why it cannot be compared:
// `geometry` is set when the file is a unit image of another programmer
// kind or reaches past the dataflash, `problem` when it is no unit image at
// all (unreadable, no format, no slot header).
struct UnitImageFile {
  std::optional<image::THexList> image;
  std::string geometry;
  std::string problem;
};
UnitImageFile LoadUnitImageFor(const std::string& file, const slot::ProgrammerGeometry& geometry);

// "Slot 2: pages 258-260, 300" per differing slot, a line each.
std::string DifferenceText(const UnitComparison& comparison);

// SHA-256 of the Intel HEX text a Copy Unit of `content` saves.
std::string UnitContentSha256(const image::THexList& content);

// What ops::VerifyUnitAgainst found. `compared` is false when the
// comparison never ran (the file is no unit image, the programmer could not
// be read: `failure` says why).
struct UnitVerification {
  bool compared = false;
  UnitComparison comparison;
  std::string fileSha256;
  std::string unitSha256;  // empty when the programmer was not read
  std::string failure;
};

}  // namespace velmar::ops
