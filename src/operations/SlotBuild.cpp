// Building a slot image from the window's state.
#include "operations/SlotBuild.h"

#include "devices/DeviceDatabase.h"
#include "image/BuildFolder.h"
#include "image/DeviceLimits.h"
#include "image/HeaderBuilders.h"
#include "image/Pic16BitBuilder.h"
#include "image/Pic16Builder.h"
#include "image/Pic18Builder.h"
#include "link/LinkErrors.h"
#include "model/TMainForm.h"
#include "operations/DialogBuildQuestions.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::ops {

using model::Ctl;

namespace {

constexpr const char* kDefaultCaption = "*Enter Program Description *";
constexpr const char* kNoConfiguration =
    "File does not contain Configuration Words data. Default values will be loaded. \rContinue?";

bool AskDefaults(image::BuildQuestions& dialogs) { return dialogs.AskYesNo(kNoConfiguration, "File Data Warning"); }

}  // namespace

image::BuildOptions CaptureBuildOptions(const model::TMainForm& w) {
  const model::ControlStore& s = w.Controls();
  image::BuildOptions o;
  o.familyIndex = w.FamilyEntry();
  o.matchDeviceId = w.Data.MatchID;
  o.progMode = s.ItemIndex(Ctl::progMode);
  o.programUserId = w.Data.ProgramUserID;
  o.bulkErase = w.Data.BulkEraseOn;
  o.verifyConfig = w.Data.VerifyConfigOn;
  // A greyed-out box is off, as its click handler would leave it: the
  // family builders run before the handlers settle the options.
  o.dataSave = s.Checked(Ctl::DataSave) && s.Enabled(Ctl::DataSave);
  o.dataSaveEnabled = s.Enabled(Ctl::DataSave);
  o.bootSave = s.Checked(Ctl::bootSave);
  o.unusedFuses = s.Checked(Ctl::unusedFuses);
  o.vddVisible = s.Visible(Ctl::VDD_Voltage);
  o.vddChecked = s.Checked(Ctl::VDD_Voltage);
  o.progModeVisible = s.Visible(Ctl::progMode);
  o.programOps = s.ItemIndex(Ctl::ProgramOps);
  // The portable hides the limit: a box ticked for another programmer and
  // kept in the settings would otherwise limit its slots unseen.
  o.limitPrograms = s.Checked(Ctl::limitPrograms) && s.Visible(Ctl::limitPrograms);
  o.progCount = s.Value(Ctl::ProgCount);
  o.errorRepeat = s.Value(Ctl::errorRepeatCount);
  o.e2SkipFF = w.Switches.e2_skipFF;
  o.resetPulse = w.Switches.ResetPulse;
  o.vdd1st = w.Switches.VDD1st;
  o.ppLedOn = w.Switches.PP_Led_on;
  o.programmerKind = w.ProgrammerKind;
  return o;
}

bool RunFamilyStage(int family, image::SlotJob& job, const image::BuildOptions& options,
                    image::BuildQuestions& dialogs) {
  switch (family) {
    case devices::fam_PIC18F:
    case devices::fam_PIC18K: try { image::BuildPic18(job, options);
      } catch (const image::EBuildRefused& e) {
        dialogs.ShowError(e.what());
        return false;
      }
      if (!job.configFound) {
        if (!AskDefaults(dialogs)) return false;
        job.config.fill(0xFF);
        job.protection.fill(0xFF);
        image::ApplyMask(job, job.device.FDefs, 8, image::DeviceKey(job.device, "FDefs"));
        image::ApplyMask(job, job.device.LDefault, 6, image::DeviceKey(job.device, "LDefault"));
      } else {
        image::ApplyMask(job, job.device.Fuses, 8, image::DeviceKey(job.device, "Fuses"));
        image::ApplyMask(job, job.configShort ? job.device.LDefault : job.device.Lockbits, 6,
                         image::DeviceKey(job.device, job.configShort ? "LDefault" : "Lockbits"));
      }
      return true;
    case devices::fam_PIC12F16F: return image::BuildPic16(job, options, dialogs);
    case devices::fam_PIC18J: return image::BuildPic18J(job, options, dialogs);
    case devices::fam_dsPIC30: return image::BuildDsPic30(job, options, dialogs);
    case devices::fam_PIC24F: {
      if (image::IsPic24FJ(job.device.DeviceName)) {
        if (!image::BuildPic24FJ(job, options, dialogs)) return false;
      } else {
        if (!image::BuildPic24F(job, options, dialogs)) return false;
        image::ApplyMask(job, job.device.Fuses, 8, image::DeviceKey(job.device, "Fuses"));
      }
      if (!job.configFound) {
        if (!AskDefaults(dialogs)) return false;
        std::fill_n(job.config.begin(), 8, std::uint8_t(0xFF));
        image::ApplyMask(job, job.device.FDefs, 8, image::DeviceKey(job.device, "FDefs"));
      }
      return true;
    }
    default: dialogs.ShowError("No slot can be built for family " + std::to_string(family), "Error"); return false;
  }
}

std::unique_ptr<slot::TProgramEntry> BuildSlotRecord(model::TMainForm& w, const slot::ProgrammerGeometry& geometry,
                                                     slot::TProgramEntryList& slots, const SlotBuildRequest& request) {
  const std::string caption = w.Controls().Text(Ctl::ProgCaption);
  if (caption.empty() || caption == kDefaultCaption || text::Contains(caption, "Empty")) {
    w.Dialogs().ShowMessage("Please enter a Program Description");
    return nullptr;
  }
  int number;
  const slot::TProgramEntry* selected = nullptr;
  if (request.mode == image::mode_replace) {
    slots.CurrentIndex = request.selectedRow - 1;
    if (slots.CurrentIndex < 0 || slots.CurrentIndex >= slots.EntryCount) {
      w.Dialogs().ShowMessage("Select the slot to replace in the slot list");
      return nullptr;
    }
    selected = &slots.Get(slots.CurrentIndex);
    number = slots.CurrentIndex + 1;
  } else {
    number = request.slotsShown ? slots.EntryCount + 1 : 1;
  }
  if (!geometry.IsMultiSlot()) number = 1;

  const std::string slotName = slot::MakeSlotName(number, caption);
  w.Controls().SetText(Ctl::selectedDescription, slotName);

  std::uint32_t start = 0, next = 0, pages = 0;
  if (selected) {
    start = selected->StartPage;
    next = selected->NextPage;
    pages = selected->PageCount;
  } else if (slots.EntryCount > 0) {
    start = next = slots.Get(slots.EntryCount - 1).NextPage;
  }
  slot::HeaderBytes blank;
  blank.fill(0xFF);
  return std::make_unique<slot::TProgramEntry>(start, next, pages, slotName,
                                               text::PadRight(platform::ExtractFileName(w.Data.FlashFile), 20),
                                               w.Data.DeviceName, blank);
}

// The family builder, the option handlers, the header and the assembly,
// with the pieces in `buildFolder`.
static bool BuildInFolder(model::TMainForm& w, slot::ProgrammerGeometry& geometry, slot::TProgramEntryList& slots,
                          const SlotBuildRequest& request, const std::string& buildFolder, SlotBuildResult& result) {
  DialogBuildQuestions dialogs(w.Dialogs());
  image::SlotJob& job = result.job;
  job = image::SlotJob();
  job.device = w.Data;
  job.userFile = w.Data.FlashFile;
  job.workingFolder = buildFolder;
  const int family = w.Data.Family;
  if (auto refusal = image::CheckDeviceLimits(job.device, family, geometry.CodeImageLimit + 2048)) {
    dialogs.ShowError(*refusal, "Error");
    return false;
  }

  if (!RunFamilyStage(family, job, CaptureBuildOptions(w), dialogs)) return false;
  w.Data.ConfigDataFound = job.configFound;

  // The option handlers settle the option state once more.
  w.progModeClick();
  w.BulkEraseClick();
  w.matchDeviceIDClick();
  w.progUserIDClick();
  w.VerifyConfigClick();
  w.DataSaveClick();

  result.header.SetSize(slot::slot_header::kSize);
  result.record = BuildSlotRecord(w, geometry, slots, request);
  if (!result.record) return false;

  const image::BuildOptions options = CaptureBuildOptions(w);
  if (image::BuildHeader(family, job, options, dialogs, image::HeaderOf(result.header)) == image::kHeaderError)
    return false;
  image::AssemblyRequest assembly{request.mode, request.slotsShown};
  return image::AssembleSlot(job, options, geometry, assembly, result.header, *result.record, result.slotImage, dialogs,
                             &result.layout);
}

bool SlotBuild(model::TMainForm& w, slot::ProgrammerGeometry& geometry, slot::TProgramEntryList& slots,
               const SlotBuildRequest& request, SlotBuildResult& result) {
  try {
    // The device selection once more, then the device's values for the job.
    // The device rules first lock the programming mode to high voltage and
    // then free it again for the devices that offer both (PIC24 KA): the
    // user's choice must survive that, or such a slot is always built for
    // high voltage whatever was chosen.
    const int chosenMode = w.Controls().ItemIndex(Ctl::progMode);
    w.deviceListChange();
    if (w.Closed()) return false;
    if (w.Controls().Enabled(Ctl::progMode)) w.Controls().SetItemIndex(Ctl::progMode, chosenMode);
    const auto deviceFile = devices::DeviceFile(w.Folders.program);
    devices::ReadDevice(*deviceFile, w.Data.DeviceName, w.Data, devices::DeviceRead::Job);

    image::EnsureWorkingFolder(w.Folders.working);
    // The pieces are made in a folder of this build's own, so that another
    // run sharing the working folder never reads them; afterwards they
    // replace the working folder's set for inspection.
    const image::BuildFolder folder(w.Folders.working);
    const bool built = BuildInFolder(w, geometry, slots, request, folder.Path(), result);
    folder.Publish();
    result.job.workingFolder = w.Folders.working;
    return built;
  } catch (const std::exception& e) {
    w.errorHandlerException(e);
    return false;
  }
}

}  // namespace velmar::ops
