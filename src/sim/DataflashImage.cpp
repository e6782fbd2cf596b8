// Whole-dataflash import and export in the loader's page layout.
#include "sim/DataflashImage.h"

#include <stdexcept>

#include "image/THexList.h"
#include "sim/SimState.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::sim {

std::uint32_t LoaderPageSize(const SimState& s) { return slot::FindKind(s.kind)->pageSize; }

std::uint32_t LoaderPageCount(const SimState& s) {
  const slot::KindInfo* k = slot::FindKind(s.kind);
  return k->capacity / k->pageSize;
}

std::uint32_t LoaderPageAddress(const SimState& s, std::uint32_t page) {
  return page << (slot::KindRow(s.kind).sim.linearAddressing ? 8 : 9);
}

void ImportImage(SimState& s, const image::THexList& image) {
  const std::uint32_t size = LoaderPageSize(s), pages = LoaderPageCount(s);
  if (image.Count() > size * pages) throw std::invalid_argument("the image is larger than the programmer's dataflash");
  for (std::uint32_t p = 0; p < pages; ++p) {
    std::uint32_t at = s.flash->Locate(LoaderPageAddress(s, p));
    for (std::uint32_t i = 0; i < size; ++i, at = s.flash->Next(at)) {
      std::uint32_t from = p * size + i;
      s.flash->Set(at, from < image.Count() ? image.GetValue(from) : 0xFF);
    }
  }
}

void ExportImage(const SimState& s, image::THexList& image) {
  const std::uint32_t size = LoaderPageSize(s), pages = LoaderPageCount(s);
  image.SetSize(size * pages);
  for (std::uint32_t p = 0; p < pages; ++p) {
    std::uint32_t at = s.flash->Locate(LoaderPageAddress(s, p));
    for (std::uint32_t i = 0; i < size; ++i, at = s.flash->Next(at)) image.SetValue(p * size + i, s.flash->At(at));
  }
}

}  // namespace velmar::sim
