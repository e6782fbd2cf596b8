// Delete: the slot selected in the list emptied in place. Its header is
// rewritten with the description "Empty", the same link and the same page
// count, and the rest of the slot is written blank (as far as the slot
// write does not skip blank pages), so the slots after it keep their places
// and a later Replace can fill it again.
#include <algorithm>
#include <cctype>
#include <memory>

#include "image/THexList.h"
#include "link/TReadProg.h"
#include "model/TMainForm.h"
#include "operations/SlotWriting.h"
#include "operations/WindowOperations.h"
#include "platform/Dialogs.h"
#include "platform/Text.h"
#include "slot/DirectoryCheck.h"
#include "slot/SlotHeader.h"

namespace velmar::ops {

using model::Ctl;
using model::om_Delete;
using model::TMainForm;

bool DeleteProgramButtonClick(TMainForm& w) {
  oplog::OperationRecorder logged = w.Recording(oplog::LoggedOperation::remove);
  if (w.DemoMode && w.MultiSlotKind()) {
    w.Dialogs().ShowMessage("No Programmer Data. Read Programmer First");
    return false;
  }
  if (w.Programs.EntryCount == 0) return false;
  w.OperationMode = om_Delete;
  const int row = w.Controls().Row(Ctl::slotList);
  if (row >= 1 && row <= w.Programs.EntryCount) {
    logged.Record().slot = row;
    // The list numbers the slots of a multi-slot programmer ("003 Job");
    // the record keeps the description alone, as New and Replace do.
    std::string description = text::Trim(w.Programs.Get(row - 1).SlotName);
    if (description.size() > 4 && std::isdigit(static_cast<unsigned char>(description[0])) &&
        std::isdigit(static_cast<unsigned char>(description[1])) &&
        std::isdigit(static_cast<unsigned char>(description[2])) && description[3] == ' ')
      description = text::Trim(description.substr(4));
    if (!description.empty()) logged.Record().description = description;
  }
  if (row < 1 || row > w.Programs.EntryCount) {
    w.Dialogs().ShowMessage("Select the slot to delete in the slot list");
    return false;
  }
  w.Programs.CurrentIndex = row - 1;
  // A damaged directory takes no write but the Delete of the damaged slot,
  // which empties it with the link and page count of a whole slot.
  std::optional<slot::TProgramEntry> repaired;
  if (DirectoryRefusesWrite(w, row, &repaired)) return false;
  const slot::TProgramEntry& old = repaired ? *repaired : w.Programs.Get(w.Programs.CurrentIndex);
  if (!repaired && slot::IsEmptiedHeader(old.Header.data())) {
    w.Dialogs().ShowMessage("Slot " + std::to_string(row) + " is already empty: nothing was written");
    logged.Succeeded();
    return true;
  }
  // The slot's name and device follow the question, so the user sees what
  // goes before saying Yes.
  const slot::TProgramEntry& listed = w.Programs.Get(w.Programs.CurrentIndex);
  const std::string device = text::Trim(listed.DeviceName);
  const std::string what = text::Trim(listed.SlotName) + (device.empty() ? std::string() : " (" + device + ")");
  if (!w.Dialogs().AskYesNo("Are you sure you want to delete entry " + std::to_string(row) + "\r" + what, {},
                            platform::DlgButton::No))
    return false;

  const slot::HeaderBytes header = slot::EmptyHeader(std::uint16_t(old.NextPage), std::uint16_t(old.PageCount));
  auto record = std::make_unique<slot::TProgramEntry>(
      old.StartPage, old.NextPage, old.PageCount, text::PadRight(slot::slot_header::kEmptyName, 32), "", "", header);
  image::THexList slotImage(w.Geometry().SlotSize);
  std::copy(header.begin(), header.end(), image::HeaderOf(slotImage));
  w.KindAtLastRead = w.ProgrammerKind;
  if (!w.HaveLink()) return false;

  // A header that counts no pages would have nothing written, and the slot
  // would stay as it was behind a success message: its header page at least
  // is written.
  const slot::TProgramEntry written(record->StartPage, record->NextPage, std::max<std::uint32_t>(record->PageCount, 1),
                                    record->SlotName, "", "", header);
  // The empty header goes first too: the old one would otherwise describe
  // data already blanked when the write breaks off.
  link::SlotWrite write{written, slotImage, SlotBlankRule(w)};
  write.emptyFirst.push_back({written.StartPage, header});
  w.SetHourGlass(true);
  const bool ok = ops::WriteWrapper({*w.Link(), w.Dialogs(), w.ProgressView(), w.Parts().pump}, write, w.KindAtLastRead,
                                    om_Delete, w.QuietMode);
  w.SetHourGlass(false);
  if (!ok) {
    ListEmptied(w, write.emptyFirst);
    return false;
  }
  w.Programs.Delete(w.Programs.CurrentIndex);
  w.Programs.Insert(w.Programs.CurrentIndex, std::move(record));
  w.RefreshSlotView();
  logged.Succeeded();
  return true;
}

}  // namespace velmar::ops
