// The simulated dataflash as a memory image laid out like a unit image file:
// image address = page number x page size + offset in the page, with the
// page size and page addressing the loader uses for the programmer's kind.
// Used to stage or inspect a whole directory without going through the link.
#pragma once

#include <cstdint>

namespace velmar::image {
class THexList;
}

namespace velmar::sim {

struct SimState;

// The loader's page size and page count for the state's kind.
std::uint32_t LoaderPageSize(const SimState& s);
std::uint32_t LoaderPageCount(const SimState& s);
// The 24-bit address the loader sends for a page.
std::uint32_t LoaderPageAddress(const SimState& s, std::uint32_t page);

// Replaces the dataflash contents with the image (bytes past the image's end
// become 0xFF). The image must not be larger than the dataflash capacity.
void ImportImage(SimState& s, const image::THexList& image);
// Sizes the image to the capacity and fills it from the dataflash.
void ExportImage(const SimState& s, image::THexList& image);

}  // namespace velmar::sim
