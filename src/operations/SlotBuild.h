// The part of New and Replace that turns the user's file into a slot image,
// without touching the programmer: the device selection applied again, the
// device re-read with the job's defaults, the family builder and the
// configuration default rule, the option handlers, the current slot record,
// the header builder and the slot image assembly. New and Replace run it
// before their firmware check and slot write; `velmar-cli build` runs it on
// its own.
#pragma once

#include <memory>

#include "image/SlotAssembly.h"
#include "image/SlotJob.h"
#include "image/THexList.h"
#include "slot/TProgramEntry.h"

namespace velmar::slot {
struct ProgrammerGeometry;
}
namespace velmar::model {
class TMainForm;
}
namespace velmar::platform {
class Dialogs;
}

namespace velmar::ops {

struct SlotBuildRequest {
  int mode = image::mode_new;  // New (0) or Replace (1)
  int selectedRow = 0;         // slot list row of the slot to replace; row 0 is the title row
  bool slotsShown = false;     // the slot list view shows at least one slot
};

struct SlotBuildResult {
  image::SlotJob job;
  image::THexList header;                       // the finished 160-byte header
  image::THexList slotImage;                    // slot size bytes, ready for the slot write
  std::unique_ptr<slot::TProgramEntry> record;  // the current slot record
  image::SlotLayout layout;
};

// Runs the build on the main window's state. True with `result` filled;
// false after the user has been told why it stopped, or after a question was
// answered No. Slot numbers and pages of a New follow `slots`; Replace sets
// its CurrentIndex from the selected row.
bool SlotBuild(model::TMainForm& window, slot::ProgrammerGeometry& geometry, slot::TProgramEntryList& slots,
               const SlotBuildRequest& request, SlotBuildResult& result);

// The window's options as the builders read them.
image::BuildOptions CaptureBuildOptions(const model::TMainForm& window);

// The current slot record from the description, the slot list and the
// file; nullptr after "Please enter a Program Description".
std::unique_ptr<slot::TProgramEntry> BuildSlotRecord(model::TMainForm& window, const slot::ProgrammerGeometry& geometry,
                                                     slot::TProgramEntryList& slots, const SlotBuildRequest& request);

// The family stage: the family builder of `family` and, for PIC18F, PIC18 K
// and PIC24F, the configuration masks and the default rule when the file
// holds no configuration. False when the build must stop.
bool RunFamilyStage(int family, image::SlotJob& job, const image::BuildOptions& options,
                    image::BuildQuestions& dialogs);

}  // namespace velmar::ops
