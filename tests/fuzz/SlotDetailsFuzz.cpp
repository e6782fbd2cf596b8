// Fuzz target: Show Slot Details over any slot header. The first byte picks
// the programmer kind; the next 160 bytes (0xFF where the input is short)
// are the header of the one slot listed, as the directory read lists it. A
// main window over the real device database shows the slot's details; when
// it takes the slot, the family chosen must be the one the header names.
#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "FuzzWindow.h"
#include "model/SlotHeaderReading.h"
#include "slot/SlotHeader.h"
#include "slot/TProgramEntry.h"

using velmar::model::Ctl;

namespace fuzz = velmar::fuzz;
namespace slot = velmar::slot;

namespace {

fuzz::FuzzWindow& Window() {
  static fuzz::FuzzWindow window;
  static const bool devices = (fuzz::CopyDataFile("DEVICES.INI", window.Program()), true);
  (void)devices;
  return window;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  slot::HeaderBytes header;
  header.fill(0xFF);
  std::memcpy(header.data(), data + 1, std::min(size - 1, header.size()));

  velmar::model::TMainForm& w = Window().Show(data[0] % 6);
  w.Programs.Add(slot::EntryFromHeader(0, header.data()));
  w.RefreshSlotView();
  if (w.ShowSlotDetails(1) && w.Controls().ItemIndex(Ctl::family) != velmar::model::SlotFamilyEntry(header.data()))
    fuzz::Fail("the details show another family than the slot's");
  return 0;
}
