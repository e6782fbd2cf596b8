// Load Unit.
#include "operations/UnitLoad.h"

#include <algorithm>
#include <map>
#include <set>

#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "link/LinkErrors.h"
#include "link/TReadProg.h"
#include "model/TMainForm.h"
#include "operations/ProgressBinding.h"
#include "operations/SlotWriting.h"
#include "operations/UnitCopy.h"
#include "operations/UnitImageCheck.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "slot/SlotHeader.h"

namespace velmar::ops {

namespace {
constexpr std::uint32_t kPagesOf1024 = 258;
constexpr std::uint32_t kPagesOf256 = 1032;

std::uint32_t Word(const image::THexList& img, std::uint64_t at) {
  return std::uint32_t(img.GetValue(std::uint32_t(at))) | std::uint32_t(img.GetValue(std::uint32_t(at + 1))) << 8;
}
}  // namespace

bool AdjustPortablePageMode(image::THexList& unitImage, std::uint32_t slotSize) {
  if (unitImage.Count() < slot::slot_header::kSize || slotSize == 0) return false;
  std::uint32_t next = Word(unitImage, 0);
  if (next == kPagesOf256) return true;
  if (next != kPagesOf1024) return false;
  const std::int64_t last = unitImage.LastUsed();
  for (std::uint64_t at = 0; std::int64_t(at) < last; at += slotSize) {
    if (at + slot::slot_header::kSize > unitImage.Count()) break;
    std::uint8_t* h = unitImage.DataAt(std::uint32_t(at));
    const std::uint32_t value = next * 4;
    h[0] = std::uint8_t(value);
    h[1] = std::uint8_t(value >> 8);
    h[slot::slot_header::HeaderChecksum.offset] = slot::NegatedSum(h, slot::slot_header::kChecksummed);
    const std::uint64_t following = at + slotSize;
    if (following + 1 < unitImage.Count()) next = Word(unitImage, following);
  }
  return true;
}

std::string CommandLineUnitFile(const std::vector<std::string>& params) {
  if (params.size() < 2) return {};
  const std::string& second = params[1];
  const bool onlyShow = (params.size() < 3 || params[2].empty()) && text::UpperCase(second) == "SHOW";
  return onlyShow ? std::string() : second;
}

}  // namespace velmar::ops

namespace velmar::model {

namespace {

constexpr const char* kFileError = "Error in Programmer file\rQuitting";
constexpr const char* kLoadThisFile = "Load it into the programmer? Every program the programmer holds now is erased.";

}  // namespace

std::string TMainForm::LoadUnitFileName() {
  std::string file = givenUnitFile_.empty() ? ops::CommandLineUnitFile(CommandLineParams) : givenUnitFile_;
  if (file.empty()) {
    controls_.SetExtra(Ctl::programFileDialog, "filter", ops::kUnitFileFilter);
    const Control& dlg = controls_.Get(Ctl::programFileDialog);
    std::optional<std::string> chosen =
        dialogs_.OpenFile({dlg.extra.at("filter"), dlg.extra.at("defaultExt"), LastFolder, {}});
    if (!chosen) return {};
    file = *chosen;
  }
  const std::string folder = platform::ExtractFilePath(file);
  if (!folder.empty()) LastFolder = folder;
  controls_.SetExtra(Ctl::programFileDialog, "initialDir", LastFolder);
  return file;
}

// Slots that begin past the pages just written may still hold headers of
// the old contents, which the directory would list after the loaded slots
// (and a New would link to). Their header pages are written blank.
void TMainForm::BlankSlotsAfter(std::uint32_t pagesWritten) {
  const slot::ProgrammerGeometry& g = link_->Geometry;
  const std::uint32_t perSlot = g.PagesPerSlot();
  if (!g.IsMultiSlot() || perSlot == 0) return;
  const std::uint32_t first = (pagesWritten + perSlot - 1) / perSlot;
  if (first >= g.SlotCount) return;
  image::THexList blank(g.PageSize);
  slot::HeaderBytes none;
  none.fill(0xFF);
  for (std::uint32_t slot = first; slot < g.SlotCount; ++slot) {
    const std::uint32_t page = slot * perSlot;
    slot::TProgramEntry record(page, 0, 1, "", "", "", none);
    const link::SlotWrite write{record, blank, {0, 0, true}};
    const bool written = g.WritesHalfPages() ? link_->WriteHalfPages(page, g.PageSize / 2, 0, write)
                                             : link_->WritePage(page, g.PageSize, 0, write);
    if (!written) throw link::EISPException("Dataflash verify fail");
  }
  link_->ClockInByte();
}

std::vector<link::EmptiedHeader> TMainForm::UnitHeadersToEmpty(const image::THexList& unit, std::uint32_t pages) const {
  const slot::ProgrammerGeometry& g = link_->Geometry;
  const std::uint32_t perSlot = g.IsMultiSlot() ? g.PagesPerSlot() : pages;
  std::vector<link::EmptiedHeader> headers;
  for (std::uint32_t page = 0; perSlot > 0 && page < pages; page += perSlot) {
    const std::uint8_t* h = unit.DataAt(page * g.PageSize);
    link::EmptiedHeader e{page, {}};
    if (h[slot::slot_header::InUseMarker.offset] == 0x00)
      e.header = slot::EmptyHeader(std::uint16_t(slot::GetField(h, slot::slot_header::NextHeaderPage)),
                                   std::uint16_t(slot::GetField(h, slot::slot_header::PageCount)));
    else
      e.header.fill(0xFF);  // the unit has no slot here: no header at all
    headers.push_back(e);
  }
  return headers;
}

void TMainForm::ListAfterBrokenLoad(const image::THexList& unit) {
  const slot::ProgrammerGeometry& g = link_->Geometry;
  std::map<std::uint32_t, slot::HeaderBytes> now;  // header page -> the header there now
  for (int i = 0; i < Programs.EntryCount; ++i) now[Programs.Get(i).StartPage] = Programs.Get(i).Header;
  for (std::uint32_t page : link_->RewrittenHeaders)
    std::copy_n(unit.DataAt(page * g.PageSize), slot::slot_header::kSize, now[page].begin());
  for (std::uint32_t page : link_->EmptiedHeaders)
    for (const link::EmptiedHeader& e : UnitHeadersToEmpty(unit, page + 1))
      if (e.page == page) now[page] = e.header;
  // The directory walk over what is known to be there.
  Programs.Clear();
  std::set<std::uint32_t> visited;
  for (std::uint32_t page = 0; now.count(page) && !visited.count(page) && page < g.PageTotal();) {
    const slot::HeaderBytes& h = now[page];
    if (h[slot::slot_header::InUseMarker.offset] != 0x00) break;
    Programs.Add(slot::EntryFromHeader(page, h.data()));
    visited.insert(page);
    if (std::uint32_t(Programs.EntryCount) >= g.SlotCount) break;
    page = slot::GetField(h.data(), slot::slot_header::NextHeaderPage);
  }
  Programs.CurrentIndex = 0;
  RefreshSlotView();
}

bool TMainForm::LoadUnitFrom(const std::string& file) {
  givenUnitFile_ = file;
  const bool loaded = LoadButtonClick();
  givenUnitFile_.clear();
  return loaded;
}

bool TMainForm::LoadButtonClick() {
  oplog::OperationRecorder logged = Recording(oplog::LoggedOperation::load);
  if (DemoMode) {
    dialogs_.ShowMessage("No Programmer Detected. Read Programmer First");
    return false;
  }
  if (!dialogs_.AskYesNo("Load Programmer will replace ALL existing programs\r\rDo you want to continue?", {},
                         platform::DlgButton::No))
    return false;
  const std::string file = LoadUnitFileName();
  if (file.empty()) return false;
  oplog::RecordFile(logged.Record(), file);
  if (!HaveLink()) return false;

  SetHourGlass(true);
  const slot::ProgrammerGeometry g = link_->Geometry;
  image::THexList unit(g.Capacity);
  int loaded = 0;
  try {
    loaded = image::TFileLoader::LoadFile(file, unit).result;
  } catch (const std::exception& e) {
    dialogs_.ShowError(std::string(e.what()) + "\r\r" + "Closing... ");
    SetHourGlass(false);
    return false;
  }
  // Besides a file the loader cannot read, one that holds no data or no
  // slot header at its start is no unit image: writing it would only wipe
  // the programmer's first slot.
  if (loaded == -1 || loaded == -2 || unit.LastUsed() < 0 ||
      unit.GetValue(slot::slot_header::InUseMarker.offset) != 0x00) {
    dialogs_.ShowWarning(kFileError, "File Format Warning");
    SetHourGlass(false);
    return false;
  }
  if (g.Row().pageMode256 && !ops::AdjustPortablePageMode(unit, g.SlotSize)) {
    SetHourGlass(false);
    dialogs_.ShowMessage("File is not correct for portable programmer\r" + ops::CheckUnitImage(unit, g).refusal);
    return false;
  }
  // Nothing is erased before the whole image is known to fit this
  // programmer and to list as a whole directory.
  const ops::UnitImageReport report = ops::CheckUnitImage(unit, g);
  if (!report.refusal.empty()) {
    SetHourGlass(false);
    dialogs_.ShowError(report.refusal + "\rNothing was written: the programmer is as it was.\r" + file);
    return false;
  }
  // The first question came before the file was chosen; now the user sees
  // what it holds and may still say No.
  SetHourGlass(false);
  if (!dialogs_.AskYesNo(file + "\r" + ops::UnitImageContents(report) + "\r\r" + kLoadThisFile, {},
                         platform::DlgButton::No))
    return false;
  SetHourGlass(true);
  const std::uint32_t pages = std::uint32_t(unit.LastUsed()) / g.PageSize + 1;
  slot::HeaderBytes none;
  none.fill(0xFF);
  const slot::TProgramEntry record(0, 0, pages, "", "", "", none);
  // The header pages about to be overwritten are emptied first, and each
  // slot's header goes after the rest of the slot.
  link::SlotWrite write{record, unit, {0, 0, true}, UnitHeadersToEmpty(unit, pages)};
  for (const link::EmptiedHeader& e : write.emptyFirst) write.slotStarts.push_back(e.page);

  std::string failure;
  bool written = false;
  {
    model::ProgressForm form(progressView_, linkParts_.pump);
    form.SetCaption("Loading Programmer");
    form.SetMessage("Checking Programmer");
    try {
      // Every page is written: the blank-page skip counts from page 0 and
      // would leave old data in the blank pages of later slots.
      written = ops::RunSlotWrite(form, *link_, write, KindAtLastRead, controls_.Checked(Ctl::VerifyAfterWriting));
      const bool readBack = !CommandLineMode;
      const bool staleSlots = g.IsMultiSlot() && (pages + g.PagesPerSlot() - 1) / g.PagesPerSlot() < g.SlotCount;
      if (written && (readBack || staleSlots)) {
        link_->Identify();
        BlankSlotsAfter(pages);
        if (readBack) link_->ReadDirectory(Programs);
      }
    } catch (const link::EISPException& e) {
      failure = e.what();
    } catch (const link::EFirmwareUpdate& e) {
      failure = e.what();
    } catch (const std::exception& e) {
      failure = e.what();
    }
    ops::CloseLinkQuietly(*link_);
  }  // the window is released before any message
  SetHourGlass(false);
  if (!failure.empty()) {
    const std::string emptied = ops::EmptiedSlotsText(*link_);
    if (!emptied.empty() || !link_->RewrittenHeaders.empty()) ListAfterBrokenLoad(unit);
    dialogs_.ShowError(failure + emptied);
    return false;
  }
  if (!written) {
    dialogs_.ShowError("Programmer Load Error");
    return false;
  }
  RefreshSlotView();
  logged.Succeeded();
  if (!QuietMode) dialogs_.ShowInformation("Programmer Loaded successfully\r" + file);
  return true;
}

}  // namespace velmar::model
