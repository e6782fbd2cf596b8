// The slot write and its wrapper.
#include "operations/SlotWriting.h"

#include <algorithm>

#include "link/LinkErrors.h"
#include "platform/Dialogs.h"

namespace velmar::ops {

std::string VerifyFailureText(const std::vector<link::VerifyFault>& faults, const slot::ProgrammerGeometry& geometry) {
  const std::uint32_t perSlot = geometry.PagesPerSlot();
  std::string text = "Verify after writing failed";
  for (const link::VerifyFault& f : faults) {
    const std::uint32_t slot = perSlot ? f.page / perSlot + 1 : 1;
    text += "\rSlot " + std::to_string(slot) + ", page " + std::to_string(f.page) +
            (f.found == link::PageReadBack::unreadable ? " could not be read back" : " does not read back as written");
  }
  return text;
}

bool RunSlotWrite(model::ProgressForm& form, link::TReadProg& link, const link::SlotWrite& write,
                  slot::ProgrammerKind kindAtLastRead, bool verify) {
  ProgressBinding binding(link, form);
  OperationEnd end(form, link);
  link.EmptiedHeaders.clear();  // nothing of this write is emptied before it writes
  link.RewrittenHeaders.clear();
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
    if (written && verify) {
      // The write closed the link; the read-back opens it again.
      form.SetMessage("Verifying Programmer");
      link.Identify();
      const std::vector<link::VerifyFault> faults = link.VerifySlot(write);
      // No slot that does not hold what was written, or that could not be
      // read back, is left listed as a program: its header is emptied as a
      // broken-off write leaves it (the message then says the slot is empty).
      for (const link::VerifyFault& f : faults) link.EmptySlotHolding(write, f.page);
      link.CloseLink(false);
      if (!faults.empty()) throw link::EISPException(VerifyFailureText(faults, link.Geometry));
    }
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

std::string EmptiedSlotsText(const link::TReadProg& link) {
  const std::vector<std::uint32_t>& pages = link.EmptiedHeaders;
  if (pages.empty()) return {};
  const std::uint32_t perSlot = link.Geometry.IsMultiSlot() ? link.Geometry.PagesPerSlot() : 0;
  std::vector<std::uint32_t> slots;
  for (std::uint32_t page : pages) slots.push_back(perSlot ? page / perSlot + 1 : 1);
  std::sort(slots.begin(), slots.end());
  slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
  std::string list;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (i > 0) list += i + 1 == slots.size() ? " and " : ", ";
    list += std::to_string(slots[i]);
  }
  return slots.size() == 1 ? "\r\rSlot " + list + " is now empty and must be written again"
                           : "\r\rSlots " + list + " are now empty and must be written again";
}

const char* SlotWriteSuccessText(int operationMode) {
  switch (operationMode) {
    case 1: return "Program replaced successfully";
    case 2: return "Program deleted successfully";
    default: return "Program loaded successfully";
  }
}

bool WriteWrapper(const OperationParts& parts, const link::SlotWrite& write, slot::ProgrammerKind kindAtLastRead,
                  int operationMode, bool quiet, bool verify, const std::string& successDetail) {
  std::string failure;
  {
    model::ProgressForm form(parts.view, parts.pump);
    form.SetMessage("Checking Programmer");
    try {
      if (!RunSlotWrite(form, parts.link, write, kindAtLastRead, verify)) failure = "Programming Error";
    } catch (const link::EISPException& e) {
      failure = e.what();
    } catch (const std::exception&) {
      failure = "Load Error. Please Try Again";
    }
  }  // the window is released before any message
  if (!failure.empty()) {
    // A Delete that broke off after emptying the header has done what it
    // had to; any other write has left an empty slot to write again.
    parts.dialogs.ShowError(operationMode == 2 ? failure : failure + EmptiedSlotsText(parts.link));
    return false;
  }
  if (!quiet)
    parts.dialogs.ShowInformation(std::string(SlotWriteSuccessText(operationMode)) +
                                  (successDetail.empty() ? std::string() : "\r" + successDetail));
  return true;
}

}  // namespace velmar::ops
