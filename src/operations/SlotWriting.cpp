// The slot write and its wrapper.
#include "operations/SlotWriting.h"

#include "link/LinkErrors.h"
#include "platform/Dialogs.h"

namespace velmar::ops {

bool RunSlotWrite(model::TForm1& form, link::TReadProg& link, const link::SlotWrite& write, int kindAtLastRead) {
  ProgressBinding binding(link, form);
  OperationEnd end(form, link);
  form.Busy = false;
  form.messageLabel = "Checking Programmer";
  form.Caption = "Loading Programmer";
  form.Repaint();
  form.Show();
  try {
    link.Identify();
    form.SetMessage("Loading Programmer");
    if (link.Geometry.Kind != kindAtLastRead) throw link::EISPException(kKindChanged);
    const bool written = link.WriteSlot(write);
    form.SetMessage(" Updating Program List");
    return written;
  } catch (const link::EISPException& e) {
    form.SetMessage(e.what());
    throw link::EISPException(e.what());
  } catch (const link::EFirmwareUpdate& e) {
    form.SetMessage(e.what());
    throw link::EISPException(kNeedsUpdateOrBattery);
  }
}

const char* SlotWriteSuccessText(int operationMode) {
  switch (operationMode) {
    case 1: return "Program replaced successfully";
    case 2: return "Program deleted successfully";
    default: return "Program loaded successfully";
  }
}

bool WriteWrapper(const OperationParts& parts, const link::SlotWrite& write, int kindAtLastRead, int operationMode,
                  bool quiet) {
  std::string failure;
  {
    model::TForm1 form(parts.view, parts.pump);
    form.SetMessage("Checking Programmer");
    try {
      if (!RunSlotWrite(form, parts.link, write, kindAtLastRead)) failure = "Programming Error";
    } catch (const link::EISPException& e) {
      failure = e.what();
    } catch (const std::exception&) {
      failure = "Load Error. Please Try Again";
    }
  }  // the window is released before any message
  if (!failure.empty()) {
    parts.dialogs.ShowError(failure);
    return false;
  }
  if (!quiet) parts.dialogs.ShowInformation(SlotWriteSuccessText(operationMode));
  return true;
}

}  // namespace velmar::ops
