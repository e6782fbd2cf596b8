// What the desktop window offers around the handlers, kept here so that it
// is the same for every front end and testable without a display: the
// status line about the attached programmer and about a device that a
// stored position selected, the room left in the slot
// description, the File Name chosen with Browse or typed, a program file
// dropped on the window or named alone on the command line, the list of
// recently used program files, and the About text with the versions in use.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "link/LibFtdiDriver.h"
#include "link/TReadProg.h"
#include "model/TMainForm.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace velmar::model {

namespace {

// The programmer models by kind, as printed on the programmers.
const char* ModelName(slot::ProgrammerKind kind) {
  const slot::KindInfo* row = slot::FindKind(kind);
  return row ? row->product : "";
}

// Files of Velmar's own that are never a user's program: a unit image, a
// firmware file, a profile, a settings file.
bool IsOwnFileType(const std::string& path) {
  const std::string name = text::LowerCase(platform::ExtractFileName(path));
  for (const char* ext : {".prg", ".upd", ".prj", ".met", ".ini"})
    if (name.size() > std::string(ext).size() &&
        name.compare(name.size() - std::string(ext).size(), std::string::npos, ext) == 0)
      return true;
  return false;
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

constexpr int kDescriptionLength = 28;

}  // namespace

TMainForm::ProgrammerStatus TMainForm::Status() const {
  ProgrammerStatus st;
  st.connected = !DemoMode && link_ && link_->ProgrammerAnswered;
  st.model = ModelName(ProgrammerKind);
  if (link_) {
    if (link_->InterfaceIndex >= 0 && std::size_t(link_->InterfaceIndex) < link_->SerialNumbers.size())
      st.serial = link_->SerialNumbers[std::size_t(link_->InterfaceIndex)];
    st.firmwareVersion = link_->FirmwareVersion;
  }
  const slot::ProgrammerGeometry g = Geometry();
  const int total = g.IsMultiSlot() ? int(g.SlotCount) : 1;
  st.slotsUsed = Programs.EntryCount;
  st.slotsFree = std::max(0, total - st.slotsUsed);
  if (g.IsMultiSlot() && Programs.EntryCount > 0 && g.PageSize) {
    // The pages may run out before the slots do ("Programmer is full").
    const std::uint32_t lastPage = g.Capacity / g.PageSize - 1;
    if (lastPage < Programs.Get(Programs.EntryCount - 1).NextPage) st.slotsFree = 0;
  }
  return st;
}

std::string TMainForm::StatusText() const {
  const ProgrammerStatus st = Status();
  if (DemoMode) return std::string("Demo mode - no programmer") + (st.model.empty() ? "" : " (" + st.model + ")");
  if (!st.connected) return "No programmer read";
  std::string line = st.model.empty() ? std::string("Unknown programmer") : st.model;
  if (!st.serial.empty()) line += "  |  interface " + st.serial;
  if (!linkParts_.location.empty()) line += " at " + linkParts_.location;
  if (st.firmwareVersion >= 0)
    line += "  |  firmware " + std::to_string(st.firmwareVersion) + " (0x" +
            text::IntToHex(std::uint64_t(st.firmwareVersion), 2) + ")";
  line += "  |  " + std::to_string(st.slotsUsed) + (st.slotsUsed == 1 ? " slot" : " slots") + " used, " +
          std::to_string(st.slotsFree) + " free";
  return line + "  |  " + link::PacingName(LinkPacing()) + " pacing";
}

std::string TMainForm::DeviceNoticeText() const {
  for (const PositionChoice& c : PositionChoices())
    if (c.family == FamilyEntry() && c.device == Data.DeviceName) return PositionChoiceText(c);
  return "";
}

int TMainForm::DescriptionRoom() const {
  return std::max(0, kDescriptionLength - int(controls_.Text(Ctl::ProgCaption).size()));
}

std::string TMainForm::DescriptionRoomText() const {
  const int room = DescriptionRoom();
  return std::to_string(room) + (room == 1 ? " character left" : " characters left");
}

bool TMainForm::AcceptsDroppedFile(const std::string& path) const {
  return !path.empty() && !IsOwnFileType(path) && IsRegularFile(path);
}

bool TMainForm::DropFile(const std::string& path) {
  if (!AcceptsDroppedFile(path)) return false;
  SetFlashFile(path);
  controls_.SetExtra(Ctl::programFileDialog, "initialDir", LastFolder);
  RememberRecentFile(path);
  return true;
}

void TMainForm::RememberRecentFile(const std::string& path) {
  if (path.empty()) return;
  RecentFiles.erase(std::remove(RecentFiles.begin(), RecentFiles.end(), path), RecentFiles.end());
  RecentFiles.insert(RecentFiles.begin(), path);
  if (RecentFiles.size() > kRecentFiles) RecentFiles.resize(kRecentFiles);
}

bool TMainForm::OpenRecentFile(const std::string& path) {
  if (!IsRegularFile(path)) {
    RecentFiles.erase(std::remove(RecentFiles.begin(), RecentFiles.end(), path), RecentFiles.end());
    dialogs_.ShowError("Can not find file\r" + path, "File Load Error");
    return false;
  }
  SetFlashFile(path);
  controls_.SetExtra(Ctl::programFileDialog, "initialDir", LastFolder);
  RememberRecentFile(path);
  return true;
}

bool TMainForm::OpenStartFile(const std::string& given) {
  // Named relative to the folder the program was started in, which the
  // File Name must not depend on.
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(platform::PathOf(given), ec);
  const std::string path = ec ? given : platform::Utf8Of(full);
  if (!IsRegularFile(path)) {
    dialogs_.ShowError("Can not find file\r" + path, "File Load Error");
    return false;
  }
  const std::string name = text::LowerCase(platform::ExtractFileName(path));
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".prg") == 0) {
    if (!dialogs_.AskYesNo(path + "\ris a unit image: the whole contents of a programmer.\r\r" +
                               "Load it into the programmer with Load Unit? Load Unit asks again before it replaces "
                               "anything.",
                           {}, platform::DlgButton::No))
      return false;
    return Bound(operations_.loadUnitFrom, "Load Unit")(path);
  }
  if (IsOwnFileType(path)) {
    dialogs_.ShowError(path + "\ris not a HEX file: nothing was opened", "File Load Error");
    return false;
  }
  return DropFile(path);
}

std::string TMainForm::AboutText(const std::string& qtVersion) const {
  const std::string ftdi = link::LibFtdiVersion();
  std::string firmware = "no programmer read";
  const ProgrammerStatus st = Status();
  if (st.connected && st.firmwareVersion >= 0)
    firmware = std::to_string(st.firmwareVersion) + " (0x" + text::IntToHex(std::uint64_t(st.firmwareVersion), 2) +
               ")" + (st.model.empty() ? "" : " on the " + st.model);
  return std::string("Velmar ") + VELMAR_VERSION + "\rLoader for the stand-alone USB PIC programmers\r\r" + "Qt " +
         (qtVersion.empty() ? "not in use" : qtVersion) + "\r" + "libftdi " + (ftdi.empty() ? "not built in" : ftdi) +
         "\r" + "Programmer firmware: " + firmware;
}

void TMainForm::AboutClick(const std::string& qtVersion) {
  dialogs_.MessageDlg(AboutText(qtVersion), platform::DlgType::Information, {platform::DlgButton::Ok},
                      platform::DlgButton::Ok, "About Velmar");
}

bool TMainForm::UpdateFirmwareClick() {
  if (DemoMode) {
    dialogs_.ShowMessage("No Programmer Detected. Read Programmer First");
    return false;
  }
  if (!dialogs_.AskYesNo("Replace the programmer's firmware?\r\rThe programmer is read again and offers the update;"
                         "\rdo not unplug it until the update has finished.",
                         {}, platform::DlgButton::No))
    return false;
  if (controls_.Text(Ctl::forceUpdateButton) != "Force Update On") forceUpdateButtonClick();
  ReadProgButtonClick();
  return true;
}

// ---- Hex file choice ----

namespace {
const char* const kFileFilterHex = "Hex|*.hex|All Files|*.*";
}  // namespace

void TMainForm::browseButtonClick() {
  controls_.SetExtra(Ctl::programFileDialog, "filter", kFileFilterHex);
  const Control& dlg = controls_.Get(Ctl::programFileDialog);
  auto chosen = dialogs_.OpenFile({dlg.extra.at("filter"), dlg.extra.at("defaultExt"), LastFolder, {}});
  if (!chosen) return;
  SetFlashFile(*chosen);
  RememberRecentFile(*chosen);
  controls_.SetExtra(Ctl::programFileDialog, "initialDir", LastFolder);
}

// A typed full path is taken as it is; a name, or a path relative to the
// folder the last file choice was in, joins that folder.
void TMainForm::fileNameChange() {
  Data.FlashFile = platform::ResolveTypedPath(LastFolder, controls_.Text(Ctl::fileName));
}

void TMainForm::fileNameEnter() { fileNameChange(); }

}  // namespace velmar::model
