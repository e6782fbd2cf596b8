// Copy Unit.
#include "operations/UnitCopy.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "link/LinkErrors.h"
#include "model/TMainForm.h"
#include "operations/DurationEstimate.h"
#include "operations/ProgressBinding.h"
#include "operations/WindowOperations.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "slot/SlotHeader.h"

namespace velmar::ops {

namespace {

// The link reads into an image of the whole dataflash, page by page, for as
// long as the copy runs.
class PageImage {
 public:
  PageImage(link::TReadProg& link, std::uint32_t capacity) : link_(link) {
    link.ReadImage = std::make_unique<image::THexList>(capacity);
    link.PageIndexedReads = true;
  }
  ~PageImage() {
    link_.ReadImage.reset();
    link_.PageIndexedReads = false;
  }
  PageImage(const PageImage&) = delete;
  PageImage& operator=(const PageImage&) = delete;

 private:
  link::TReadProg& link_;
};

// Reads page `p` into the link's page image (the 8-way programmers' pages
// in two halves, both of which must succeed).
bool ReadPage(link::TReadProg& link, std::uint32_t p) {
  const slot::ProgrammerGeometry& g = link.Geometry;
  if (g.WritesHalfPages()) return link.ReadBlock(p, g.PageSize / 2, 1) && link.ReadBlock(p, g.PageSize / 2, 2);
  return link.ReadBlock(p, g.PageSize, 1);
}

enum class PageRead { read, failed, unsettled };

// Reads page `p`; with `verify` again until a read agrees with an earlier
// one, which the image then holds.
PageRead ReadPageChecked(link::TReadProg& link, std::uint32_t p, bool verify) {
  if (!ReadPage(link, p)) return PageRead::failed;
  if (!verify) return PageRead::read;
  const std::uint32_t size = link.Geometry.PageSize;
  const std::uint8_t* at = link.ReadImage->DataAt(p * size);
  std::vector<std::vector<std::uint8_t>> seen{{at, at + size}};
  for (int reads = 1; reads < kMaxReadsPerPage; ++reads) {
    if (!ReadPage(link, p)) return PageRead::failed;
    std::vector<std::uint8_t> now(at, at + size);
    if (std::find(seen.begin(), seen.end(), now) != seen.end()) return PageRead::read;
    seen.push_back(std::move(now));
  }
  return PageRead::unsettled;
}

// Reads every page of the first `slotRecords` slots; stops at the first
// page that does not read (or, verified, whose reads never agree), which
// `stoppedAt` then names.
PageRead ReadPages(model::ProgressForm& form, link::TReadProg& link, int slotRecords, bool verify,
                   std::uint32_t& stoppedAt) {
  const slot::ProgrammerGeometry& g = link.Geometry;
  const std::uint64_t pages = std::uint64_t(g.PagesPerSlot()) * std::uint64_t(slotRecords > 0 ? slotRecords : 0);
  form.SetMessage("Reading Programmer....");
  form.UpdateStat(0, int(pages));
  if (pages == 0) return PageRead::failed;
  for (std::uint32_t p = 0; p < pages; ++p) {
    if (const PageRead r = ReadPageChecked(link, p, verify); r != PageRead::read) {
      stoppedAt = p;
      return r;
    }
    form.UpdateStat(int(p), int(pages));
  }
  return PageRead::read;
}

}  // namespace

void BlankHeadersFrom(image::THexList& unitImage, const slot::ProgrammerGeometry& geometry, std::uint32_t firstSlot) {
  if (geometry.SlotSize == 0) return;
  const std::uint32_t slots = geometry.Capacity / geometry.SlotSize;
  for (std::uint32_t slot = firstSlot; slot < slots; ++slot) {
    const std::uint64_t at = std::uint64_t(slot) * geometry.SlotSize;
    if (at + slot::slot_header::kSize > unitImage.Count()) break;
    std::fill_n(unitImage.DataAt(std::uint32_t(at)), slot::slot_header::kSize, std::uint8_t(0xFF));
  }
}

std::string UnsettledPageText(std::uint32_t page) {
  return "Page " + std::to_string(page) + " read differently each time (" + std::to_string(kMaxReadsPerPage) +
         " reads); the unit image was not saved";
}

UnitRead ReadUnitContent(model::ProgressForm& form, link::TReadProg& link, int slotRecords, bool verify,
                         image::THexList& content, std::uint32_t* stoppedAt) {
  PageImage pages(link, link.Geometry.Capacity);
  std::uint32_t stopped = 0;
  const PageRead outcome = ReadPages(form, link, slotRecords, verify, stopped);
  if (outcome != PageRead::read) {
    if (stoppedAt) *stoppedAt = stopped;
    return outcome == PageRead::unsettled ? UnitRead::unsettled : UnitRead::failed;
  }
  BlankHeadersFrom(*link.ReadImage, link.Geometry, std::uint32_t(slotRecords));
  content = std::move(*link.ReadImage);
  return UnitRead::read;
}

CopyOutcome RunUnitCopy(model::ProgressForm& form, link::TReadProg& link, const std::string& fileName, int slotRecords,
                        std::string* saveError, bool verify, std::uint32_t* unsettledPage) {
  ProgressBinding binding(link, form);
  form.Busy = false;
  UnitRead outcome = UnitRead::failed;
  {
    OperationEnd end(form, link);
    try {
      if (!link.LinkOpen) link.OpenLink();
      link.Identify();
      image::THexList content;
      outcome = ReadUnitContent(form, link, slotRecords, verify, content, unsettledPage);
      if (outcome == UnitRead::read) {
        const image::SaveResult saved = image::TFileLoader::SaveFile(fileName, content);
        if (saved.Failed()) {
          if (saveError) *saveError = saved.message;
          return CopyOutcome::SaveFailed;
        }
      }
    } catch (const link::EISPException& e) {
      throw link::EISPException(e.what());
    } catch (const link::EFirmwareUpdate& e) {
      throw link::EISPException(e.what());
    }
  }
  switch (outcome) {
    case UnitRead::read: return CopyOutcome::Copied;
    case UnitRead::unsettled: return CopyOutcome::ReadsDisagree;
    case UnitRead::failed: break;
  }
  return CopyOutcome::ReadFailed;
}

std::string UnitFileProblem(const std::string& chosen) {
  if (platform::ExtractFileName(chosen).empty())
    return chosen.empty() ? "No file name given for the unit image"
                          : chosen + " names a folder; give a file name for the unit image";
  std::error_code ec;
  if (std::filesystem::is_directory(chosen, ec)) return chosen + " is a folder; give a file name for the unit image";
  if (std::filesystem::exists(chosen, ec) && !std::filesystem::is_regular_file(chosen, ec))
    return chosen + " is not a regular file; give a file name for the unit image";
  // The system's separators only: a backslash is a letter of a name on Linux.
  const std::filesystem::path folder = platform::PathOf(chosen).parent_path();
  if (!folder.empty() && !std::filesystem::is_directory(folder, ec))
    return "The folder " + platform::WithSeparator(platform::Utf8Of(folder)) + " does not exist";
  return {};
}

using model::Control;
using model::Ctl;
using model::TMainForm;

namespace {

constexpr const char* kCopyVerified = "Verified: every page read twice with the same data";
constexpr const char* kCopyNotVerified = "Not verified: every page read once (verify reads each page twice)";

// A name typed without an extension gets the one the filter shows.
std::string WithUnitExtension(const std::string& path) {
  const std::string name = platform::ExtractFileName(path);
  return name.find('.') == std::string::npos ? path + ".prg" : path;
}

}  // namespace

bool CopyButtonClick(TMainForm& w) {
  oplog::OperationRecorder logged = w.Recording(oplog::LoggedOperation::copy);
  if (w.DemoMode) {
    w.Dialogs().ShowMessage("No Programmer Detected. Read Programmer First");
    return false;
  }
  if (w.Programs.EntryCount == 0) {
    w.Dialogs().ShowInformation("Cannot copy as the Programmer is empty");
    return false;
  }
  const std::string minutes = slot::KindRow(w.ProgrammerKind).copyUpTo;
  const bool verifying = w.Controls().Checked(Ctl::VerifyAfterWriting);
  const int slots = w.Programs.EntryCount;
  const std::string estimate = "This copy takes " +
                               ops::DurationText(ops::CopyUnitDuration(w.Geometry(), slots, verifying,
                                                                       ops::TimingOf(w.LinkPacing(), w.Link()))) +
                               " (" + std::to_string(slots) + (slots == 1 ? " slot" : " slots") +
                               (verifying ? ", every page read at least twice)" : ")");
  if (!w.Dialogs().AskYesNo("This Operation can take up to " + minutes + "\r" + estimate + "\r\r" +
                            "Do you want to continue?"))
    return false;
  w.Controls().SetExtra(Ctl::profileSaveDialog, "filter", ops::kUnitFileFilter);
  const Control& dlg = w.Controls().Get(Ctl::profileSaveDialog);
  std::optional<std::string> chosen =
      w.Dialogs().SaveFile({dlg.extra.at("filter"), dlg.extra.at("defaultExt"), w.LastFolder, {}});
  if (!chosen) return false;
  if (const std::string problem = ops::UnitFileProblem(*chosen); !problem.empty()) {
    w.Dialogs().ShowError(problem);
    return false;
  }
  const std::string file = WithUnitExtension(*chosen);
  logged.Record().file = file;
  const std::string folder = platform::ExtractFilePath(file);
  if (!folder.empty()) w.LastFolder = folder;
  w.Controls().SetExtra(Ctl::programFileDialog, "initialDir", w.LastFolder);
  if (!w.HaveLink()) return false;

  w.SetHourGlass(true);
  // The window's "Verify" box covers the copy too: every page read twice.
  const bool verify = w.Controls().Checked(Ctl::VerifyAfterWriting);
  ops::CopyOutcome outcome = ops::CopyOutcome::ReadFailed;
  std::uint32_t unsettledPage = 0;
  std::string failure, saveError;
  {
    model::ProgressForm form(w.ProgressView(), w.Parts().pump);
    form.Caption = "Copying Programmer";
    form.messageLabel = "Checking Programmer";
    form.Show();
    form.Repaint();
    try {
      outcome = ops::RunUnitCopy(form, *w.Link(), file, w.Programs.EntryCount, &saveError, verify, &unsettledPage);
    } catch (const std::exception& e) {
      failure = e.what();
    }
  }  // the window is released before any message
  w.SetHourGlass(false);
  if (!failure.empty()) {
    w.Dialogs().ShowError(failure);
    return false;
  }
  switch (outcome) {
    case ops::CopyOutcome::Copied: {
      // The checksum of what was saved lets the file be checked before it is
      // loaded into another programmer, weeks later.
      oplog::RecordFile(logged.Record(), file);
      logged.Succeeded();
      const std::string digest = logged.Record().fileSha256.value_or("(the saved file could not be read back)");
      w.Dialogs().ShowInformation("Programmer Copied successfully\r" + file + "\rSHA-256: " + digest + "\r" +
                                  (verify ? kCopyVerified : kCopyNotVerified));
      return true;
    }
    case ops::CopyOutcome::ReadsDisagree:
      w.Dialogs().ShowError("Programmer Read Error\r" + ops::UnsettledPageText(unsettledPage));
      return false;
    case ops::CopyOutcome::SaveFailed:
      w.Dialogs().ShowError("Programmer read, but the file could not be saved\r" + file + "\r" + saveError);
      return false;
    case ops::CopyOutcome::ReadFailed: break;
  }
  w.Dialogs().ShowError("Programmer Read Error");
  return false;
}

}  // namespace velmar::ops
