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
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "slot/DirectoryCheck.h"
#include "slot/ProgrammerGeometry.h"
#include "slot/TProgramEntry.h"

namespace velmar::model {

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

bool TMainForm::NewButtonClick() {
  OperationMode = om_New;
  return uploadClick();
}

bool TMainForm::editButtonClick() {
  if (text::Contains(controls_.Text(Ctl::ProgCaption), "Empty")) {
    dialogs_.ShowMessage("Please enter a new description");
    return false;
  }
  OperationMode = om_Replace;
  return uploadClick();
}

void TMainForm::loadLotsClick() {
  QuietMode = true;
  int index = Programs.CurrentIndex;
  const int repeats = controls_.Value(Ctl::errorRepeatCount);
  const int slots = int(Geometry().SlotCount);
  // A New that failed has said why; repeating it would only say so again.
  for (int run = 0; run <= repeats && index < slots; ++run, ++index)
    if (!NewButtonClick()) break;
  QuietMode = false;
}

// The checks before anything is built: true when the operation must stop.
bool TMainForm::UploadRefused() {
  if (Data.DeviceName.empty()) return true;
  if (platform::ExtractFileName(Data.FlashFile).empty()) {
    dialogs_.ShowMessage("No filename set");
    return true;
  }
  // A name typed wrong is refused with the path it stood for, before any
  // other question or the programmer. (A folder or other non-file is named
  // as such by the file check of the build.)
  std::error_code missing;
  if (!std::filesystem::exists(platform::PathOf(Data.FlashFile), missing) && !missing) {
    dialogs_.ShowError("Can not find file\r" + Data.FlashFile, "File Load Error");
    return true;
  }
  if (text::Contains(controls_.Text(Ctl::selectedDescription), "Empty") && OperationMode == om_New) {
    dialogs_.ShowMessage("To load Empty slot, Please use Replace Program");
    return true;
  }
  if (DemoMode) {
    if (MultiSlotKind()) {
      dialogs_.ShowMessage(kNoProgrammerData);
      return true;
    }
    if (link_) {
      link_->Geometry.Capacity = 0x42000;
      link_->Geometry.SlotSize = 0x42000;
      link_->Geometry.PageSize = 264;
    }
  }
  if (slot::KindRow(ProgrammerKind).vpp125Only && devices::NeedsHighVpp(Data.Column) &&
      !dialogs_.AskYesNo("Device needs 9V VPP\rOld type programmer only supplies 12.5V\r\rDo you want to continue?"))
    return true;
  return false;
}

bool TMainForm::DirectoryRefusesWrite(int deleting, std::optional<slot::TProgramEntry>* repaired) {
  if (!link_) return false;
  const std::optional<slot::DirectoryDamage> damage = slot::FindDirectoryDamage(Programs, link_->Geometry);
  if (!damage) return false;
  std::optional<slot::TProgramEntry> mended = slot::RepairedEmptySlot(Programs, link_->Geometry, damage->slot);
  if (deleting == damage->slot && mended && repaired) {
    *repaired = std::move(mended);
    return false;
  }
  dialogs_.ShowError(slot::DamageMessage(*damage, mended.has_value()), "Error");
  return true;
}

// The duplicate questions of the portable programmer; false when one was
// answered No. `selected` is the list index of the selected slot.
bool TMainForm::DuplicateAnswered(int selected) {
  if (!slot::KindRow(ProgrammerKind).duplicateQuestions || QuietMode) return true;
  const bool replace = OperationMode == om_Replace;
  const int byFile = FirstHolding(Programs, platform::ExtractFileName(Data.FlashFile),
                                  [](const slot::TProgramEntry& e) { return e.SourceFileName; });
  if (byFile >= 0 && !(replace && byFile == selected) &&
      !dialogs_.AskYesNo("This filename already exists\rSlot number " + Programs.Get(byFile).SlotName.substr(0, 3) +
                         "\r\r" + "Do you want to continue?"))
    return false;
  // A description taken over from the selected row is the row's whole
  // description, padding included: "Blink 1" kept for slot 2 is no
  // duplicate of slot 1's "Blink 18".
  std::string description = controls_.Text(Ctl::ProgCaption);
  const std::string fromRow = controls_.Text(Ctl::selectedDescription);
  if (!description.empty() && text::Trim(fromRow) == description) description = fromRow;
  const int byName = FirstHolding(Programs, description, [](const slot::TProgramEntry& e) { return e.SlotName; });
  if (byName >= 0 && !(replace && byName == selected)) {
    std::string name = Programs.Get(byName).SlotName;
    if (text::Contains(name, "Empty")) name = text::ZeroPad(std::uint64_t(byName + 1), 3) + " " + name;
    if (!dialogs_.AskYesNo("This Description already exists\rSlot number " + name.substr(0, 3) + "\r\r" +
                           "Do you want to continue?"))
      return false;
  }
  return true;
}

// The firmware the family needs: already running, changed now, or (on an
// 8-way programmer that holds other slots) refused.
bool TMainForm::FirmwareReady() {
  const slot::KindInfo& row = slot::KindRow(ProgrammerKind);
  if (row.firmware == slot::FirmwareLine::portable || Data.RequiredFirmware == Data.LoadedFirmware) return true;
  const int othersFrom = OperationMode == om_Replace ? 2 : 1;
  if (row.slotsShareFirmware && Programs.EntryCount >= othersFrom) {
    dialogs_.ShowWarning(Mixing(Data.LoadedFirmware));
    return false;
  }
  const std::string file = Data.RequiredFirmware == devices::fw_pic24 ? Data.FirmwareQRX24 : Data.FirmwareQRX;
  if (!RunFirmwareChange(file, Data.RequiredFirmware)) {
    dialogs_.ShowError("Could not change firmware \rPlease try Load again");
    return false;
  }
  return true;
}

link::EmptiedHeader TMainForm::EmptiedFor(const slot::TProgramEntry& record) const {
  std::uint32_t next = record.NextPage, pages = record.PageCount;
  for (int i = 0; i < Programs.EntryCount; ++i) {
    const slot::TProgramEntry& listed = Programs.Get(i);
    if (listed.StartPage != record.StartPage) continue;
    next = listed.NextPage;
    pages = listed.PageCount;
    break;
  }
  return {record.StartPage, slot::EmptyHeader(std::uint16_t(next), std::uint16_t(pages))};
}

void TMainForm::ListEmptied(const std::vector<link::EmptiedHeader>& emptied) {
  bool changed = false;
  for (const link::EmptiedHeader& e : emptied) {
    if (std::find(link_->EmptiedHeaders.begin(), link_->EmptiedHeaders.end(), e.page) == link_->EmptiedHeaders.end())
      continue;
    int at = -1;
    for (int i = 0; i < Programs.EntryCount && at < 0; ++i)
      if (Programs.Get(i).StartPage == e.page) at = i;
    if (at >= 0) {
      Programs.Delete(at);
      Programs.Insert(at, slot::EntryFromHeader(e.page, e.header.data()));
    } else if (e.page == 0) {
      // A single-slot programmer whose slot was not listed lists it now.
      Programs.Clear();
      Programs.Add(slot::EntryFromHeader(e.page, e.header.data()));
    }
    changed = true;
  }
  if (changed) RefreshSlotView();
}

link::BlankPageRule TMainForm::SlotBlankRule() const {
  return {std::uint32_t(std::max(Data.FlashSize, 0)), std::uint32_t(std::max(Data.EEPROMSIZE, 0)),
          Switches.EraseWholeSlot};
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

}  // namespace

std::string TMainForm::RecordReplaced(oplog::OperationRecord& r, const slot::TProgramEntry& now) const {
  const slot::TProgramEntry& old = Programs.Get(Programs.CurrentIndex);
  r.replacedDescription = DescriptionOf(old);
  if (const std::string device = text::Trim(old.DeviceName); !device.empty()) r.replacedDevice = device;
  if (const std::string file = text::Trim(old.SourceFileName); !file.empty()) r.replacedFile = file;
  return "Replaced: " + SlotText(old) + "\rWith: " + SlotText(now);
}

bool TMainForm::uploadClick() {
  // Only New and Replace write programs; a mode left over from Delete would
  // report a written program as deleted.
  if (OperationMode != om_Replace) OperationMode = om_New;
  oplog::OperationRecorder logged =
      Recording(OperationMode == om_Replace ? oplog::LoggedOperation::replace : oplog::LoggedOperation::new_slot);
  RecordProgram(logged.Record());
  const int selectedRow = controls_.Row(Ctl::slotList);
  if (OperationMode == om_Replace && selectedRow >= 1) logged.Record().slot = selectedRow;
  if (UploadRefused() || DirectoryRefusesWrite()) return false;
  if (!DuplicateAnswered(selectedRow - 1)) return false;

  slot::ProgrammerGeometry fallback = Geometry();
  slot::ProgrammerGeometry& geometry = link_ ? link_->Geometry : fallback;
  ops::SlotBuildRequest request;
  request.mode = OperationMode == om_Replace ? image::mode_replace : image::mode_new;
  request.selectedRow = selectedRow;
  request.slotsShown = Programs.EntryCount > 0;
  ops::SlotBuildResult built;
  if (!ops::SlotBuild(*this, geometry, Programs, request, built)) return false;
  if (geometry.PagesPerSlot() > 0) logged.Record().slot = int(built.record->StartPage / geometry.PagesPerSlot()) + 1;

  if (!HaveLink() || !FirmwareReady()) return false;
  KindAtLastRead = ProgrammerKind;
  SetHourGlass(true);
  link::SlotWrite write{*built.record, built.slotImage, SlotBlankRule()};
  // An overwrite (Replace, or New on a single-slot programmer, whose one
  // slot it replaces) empties the old header before the first data page.
  if (OperationMode == om_Replace || !MultiSlotKind()) write.emptyFirst.push_back(EmptiedFor(*built.record));
  const std::string replaced = OperationMode == om_Replace ? RecordReplaced(logged.Record(), *built.record) : "";
  const bool written =
      ops::WriteWrapper({*link_, dialogs_, progressView_, linkParts_.pump}, write, KindAtLastRead, OperationMode,
                        QuietMode, controls_.Checked(Ctl::VerifyAfterWriting), replaced);
  SetHourGlass(false);
  if (!written) {
    ListEmptied(write.emptyFirst);
    return false;
  }

  if (!MultiSlotKind()) {
    Programs.Clear();
    Programs.Add(std::move(built.record));
  } else if (OperationMode == om_Replace) {
    Programs.Delete(Programs.CurrentIndex);
    Programs.Insert(Programs.CurrentIndex, std::move(built.record));
  } else {
    Programs.Add(std::move(built.record));
  }
  RefreshSlotView();
  logged.Succeeded();
  return true;
}

}  // namespace velmar::model
