// Copy Unit.
#include "operations/UnitCopy.h"

#include <filesystem>
#include <memory>

#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "link/LinkErrors.h"
#include "model/TMainForm.h"
#include "operations/ProgressBinding.h"
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

// Reads every page of the first `slotRecords` slots; false at the first
// page that does not read.
bool ReadPages(model::TForm1& form, link::TReadProg& link, int slotRecords) {
  const slot::ProgrammerGeometry& g = link.Geometry;
  const std::uint32_t size = g.PageSize;
  const std::uint64_t pages = std::uint64_t(g.PagesPerSlot()) * std::uint64_t(slotRecords > 0 ? slotRecords : 0);
  form.SetMessage("Reading Programmer....");
  form.UpdateStat(0, int(pages));
  bool read = false;
  for (std::uint32_t p = 0; p < pages; ++p) {
    if (g.WritesHalfPages())
      read = link.ReadBlock(p, size / 2, 1) && link.ReadBlock(p, size / 2, 2);
    else
      read = link.ReadBlock(p, size, 1);
    if (!read) return false;
    form.UpdateStat(int(p), int(pages));
  }
  return read;
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

CopyOutcome RunUnitCopy(model::TForm1& form, link::TReadProg& link, const std::string& fileName, int slotRecords,
                        std::string* saveError) {
  ProgressBinding binding(link, form);
  form.Busy = false;
  bool read = false;
  {
    OperationEnd end(form, link);
    try {
      if (!link.LinkOpen) link.OpenLink();
      link.Identify();
      PageImage pages(link, link.Geometry.Capacity);
      read = ReadPages(form, link, slotRecords);
      if (read) {
        BlankHeadersFrom(*link.ReadImage, link.Geometry, std::uint32_t(slotRecords));
        const image::SaveResult saved = image::TFileLoader::SaveFile(fileName, *link.ReadImage);
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
  return read ? CopyOutcome::Copied : CopyOutcome::ReadFailed;
}

}  // namespace velmar::ops

namespace velmar::model {

namespace {

// A name typed without an extension gets the one the filter shows.
std::string WithUnitExtension(const std::string& path) {
  const std::string name = platform::ExtractFileName(path);
  return name.find('.') == std::string::npos ? path + ".prg" : path;
}

// Why the unit image cannot be saved at `chosen`, found before minutes of
// reading: no file name (an empty answer, a folder ending in a separator),
// a folder, or a folder that does not exist. Empty when it may be saved.
std::string UnitFileProblem(const std::string& chosen) {
  if (platform::ExtractFileName(chosen).empty())
    return chosen.empty() ? "No file name given for the unit image"
                          : chosen + " names a folder; give a file name for the unit image";
  std::error_code ec;
  if (std::filesystem::is_directory(chosen, ec)) return chosen + " is a folder; give a file name for the unit image";
  const std::string folder = platform::ExtractFilePath(chosen);
  if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) return "The folder " + folder + " does not exist";
  return {};
}

}  // namespace

bool TMainForm::CopyButtonClick() {
  oplog::OperationRecorder logged = Recording(oplog::LoggedOperation::copy);
  if (DemoMode) {
    dialogs_.ShowMessage("No Programmer Detected. Read Programmer First");
    return false;
  }
  if (Programs.EntryCount == 0) {
    dialogs_.ShowInformation("Cannot copy as the Programmer is empty");
    return false;
  }
  const std::string minutes = ProgrammerKind == slot::kind_portable ? "20 minutes" : "10 minutes";
  if (!dialogs_.AskYesNo("This Operation can take up to " + minutes + "\r\r" + "Do you want to continue?"))
    return false;
  controls_.SetExtra(Ctl::SaveDialog1, "filter", ops::kUnitFileFilter);
  const Control& dlg = controls_.Get(Ctl::SaveDialog1);
  std::optional<std::string> chosen =
      dialogs_.SaveFile({dlg.extra.at("filter"), dlg.extra.at("defaultExt"), LastFolder, {}});
  if (!chosen) return false;
  if (const std::string problem = UnitFileProblem(*chosen); !problem.empty()) {
    dialogs_.ShowError(problem);
    return false;
  }
  const std::string file = WithUnitExtension(*chosen);
  logged.Record().file = file;
  const std::string folder = platform::ExtractFilePath(file);
  if (!folder.empty()) LastFolder = folder;
  controls_.SetExtra(Ctl::OpenDialog1, "initialDir", LastFolder);
  if (!HaveLink()) return false;

  SetHourGlass(true);
  ops::CopyOutcome outcome = ops::CopyOutcome::ReadFailed;
  std::string failure, saveError;
  {
    model::TForm1 form(progressView_, linkParts_.pump);
    form.Caption = "Copying Programmer";
    form.messageLabel = "Checking Programmer";
    form.Show();
    form.Repaint();
    try {
      outcome = ops::RunUnitCopy(form, *link_, file, Programs.EntryCount, &saveError);
    } catch (const std::exception& e) {
      failure = e.what();
    }
  }  // the window is released before any message
  SetHourGlass(false);
  if (!failure.empty()) {
    dialogs_.ShowError(failure);
    return false;
  }
  switch (outcome) {
    case ops::CopyOutcome::Copied: {
      // The checksum of what was saved lets the file be checked before it is
      // loaded into another programmer, weeks later.
      oplog::RecordFile(logged.Record(), file);
      logged.Succeeded();
      const std::string digest = logged.Record().fileSha256.value_or("(the saved file could not be read back)");
      dialogs_.ShowInformation("Programmer Copied successfully\r" + file + "\rSHA-256: " + digest);
      return true;
    }
    case ops::CopyOutcome::SaveFailed:
      dialogs_.ShowError("Programmer read, but the file could not be saved\r" + file + "\r" + saveError);
      return false;
    case ops::CopyOutcome::ReadFailed: break;
  }
  dialogs_.ShowError("Programmer Read Error");
  return false;
}

}  // namespace velmar::model
