// The window's firmware change: a progress window of its own ("Update
// Programmer"), the firmware updater over the window's USB adapter, and the
// window's dialogs, data and folders. Read offers it when the programmer
// needs new firmware; New and Replace run it when the selected family needs
// the other firmware.
#include "firmware/FirmwareChange.h"
#include "link/TReadProg.h"
#include "model/ProgressForm.h"
#include "model/TMainForm.h"
#include "operations/WindowOperations.h"
#include "platform/Dialogs.h"
#include "platform/ThreadPriority.h"

namespace velmar::ops {

using model::TMainForm;

bool ChangeFirmwareOverLink(TMainForm& w, const std::string& fileName, int requiredFirmware) {
  if (!w.Parts().unit || !w.Parts().clock || !w.Parts().pump) {
    w.Dialogs().ShowError("No programmer link: the firmware cannot be changed");
    return false;
  }
  if (w.Link() && w.Link()->LinkOpen) w.Link()->CloseLink(false);
  model::ProgressForm form(w.ProgressView(), w.Parts().pump);
  form.FirmwareFileName = fileName;
  form.RequiredFirmware = requiredFirmware;
  platform::SystemThreadPriority priority;
  firmware::FirmwareChangeLinks links{*w.Parts().unit, *w.Parts().clock, w.Dialogs(),       w.Data,
                                      *w.Parts().pump, priority,         w.Folders.program, w.Folders.working,
                                      &w.Journal()};
  links.pacing = w.LinkPacing();
  // The kind the link identified last: at start-up the window has not been told
  // it yet, and the file must match the programmer just identified.
  return firmware::execute(form, w.Geometry().Kind, links) == 0;
}

}  // namespace velmar::ops
