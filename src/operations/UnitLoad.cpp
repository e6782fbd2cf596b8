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
#include "operations/WindowOperations.h"
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

using model::Control;
using model::Ctl;
using model::TMainForm;

namespace {

constexpr const char* kFileError = "Error in Programmer file\rQuitting";
constexpr const char* kLoadThisFile = "Load it into the programmer? Every program the programmer holds now is erased.";

// The unit image to load: `given`, else the command line's, else the one
// the user chooses ("" when none is chosen).
std::string LoadUnitFileName(TMainForm& w, const std::string& given) {
  std::string file = given.empty() ? ops::CommandLineUnitFile(w.CommandLineParams) : given;
  if (file.empty()) {
    w.Controls().SetExtra(Ctl::programFileDialog, "filter", ops::kUnitFileFilter);
    const Control& dlg = w.Controls().Get(Ctl::programFileDialog);
    std::optional<std::string> chosen =
        w.Dialogs().OpenFile({dlg.extra.at("filter"), dlg.extra.at("defaultExt"), w.LastFolder, {}});
    if (!chosen) return {};
    file = *chosen;
  }
  const std::string folder = platform::ExtractFilePath(file);
  if (!folder.empty()) w.LastFolder = folder;
  w.Controls().SetExtra(Ctl::programFileDialog, "initialDir", w.LastFolder);
  return file;
}

// Slots that begin past the pages just written may still hold headers of
// the old contents, which the directory would list after the loaded slots
// (and a New would link to). Their header pages are written blank.
void BlankSlotsAfter(TMainForm& w, std::uint32_t pagesWritten) {
  const slot::ProgrammerGeometry& g = w.Link()->Geometry;
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
    const bool written = g.WritesHalfPages() ? w.Link()->WriteHalfPages(page, g.PageSize / 2, 0, write)
                                             : w.Link()->WritePage(page, g.PageSize, 0, write);
    if (!written) throw link::EISPException("Dataflash verify fail");
  }
  w.Link()->ClockInByte();
}

std::vector<link::EmptiedHeader> UnitHeadersToEmpty(TMainForm& w, const image::THexList& unit, std::uint32_t pages) {
  const slot::ProgrammerGeometry& g = w.Link()->Geometry;
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

void ListAfterBrokenLoad(TMainForm& w, const image::THexList& unit) {
  const slot::ProgrammerGeometry& g = w.Link()->Geometry;
  std::map<std::uint32_t, slot::HeaderBytes> now;  // header page -> the header there now
  for (int i = 0; i < w.Programs.EntryCount; ++i) now[w.Programs.Get(i).StartPage] = w.Programs.Get(i).Header;
  for (std::uint32_t page : w.Link()->RewrittenHeaders)
    std::copy_n(unit.DataAt(page * g.PageSize), slot::slot_header::kSize, now[page].begin());
  for (std::uint32_t page : w.Link()->EmptiedHeaders)
    for (const link::EmptiedHeader& e : UnitHeadersToEmpty(w, unit, page + 1))
      if (e.page == page) now[page] = e.header;
  // The directory walk over what is known to be there.
  w.Programs.Clear();
  std::set<std::uint32_t> visited;
  for (std::uint32_t page = 0; now.count(page) && !visited.count(page) && page < g.PageTotal();) {
    const slot::HeaderBytes& h = now[page];
    if (h[slot::slot_header::InUseMarker.offset] != 0x00) break;
    w.Programs.Add(slot::EntryFromHeader(page, h.data()));
    visited.insert(page);
    if (std::uint32_t(w.Programs.EntryCount) >= g.SlotCount) break;
    page = slot::GetField(h.data(), slot::slot_header::NextHeaderPage);
  }
  w.Programs.CurrentIndex = 0;
  w.RefreshSlotView();
}

bool LoadUnit(TMainForm& w, const std::string& given) {
  oplog::OperationRecorder logged = w.Recording(oplog::LoggedOperation::load);
  if (w.DemoMode) {
    w.Dialogs().ShowMessage("No Programmer Detected. Read Programmer First");
    return false;
  }
  if (!w.Dialogs().AskYesNo("Load Programmer will replace ALL existing programs\r\rDo you want to continue?", {},
                            platform::DlgButton::No))
    return false;
  const std::string file = LoadUnitFileName(w, given);
  if (file.empty()) return false;
  oplog::RecordFile(logged.Record(), file);
  if (!w.HaveLink()) return false;

  w.SetHourGlass(true);
  const slot::ProgrammerGeometry g = w.Link()->Geometry;
  image::THexList unit(g.Capacity);
  image::LoadResult loaded;
  try {
    loaded = image::TFileLoader::LoadFile(file, unit);
  } catch (const std::exception& e) {
    w.Dialogs().ShowError(std::string(e.what()) + "\r\r" + "Closing... ");
    w.SetHourGlass(false);
    return false;
  }
  // Besides a file the loader cannot read, one that holds no data or no
  // slot header at its start is no unit image: writing it would only wipe
  // the programmer's first slot.
  if (!loaded.Loaded() || unit.LastUsed() < 0 || unit.GetValue(slot::slot_header::InUseMarker.offset) != 0x00) {
    w.Dialogs().ShowWarning(kFileError, "File Format Warning");
    w.SetHourGlass(false);
    return false;
  }
  if (g.Row().pageMode256 && !ops::AdjustPortablePageMode(unit, g.SlotSize)) {
    w.SetHourGlass(false);
    w.Dialogs().ShowMessage("File is not correct for portable programmer\r" + ops::CheckUnitImage(unit, g).refusal);
    return false;
  }
  // Nothing is erased before the whole image is known to fit this
  // programmer and to list as a whole directory.
  const ops::UnitImageReport report = ops::CheckUnitImage(unit, g);
  if (!report.refusal.empty()) {
    w.SetHourGlass(false);
    w.Dialogs().ShowError(report.refusal + "\rNothing was written: the programmer is as it was.\r" + file);
    return false;
  }
  // The first question came before the file was chosen; now the user sees
  // what it holds and may still say No.
  w.SetHourGlass(false);
  if (!w.Dialogs().AskYesNo(file + "\r" + ops::UnitImageContents(report) + "\r\r" + kLoadThisFile, {},
                            platform::DlgButton::No))
    return false;
  w.SetHourGlass(true);
  const std::uint32_t pages = std::uint32_t(unit.LastUsed()) / g.PageSize + 1;
  slot::HeaderBytes none;
  none.fill(0xFF);
  const slot::TProgramEntry record(0, 0, pages, "", "", "", none);
  // The header pages about to be overwritten are emptied first, and each
  // slot's header goes after the rest of the slot.
  link::SlotWrite write{record, unit, {0, 0, true}, UnitHeadersToEmpty(w, unit, pages)};
  for (const link::EmptiedHeader& e : write.emptyFirst) write.slotStarts.push_back(e.page);

  std::string failure;
  bool written = false;
  {
    model::ProgressForm form(w.ProgressView(), w.Parts().pump);
    form.SetCaption("Loading Programmer");
    form.SetMessage("Checking Programmer");
    try {
      // Every page is written: the blank-page skip counts from page 0 and
      // would leave old data in the blank pages of later slots.
      written =
          ops::RunSlotWrite(form, *w.Link(), write, w.KindAtLastRead, w.Controls().Checked(Ctl::VerifyAfterWriting));
      const bool readBack = !w.CommandLineMode;
      const bool staleSlots = g.IsMultiSlot() && (pages + g.PagesPerSlot() - 1) / g.PagesPerSlot() < g.SlotCount;
      if (written && (readBack || staleSlots)) {
        w.Link()->Identify();
        BlankSlotsAfter(w, pages);
        if (readBack) w.Link()->ReadDirectory(w.Programs);
      }
    } catch (const link::EISPException& e) {
      failure = e.what();
    } catch (const link::EFirmwareUpdate& e) {
      failure = e.what();
    } catch (const std::exception& e) {
      failure = e.what();
    }
    ops::CloseLinkQuietly(*w.Link());
  }  // the window is released before any message
  w.SetHourGlass(false);
  if (!failure.empty()) {
    const std::string emptied = ops::EmptiedSlotsText(*w.Link());
    if (!emptied.empty() || !w.Link()->RewrittenHeaders.empty()) ListAfterBrokenLoad(w, unit);
    w.Dialogs().ShowError(failure + emptied);
    return false;
  }
  if (!written) {
    w.Dialogs().ShowError("Programmer Load Error");
    return false;
  }
  w.RefreshSlotView();
  logged.Succeeded();
  if (!w.QuietMode) w.Dialogs().ShowInformation("Programmer Loaded successfully\r" + file);
  return true;
}

}  // namespace

bool LoadButtonClick(TMainForm& w) { return LoadUnit(w, ""); }

bool LoadUnitFrom(TMainForm& w, const std::string& file) { return LoadUnit(w, file); }

}  // namespace velmar::ops
