// The slot write, the long operation New, Replace, Delete and Load Unit
// share: in the progress window ("Loading Programmer") the programmer is
// identified again, its kind is compared with the kind at the last Read, and
// the slot record's pages are written from the slot image with
// verification. The write wrapper around it (New, Replace, Delete) makes the
// window, runs the write, releases the window and then reports the outcome
// by operation mode.
#pragma once

#include <string>
#include <vector>

#include "link/TReadProg.h"
#include "operations/ProgressBinding.h"

namespace velmar::ops {

inline constexpr const char* kKindChanged = "Programmer type has changed. Please use Read button before Programming";
inline constexpr const char* kNeedsUpdateOrBattery =
    "Programmer needs Update or Flat Battery. Please use Read button before programming";

// Runs the write in `form`. True when every page was written; a link
// failure (a programmer that asks for new firmware included) raises
// link::EISPException with the text to show. The link is closed afterwards
// whatever happens.
// With `verify` ("Verify after writing"), the pages written are then read
// back; every slot with a page that differs or cannot be read has its
// header emptied (the link's EmptiedHeaders then name it), and
// link::EISPException names each such slot and page (VerifyFailureText).
bool RunSlotWrite(model::ProgressForm& form, link::TReadProg& link, const link::SlotWrite& write,
                  slot::ProgrammerKind kindAtLastRead, bool verify = false);

// The failure of a read-back: for each fault its slot (1 for the first),
// its page and what was wrong with it.
std::string VerifyFailureText(const std::vector<link::VerifyFault>& faults, const slot::ProgrammerGeometry& geometry);

// "\r\rSlot 3 is now empty and must be written again" (or the same for
// several slots) when the link's last slot write emptied headers it did not
// write again; empty otherwise.
std::string EmptiedSlotsText(const link::TReadProg& link);

// The success message of an operation mode (0 New, 1 Replace, 2 Delete).
const char* SlotWriteSuccessText(int operationMode);

// The slot write in a window of its own, then its message: the success
// message of `operationMode` (with `successDetail` on a line after it)
// unless `quiet`, or the failure. True on success.
bool WriteWrapper(const OperationParts& parts, const link::SlotWrite& write, slot::ProgrammerKind kindAtLastRead,
                  int operationMode, bool quiet, bool verify = false, const std::string& successDetail = {});

}  // namespace velmar::ops
