// Show Slot Details: turns the header of the slot in the selected list row
// back into the window's family, device and options, through the same
// handlers a user's changes run, so that a Replace that follows rebuilds the
// slot with the settings it was built with.
#include <algorithm>

#include "devices/DeviceDatabase.h"
#include "model/SlotHeaderReading.h"
#include "model/TMainForm.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "slot/SlotHeader.h"

namespace velmar::model {

namespace {

constexpr ControlName kGrid = Ctl::slotList;

int IndexOf(const std::vector<std::string>& items, const std::string& wanted) {
  if (wanted.empty()) return -1;
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i] == wanted) return int(i);
  return -1;
}

bool Bit(std::uint8_t b, int n) { return (b >> n) & 1; }

}  // namespace

void TMainForm::showDetailsClick() {
  if (controls_.Get(kGrid).cells.size() > 1) ShowSlotDetails(controls_.Row(kGrid));
}

// Refreshes the list in the programmer kind's layout and keeps `row`
// selected: the slot being inspected stays the one a Replace would write.
void TMainForm::RefreshKeepingRow(int row) {
  const std::string caption = controls_.Text(Ctl::ProgCaption);
  RefreshSlotView();
  if (row >= 1 && row < int(controls_.Get(kGrid).cells.size())) {
    controls_.SelectCell(kGrid, row, std::max(0, controls_.Col(kGrid)));
    ShowSelectedRow(row);
  }
  controls_.SetText(Ctl::ProgCaption, caption);
}

bool TMainForm::ShowSlotDetails(int row) {
  ControlStore& s = controls_;
  if (Programs.EntryCount == 0 || row < 1 || row > Programs.EntryCount) return false;
  slot::TProgramEntry& entry = Programs.Get(row - 1);
  const std::string description = text::Trim(entry.SlotName);
  if (description == slot::slot_header::kEmptyName) return false;

  const slot::HeaderBytes h = entry.Header;
  const int family = SlotFamilyEntry(h.data());
  const int families = int(s.Items(Ctl::family).size());
  if (family >= families) {
    dialogs_.ShowError("Slot " + std::to_string(row) + " holds a " + devices::FamilyEntryText(family) +
                       " program, a family this programmer does not offer");
    return false;
  }

  s.SetText(Ctl::ProgCaption, description.size() > 4 ? description.substr(4) : std::string());

  s.SetItemIndex(Ctl::family, family);
  familyClick();

  // The device by its stored name, else by its identifier.
  const std::string stored = text::Trim(entry.DeviceName);
  int device = IndexOf(s.Items(Ctl::deviceList), stored);
  if (device < 0) {
    const std::string id = text::IntToHex(h[43], 2) + text::IntToHex(h[44], 2);
    const std::string found = FindDeviceByID(id);
    device = IndexOf(s.Items(Ctl::deviceList), found);
    entry.DeviceName = found;
    RefreshKeepingRow(row);
  }
  s.SetItemIndex(Ctl::deviceList, device);
  deviceListChange();

  if (s.Visible(Ctl::VDD_Voltage)) s.SetChecked(Ctl::VDD_Voltage, h[81] != 0xFF);
  s.SetChecked(Ctl::matchDeviceID, Bit(h[45], 7));
  // A mode the device rules have locked stays as they set it.
  if (s.Enabled(Ctl::progMode)) {
    s.SetItemIndex(Ctl::progMode, SlotHighVoltageMode(h.data(), family) ? 1 : 0);
    progModeClick();
  }
  if (s.Enabled(Ctl::progUserID)) s.SetChecked(Ctl::progUserID, Bit(h[45], 5));
  if (family != devices::fam_PIC18K) Data.BulkEraseOn = s.Visible(Ctl::VDD_Voltage) && !s.Checked(Ctl::VDD_Voltage);
  s.SetChecked(Ctl::BulkErase, Bit(h[45], 4));
  if (s.Enabled(Ctl::VerifyConfig)) s.SetChecked(Ctl::VerifyConfig, !Bit(h[45], 3));
  if (s.Enabled(Ctl::DataSave)) s.SetChecked(Ctl::DataSave, Bit(h[47], 6));
  if (s.Visible(Ctl::bootSave)) s.SetChecked(Ctl::bootSave, Bit(h[47], 1));
  if (slot::KindRow(ProgrammerKind).ppLed) Switches.PP_Led_on = Bit(h[47], 0);

  const CountLimit limit = SlotCountLimit(h.data());
  if (limit.on) {
    s.SetValue(Ctl::ProgCount, limit.count);
    s.SetChecked(Ctl::limitPrograms, true);
    s.SetText(Ctl::currentCount, "Current : " + std::to_string(limit.count));
    s.SetVisible(Ctl::currentCount, true);
  } else {
    s.SetChecked(Ctl::limitPrograms, false);
    s.SetVisible(Ctl::currentCount, false);
    s.SetValue(Ctl::ProgCount, 10);
  }
  limitProgramsClick();

  s.SetExtra(Ctl::detailsFileName, "fontColour", "red");
  s.SetText(Ctl::detailsFileName, "Filename Read (No path) : " + entry.SourceFileName);
  // A File Name left from other work does not belong to this slot: a
  // Replace must not quietly build the slot from it.
  const std::string chosen = Data.FlashFile.empty() ? s.Text(Ctl::fileName) : platform::ExtractFileName(Data.FlashFile);
  if (text::UpperCase(text::Trim(chosen)) != text::UpperCase(text::Trim(entry.SourceFileName))) {
    s.SetText(Ctl::fileName, "");
    Data.FlashFile.clear();
  }
  s.SetValue(Ctl::errorRepeatCount, h[86]);

  if (family == devices::fam_PIC12F16F) {
    switch (h[46] & 0x0C) {
      case 0x04: s.SetItemIndex(Ctl::ProgramOps, 2); break;
      case 0x08: s.SetItemIndex(Ctl::ProgramOps, 1); break;
      case 0x0C: s.SetItemIndex(Ctl::ProgramOps, 0); break;
      default: break;
    }
    ProgramOpsClick();
  }
  if (family == devices::fam_PIC18J) {
    std::string fuses;
    for (int i = 56; i <= 63; ++i) fuses += text::IntToHex(h[std::size_t(i)], 2);
    s.SetChecked(Ctl::unusedFuses, fuses != "FFF7FFFFFFFFFFFF");
  }
  return true;
}

}  // namespace velmar::model
