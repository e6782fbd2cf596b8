// The window's firmware change: a progress window of its own ("Update
// Programmer"), the firmware updater over the window's USB adapter, and the
// window's dialogs, data and folders. Read offers it when the programmer
// needs new firmware; New and Replace run it when the selected family needs
// the other firmware.
#include "firmware/FirmwareChange.h"
#include "link/TReadProg.h"
#include "model/ProgressForm.h"
#include "model/TMainForm.h"
#include "platform/Dialogs.h"
#include "platform/ThreadPriority.h"

namespace velmar::model {

bool TMainForm::RunFirmwareChange(const std::string& fileName, int requiredFirmware) {
  if (firmwareChange_) return firmwareChange_(fileName, requiredFirmware);
  return ChangeFirmwareOverLink(fileName, requiredFirmware);
}

bool TMainForm::ChangeFirmwareOverLink(const std::string& fileName, int requiredFirmware) {
  if (!linkParts_.unit || !linkParts_.clock || !linkParts_.pump) {
    dialogs_.ShowError("No programmer link: the firmware cannot be changed");
    return false;
  }
  if (link_ && link_->LinkOpen) link_->CloseLink(false);
  model::ProgressForm form(progressView_, linkParts_.pump);
  form.FirmwareFileName = fileName;
  form.RequiredFirmware = requiredFirmware;
  platform::SystemThreadPriority priority;
  firmware::FirmwareChangeLinks links{*linkParts_.unit, *linkParts_.clock, dialogs_,        Data,     *linkParts_.pump,
                                      priority,         Folders.program,   Folders.working, &journal_};
  links.pacing = LinkPacing();
  // The kind the link identified last: at start-up the window has not been told
  // it yet, and the file must match the programmer just identified.
  return firmware::execute(form, Geometry().Kind, links) == 0;
}

}  // namespace velmar::model
