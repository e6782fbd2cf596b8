// The firmware change in the progress window.
#include "firmware/FirmwareChange.h"

#include "devices/TData.h"
#include "firmware/TUpdateProg.h"
#include "link/LinkErrors.h"
#include "model/ProgressForm.h"
#include "oplog/OperationJournal.h"
#include "platform/Dialogs.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::firmware {

void ChooseFirmwareForKind(slot::ProgrammerKind programmerKind, const devices::TData& data, std::string& fileName,
                           int& requiredFirmware) {
  // A programmer that changes between two firmwares keeps the choice made
  // for the family.
  const slot::KindInfo* row = slot::FindKind(programmerKind);
  if (!row) return;
  switch (row->firmware) {
    case slot::FirmwareLine::pic:
    case slot::FirmwareLine::earliest:
      requiredFirmware = devices::fw_pic;
      fileName = data.FirmwareQRX;
      return;
    case slot::FirmwareLine::portable:
      requiredFirmware = devices::fw_portable;
      fileName = data.FirmwareQRXPrima;
      return;
    case slot::FirmwareLine::picOrPic24: return;
  }
}

int execute(model::ProgressForm& form, slot::ProgrammerKind programmerKind, const FirmwareChangeLinks& links) {
  TUpdateProg updater(links.unit, links.clock, links.dialogs, links.data, links.pump, links.priority);
  updater.ProgramFolder = links.programFolder;
  updater.Pacing = links.pacing;
  updater.WorkingFolder = links.workingFolder;
  updater.SetProgressHandler([&form](int done, int total) { form.UpdateStat(done, total); });
  updater.SetMessageHandler([&form](const std::string& text) { form.SetMessage(text); });
  form.ProgressUnit = "steps";  // flash pages, then verify blocks
  form.Busy = false;
  form.Show();

  ChooseFirmwareForKind(programmerKind, links.data, form.FirmwareFileName, form.RequiredFirmware);
  const std::string path = FirmwarePath(links.programFolder, form.FirmwareFileName);
  oplog::OperationRecorder logged(
      links.journal, oplog::LoggedOperation::update_firmware, &links.clock,
      [&updater, programmerKind](oplog::OperationRecord& r) {
        if (const slot::KindInfo* kind = slot::FindKind(programmerKind)) {
          r.kind = kind->name;
          r.model = kind->model;
        }
        const std::string& serial =
            updater.SerialNumbers[std::size_t(updater.InterfaceIndex) % updater.SerialNumbers.size()];
        if (!serial.empty()) r.serial = serial;
        if (updater.FirmwareVersion >= 0) r.firmwareVersion = updater.FirmwareVersion;
      });
  oplog::RecordFile(logged.Record(), path);
  int result = 0;
  try {
    updater.Update(path, form.RequiredFirmware);
    logged.Succeeded();
  } catch (const std::exception& e) {
    // The updater raises link::EISPException; anything else that escapes it
    // is a failure of the change all the same.
    form.SetMessage(e.what());
    logged.Failed(e.what());
    links.dialogs.ShowError(e.what());
    form.Repaint();
    result = 1;
  }
  logged.Finish();
  form.Busy = true;
  try {
    updater.CloseLink(false);
  } catch (const std::exception&) {
    // The interface may be gone; the change is over either way.
  }
  return result;
}

}  // namespace velmar::firmware
