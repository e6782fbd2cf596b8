// Fuzz target: unit image files, as Load Unit reads them. The first byte
// picks the programmer kind; the rest is the file. It is loaded into an
// image of the programmer's dataflash by the file loader, taken or refused
// as Load Unit takes it (data present, a slot header in use at the start),
// and on the portable programmer its page mode is fitted. A fitted image
// keeps its size, and a header whose link was renewed carries a sound
// header checksum.
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "FuzzSupport.h"
#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "operations/UnitLoad.h"
#include "slot/ProgrammerGeometry.h"
#include "slot/SlotHeader.h"

namespace fuzz = velmar::fuzz;
namespace slot = velmar::slot;
using velmar::image::TFileLoader;
using velmar::image::THexList;

namespace {

// Header starts whose link the fitting may renew.
std::vector<std::uint32_t> HeaderStarts(const THexList& image, std::uint32_t slotSize) {
  std::vector<std::uint32_t> starts;
  for (std::uint64_t at = 0; std::int64_t(at) < image.LastUsed() && at + slot::slot_header::kSize <= image.Count();
       at += slotSize)
    starts.push_back(std::uint32_t(at));
  return starts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  slot::ProgrammerGeometry g;
  g.ApplyKind(slot::KindFromNumber(data[0] % 6).value());
  const std::string path = fuzz::WriteTemp("unit.prg", fuzz::AsText(data + 1, size - 1));
  // One image per kind, kept from input to input: the loader clears it as
  // Load Unit's does, and a fresh one of up to 8 MiB per input would cost
  // far more than the load.
  static THexList images[6];
  THexList& unit = images[data[0] % 6];
  if (unit.Count() != g.Capacity) unit.SetSize(g.Capacity);
  int loaded = 0;
  try {
    loaded = TFileLoader::LoadFile(path, unit).result;
  } catch (const std::exception& e) {
    if (std::string(e.what()).empty()) fuzz::Fail("a refused unit file gives no reason");
    return 0;
  }
  if (unit.Count() != g.Capacity) fuzz::Fail("loading a unit file resized the dataflash image");
  if (loaded == -1 || loaded == -2 || unit.LastUsed() < 0 ||
      unit.GetValue(slot::slot_header::InUseMarker.offset) != 0x00)
    return 0;
  if (g.Kind != slot::kind_portable) return 0;
  const bool oldLayout = (unit.GetValue(0) | unit.GetValue(1) << 8) == 258;
  if (!velmar::ops::AdjustPortablePageMode(unit, g.SlotSize)) return 0;
  if (unit.Count() != g.Capacity) fuzz::Fail("fitting the page mode resized the dataflash image");
  if (oldLayout)
    for (std::uint32_t at : HeaderStarts(unit, g.SlotSize))
      if (!slot::HeaderChecksumOk(unit.DataAt(at))) fuzz::Fail("a fitted header's checksum is wrong");
  return 0;
}
