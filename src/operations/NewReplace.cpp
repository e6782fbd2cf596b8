// New and Replace: the two ways a user's program goes into the programmer.
// New appends a slot, Replace rewrites the slot selected in the list; both
// run the shared operation (`uploadClick`), which checks the request, asks
// about duplicates on the portable programmer, builds the slot image
// (SlotBuild), makes sure the programmer runs the firmware the family needs
// (changing it when the programmer may), writes the slot through the write
// wrapper and puts the new slot record into the slot list without reading
// the programmer again. Load Lots repeats New quietly.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>

#include "devices/Algorithm.h"
#include "devices/TData.h"
#include "link/TReadProg.h"
#include "model/TMainForm.h"
#include "operations/SlotBuild.h"
#include "operations/SlotWriting.h"
#include "operations/WindowOperations.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "slot/DirectoryCheck.h"
#include "slot/ProgrammerGeometry.h"
#include "slot/TProgramEntry.h"

namespace velmar::ops {

using model::Ctl;
using model::om_New;
using model::om_Replace;
using model::TMainForm;

namespace {

constexpr const char* kNoProgrammerData = "No Programmer Data. Read Programmer First";

// The first slot whose field holds the text, in any letter case; -1 when none.
template <typename Field>
int FirstHolding(const slot::TProgramEntryList& slots, const std::string& text, Field field) {
  if (text.empty()) return -1;
  for (int i = 0; i < slots.EntryCount; ++i)
    if (text::ContainsNoCase(field(slots.Get(i)), text)) return i;
  return -1;
}

std::string Mixing(int loadedFirmware) {
  std::string message =
      "The programmer can either support PIC24 devices\ror PIC12/16/18 families - they can not be mixed.\r";
  if (loadedFirmware == devices::fw_pic24)
    message += std::string("\r") + "You can load more PIC24 slots or erase the" + "\r" +
               "programmer to use it with PIC12/16/18 families.";
  else
    message += std::string("\r") + "To load PIC24 family, erase the programmer first." + "\r" +
               "You can keep loading PIC12/16/18 families.";
  return message;
}

}  // namespace

bool NewButtonClick(TMainForm& w) {
  w.OperationMode = om_New;
  return uploadClick(w);
}

bool editButtonClick(TMainForm& w) {
  if (text::Contains(w.Controls().Text(Ctl::ProgCaption), "Empty")) {
    w.Dialogs().ShowMessage("Please enter a new description");
    return false;
  }
  w.OperationMode = om_Replace;
  return uploadClick(w);
}

void loadLotsClick(TMainForm& w) {
  w.QuietMode = true;
  int index = w.Programs.CurrentIndex;
  const int repeats = w.Controls().Value(Ctl::errorRepeatCount);
  const int slots = int(w.Geometry().SlotCount);
  // A New that failed has said why; repeating it would only say so again.
  for (int run = 0; run <= repeats && index < slots; ++run, ++index)
    if (!NewButtonClick(w)) break;
  w.QuietMode = false;
}

namespace {

// The checks before anything is built: true when the operation must stop.
bool UploadRefused(TMainForm& w) {
  if (w.Data.DeviceName.empty()) return true;
  if (platform::ExtractFileName(w.Data.FlashFile).empty()) {
    w.Dialogs().ShowMessage("No filename set");
    return true;
  }
  // A name typed wrong is refused with the path it stood for, before any
  // other question or the programmer. (A folder or other non-file is named
  // as such by the file check of the build.)
  std::error_code missing;
  if (!std::filesystem::exists(platform::PathOf(w.Data.FlashFile), missing) && !missing) {
    w.Dialogs().ShowError("Can not find file\r" + w.Data.FlashFile, "File Load Error");
    return true;
  }
  if (text::Contains(w.Controls().Text(Ctl::selectedDescription), "Empty") && w.OperationMode == om_New) {
    w.Dialogs().ShowMessage("To load Empty slot, Please use Replace Program");
    return true;
  }
  if (w.DemoMode) {
    if (w.MultiSlotKind()) {
      w.Dialogs().ShowMessage(kNoProgrammerData);
      return true;
    }
    if (w.Link()) {
      w.Link()->Geometry.Capacity = 0x42000;
      w.Link()->Geometry.SlotSize = 0x42000;
      w.Link()->Geometry.PageSize = 264;
    }
  }
  if (slot::KindRow(w.ProgrammerKind).vpp125Only && devices::NeedsHighVpp(w.Data.Column) &&
      !w.Dialogs().AskYesNo("Device needs 9V VPP\rOld type programmer only supplies 12.5V\r\rDo you want to continue?"))
    return true;
  return false;
}

}  // namespace

bool DirectoryRefusesWrite(TMainForm& w, int deleting, std::optional<slot::TProgramEntry>* repaired) {
  if (!w.Link()) return false;
  const std::optional<slot::DirectoryDamage> damage = slot::FindDirectoryDamage(w.Programs, w.Link()->Geometry);
  if (!damage) return false;
  std::optional<slot::TProgramEntry> mended = slot::RepairedEmptySlot(w.Programs, w.Link()->Geometry, damage->slot);
  if (deleting == damage->slot && mended && repaired) {
    *repaired = std::move(mended);
    return false;
  }
  w.Dialogs().ShowError(slot::DamageMessage(*damage, mended.has_value()), "Error");
  return true;
}

namespace {

// The duplicate questions of the portable programmer; false when one was
// answered No. `selected` is the list index of the selected slot.
bool DuplicateAnswered(TMainForm& w, int selected) {
  if (!slot::KindRow(w.ProgrammerKind).duplicateQuestions || w.QuietMode) return true;
  const bool replace = w.OperationMode == om_Replace;
  const int byFile = FirstHolding(w.Programs, platform::ExtractFileName(w.Data.FlashFile),
                                  [](const slot::TProgramEntry& e) { return e.SourceFileName; });
  if (byFile >= 0 && !(replace && byFile == selected) &&
      !w.Dialogs().AskYesNo("This filename already exists\rSlot number " +
                            w.Programs.Get(byFile).SlotName.substr(0, 3) + "\r\r" + "Do you want to continue?"))
    return false;
  // A description taken over from the selected row is the row's whole
  // description, padding included: "Blink 1" kept for slot 2 is no
  // duplicate of slot 1's "Blink 18".
  std::string description = w.Controls().Text(Ctl::ProgCaption);
  const std::string fromRow = w.Controls().Text(Ctl::selectedDescription);
  if (!description.empty() && text::Trim(fromRow) == description) description = fromRow;
  const int byName = FirstHolding(w.Programs, description, [](const slot::TProgramEntry& e) { return e.SlotName; });
  if (byName >= 0 && !(replace && byName == selected)) {
    std::string name = w.Programs.Get(byName).SlotName;
    if (text::Contains(name, "Empty")) name = text::ZeroPad(std::uint64_t(byName + 1), 3) + " " + name;
    if (!w.Dialogs().AskYesNo("This Description already exists\rSlot number " + name.substr(0, 3) + "\r\r" +
                              "Do you want to continue?"))
      return false;
  }
  return true;
}

// The firmware the family needs: already running, changed now, or (on an
// 8-way programmer that holds other slots) refused.
bool FirmwareReady(TMainForm& w) {
  const slot::KindInfo& row = slot::KindRow(w.ProgrammerKind);
  if (row.firmware == slot::FirmwareLine::portable || w.Data.RequiredFirmware == w.Data.LoadedFirmware) return true;
  const int othersFrom = w.OperationMode == om_Replace ? 2 : 1;
  if (row.slotsShareFirmware && w.Programs.EntryCount >= othersFrom) {
    w.Dialogs().ShowWarning(Mixing(w.Data.LoadedFirmware));
    return false;
  }
  const std::string file = w.Data.RequiredFirmware == devices::fw_pic24 ? w.Data.FirmwareQRX24 : w.Data.FirmwareQRX;
  if (!w.RunFirmwareChange(file, w.Data.RequiredFirmware)) {
    w.Dialogs().ShowError("Could not change firmware \rPlease try Load again");
    return false;
  }
  return true;
}

link::EmptiedHeader EmptiedFor(TMainForm& w, const slot::TProgramEntry& record) {
  std::uint32_t next = record.NextPage, pages = record.PageCount;
  for (int i = 0; i < w.Programs.EntryCount; ++i) {
    const slot::TProgramEntry& listed = w.Programs.Get(i);
    if (listed.StartPage != record.StartPage) continue;
    next = listed.NextPage;
    pages = listed.PageCount;
    break;
  }
  return {record.StartPage, slot::EmptyHeader(std::uint16_t(next), std::uint16_t(pages))};
}

}  // namespace

void ListEmptied(TMainForm& w, const std::vector<link::EmptiedHeader>& emptied) {
  bool changed = false;
  for (const link::EmptiedHeader& e : emptied) {
    if (std::find(w.Link()->EmptiedHeaders.begin(), w.Link()->EmptiedHeaders.end(), e.page) ==
        w.Link()->EmptiedHeaders.end())
      continue;
    int at = -1;
    for (int i = 0; i < w.Programs.EntryCount && at < 0; ++i)
      if (w.Programs.Get(i).StartPage == e.page) at = i;
    if (at >= 0) {
      w.Programs.Delete(at);
      w.Programs.Insert(at, slot::EntryFromHeader(e.page, e.header.data()));
    } else if (e.page == 0) {
      // A single-slot programmer whose slot was not listed lists it now.
      w.Programs.Clear();
      w.Programs.Add(slot::EntryFromHeader(e.page, e.header.data()));
    }
    changed = true;
  }
  if (changed) w.RefreshSlotView();
}

link::BlankPageRule SlotBlankRule(TMainForm& w) {
  return {std::uint32_t(std::max(w.Data.FlashSize, 0)), std::uint32_t(std::max(w.Data.EEPROMSIZE, 0)),
          w.Switches.EraseWholeSlot};
}

namespace {

// "003 Blink (PIC16F628A, blink.hex)" of a listed slot or a new record.
std::string SlotText(const slot::TProgramEntry& e) {
  std::string facts = text::Trim(e.DeviceName);
  const std::string file = text::Trim(e.SourceFileName);
  if (!file.empty()) facts += (facts.empty() ? "" : ", ") + file;
  return text::Trim(e.SlotName) + (facts.empty() ? std::string() : " (" + facts + ")");
}

std::string DescriptionOf(const slot::TProgramEntry& e) {
  const std::string name = text::Trim(e.SlotName);
  const bool numbered = name.size() > 4 && std::isdigit(static_cast<unsigned char>(name[0])) && name[3] == ' ';
  return numbered ? text::Trim(name.substr(4)) : name;
}

std::string RecordReplaced(TMainForm& w, oplog::OperationRecord& r, const slot::TProgramEntry& now) {
  const slot::TProgramEntry& old = w.Programs.Get(w.Programs.CurrentIndex);
  r.replacedDescription = DescriptionOf(old);
  if (const std::string device = text::Trim(old.DeviceName); !device.empty()) r.replacedDevice = device;
  if (const std::string file = text::Trim(old.SourceFileName); !file.empty()) r.replacedFile = file;
  return "Replaced: " + SlotText(old) + "\rWith: " + SlotText(now);
}

}  // namespace

bool uploadClick(TMainForm& w) {
  // Only New and Replace write programs; a mode left over from Delete would
  // report a written program as deleted.
  if (w.OperationMode != om_Replace) w.OperationMode = om_New;
  oplog::OperationRecorder logged =
      w.Recording(w.OperationMode == om_Replace ? oplog::LoggedOperation::replace : oplog::LoggedOperation::new_slot);
  w.RecordProgram(logged.Record());
  const int selectedRow = w.Controls().Row(Ctl::slotList);
  if (w.OperationMode == om_Replace && selectedRow >= 1) logged.Record().slot = selectedRow;
  if (UploadRefused(w) || DirectoryRefusesWrite(w)) return false;
  if (!DuplicateAnswered(w, selectedRow - 1)) return false;

  slot::ProgrammerGeometry fallback = w.Geometry();
  slot::ProgrammerGeometry& geometry = w.Link() ? w.Link()->Geometry : fallback;
  ops::SlotBuildRequest request;
  request.mode = w.OperationMode == om_Replace ? image::mode_replace : image::mode_new;
  request.selectedRow = selectedRow;
  request.slotsShown = w.Programs.EntryCount > 0;
  ops::SlotBuildResult built;
  if (!ops::SlotBuild(w, geometry, w.Programs, request, built)) return false;
  if (geometry.PagesPerSlot() > 0) logged.Record().slot = int(built.record->StartPage / geometry.PagesPerSlot()) + 1;

  if (!w.HaveLink() || !FirmwareReady(w)) return false;
  w.KindAtLastRead = w.ProgrammerKind;
  w.SetHourGlass(true);
  link::SlotWrite write{*built.record, built.slotImage, SlotBlankRule(w)};
  // An overwrite (Replace, or New on a single-slot programmer, whose one
  // slot it replaces) empties the old header before the first data page.
  if (w.OperationMode == om_Replace || !w.MultiSlotKind()) write.emptyFirst.push_back(EmptiedFor(w, *built.record));
  const std::string replaced = w.OperationMode == om_Replace ? RecordReplaced(w, logged.Record(), *built.record) : "";
  const bool written =
      ops::WriteWrapper({*w.Link(), w.Dialogs(), w.ProgressView(), w.Parts().pump}, write, w.KindAtLastRead,
                        w.OperationMode, w.QuietMode, w.Controls().Checked(Ctl::VerifyAfterWriting), replaced);
  w.SetHourGlass(false);
  if (!written) {
    ListEmptied(w, write.emptyFirst);
    return false;
  }

  if (!w.MultiSlotKind()) {
    w.Programs.Clear();
    w.Programs.Add(std::move(built.record));
  } else if (w.OperationMode == om_Replace) {
    w.Programs.Delete(w.Programs.CurrentIndex);
    w.Programs.Insert(w.Programs.CurrentIndex, std::move(built.record));
  } else {
    w.Programs.Add(std::move(built.record));
  }
  w.RefreshSlotView();
  logged.Succeeded();
  return true;
}

}  // namespace velmar::ops
