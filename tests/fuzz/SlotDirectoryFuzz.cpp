// Fuzz target: the slot directory read over any dataflash contents. The
// first byte picks the programmer kind; the rest is a list of placements,
// each a 16-bit page choice and up to 160 bytes written at the start of
// that page of a simulated programmer's otherwise erased dataflash (page
// choices with the top bit set name a slot's first page, others any page).
// The directory is read over the simulated link as Read does, and the list
// must be a sound chain: no more slots than the programmer holds, the first
// at page 0, each where the one before links, none twice, each holding the
// header stored at its page.
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "FuzzSupport.h"
#include "devices/TData.h"
#include "link/D2XXUnit.h"
#include "link/TReadProg.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/ScriptedDialogs.h"
#include "sim/DataflashImage.h"
#include "sim/SimDriver.h"
#include "sim/SimState.h"
#include "slot/SlotHeader.h"
#include "slot/TProgramEntry.h"

namespace fuzz = velmar::fuzz;
namespace vlink = velmar::link;
namespace sim = velmar::sim;
namespace slot = velmar::slot;
using slot::slot_header::kSize;

namespace {

// One simulated programmer of a kind with its link open and identified.
struct Rig {
  explicit Rig(int kind) {
    driver = std::make_unique<sim::SimDriver>(
        sim::FreshState(slot::KindFromNumber(kind).value(), sim::ReadExpectedVersions(fuzz::DataFolder())), clock,
        &clock);
    dialogs.defaultAnswer = velmar::platform::DlgButton::Ok;
    unit = std::make_unique<vlink::D2XXUnit>(*driver, dialogs);
    prog = std::make_unique<vlink::TReadProg>(*unit, clock, dialogs, data, pump);
    prog->ProgramFolder = fuzz::DataFolder();
    prog->WorkingFolder = fuzz::TempFolder();
    prog->TokenSource = [] { return std::uint16_t(0x1234); };
    prog->Identify();
    if (!prog->LinkOpen) fuzz::Fail("the simulated programmer does not open");
  }
  // Index in the dataflash store of byte `i` of loader page `page`.
  std::uint32_t Byte(std::uint32_t page, std::uint32_t i) const {
    const sim::SimState& s = driver->State();
    std::uint32_t at = s.flash->Locate(sim::LoaderPageAddress(s, page));
    while (i--) at = s.flash->Next(at);
    return at;
  }
  void Put(std::uint32_t page, const std::uint8_t* bytes, std::size_t n) {
    sim::Dataflash& flash = *driver->State().flash;
    std::uint32_t at = Byte(page, 0);
    for (std::size_t i = 0; i < kSize; ++i, at = flash.Next(at)) flash.Set(at, i < n ? bytes[i] : 0xFF);
    touched.insert(page);
  }
  void Erase() {
    for (std::uint32_t page : touched) Put(page, nullptr, 0);
    touched.clear();
  }
  slot::HeaderBytes HeaderAt(std::uint32_t page) const {
    slot::HeaderBytes h;
    const sim::Dataflash& flash = *driver->State().flash;
    std::uint32_t at = Byte(page, 0);
    for (std::size_t i = 0; i < kSize; ++i, at = flash.Next(at)) h[i] = flash.At(at);
    return h;
  }

  velmar::platform::VirtualClock clock;
  velmar::platform::ScriptedDialogs dialogs;
  velmar::devices::TData data;
  velmar::platform::NullMessagePump pump;
  std::unique_ptr<sim::SimDriver> driver;
  std::unique_ptr<vlink::D2XXUnit> unit;
  std::unique_ptr<vlink::TReadProg> prog;
  std::set<std::uint32_t> touched;
};

Rig& RigFor(int kind) {
  static std::map<int, std::unique_ptr<Rig>> rigs;
  auto& rig = rigs[kind];
  if (!rig) rig = std::make_unique<Rig>(kind);
  return *rig;
}

void CheckChain(const Rig& rig, const slot::TProgramEntryList& list) {
  const slot::ProgrammerGeometry& g = rig.prog->Geometry;
  if (std::uint32_t(list.EntryCount) > std::max<std::uint32_t>(g.SlotCount, 1))
    fuzz::Fail("the directory lists more slots than the programmer holds");
  std::set<std::uint32_t> seen;
  for (int i = 0; i < list.EntryCount; ++i) {
    const slot::TProgramEntry& e = list.Get(i);
    const std::uint32_t expected = i == 0 ? 0 : list.Get(i - 1).NextPage;
    if (e.StartPage != expected) fuzz::Fail("a listed slot is not where the one before links");
    if (e.StartPage >= g.PageTotal()) fuzz::Fail("a listed slot lies beyond the dataflash");
    if (!seen.insert(e.StartPage).second) fuzz::Fail("a slot is listed twice");
    if (e.Header != rig.HeaderAt(e.StartPage)) fuzz::Fail("a listed header is not the one stored");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  Rig& rig = RigFor(data[0] % 6);
  rig.Erase();
  const slot::ProgrammerGeometry& g = rig.prog->Geometry;
  for (std::size_t at = 1; at + 2 <= size;) {
    const std::uint16_t choice = std::uint16_t(data[at] | data[at + 1] << 8);
    at += 2;
    const std::uint32_t page = choice & 0x8000
                                   ? (choice & 0x7FFF) % std::max<std::uint32_t>(g.SlotCount, 1) * g.PagesPerSlot()
                                   : choice % g.PageTotal();
    const std::size_t n = std::min(size - at, std::size_t(kSize));
    rig.Put(page, data + at, n);
    at += n;
  }
  slot::TProgramEntryList list;
  rig.prog->ReadDirectory(list);
  CheckChain(rig, list);
  return 0;
}
