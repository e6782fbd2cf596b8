// Erase Unit.
#include "operations/UnitErase.h"

#include "link/LinkErrors.h"
#include "model/TMainForm.h"
#include "operations/DurationEstimate.h"
#include "operations/ProgressBinding.h"
#include "operations/WindowOperations.h"
#include "platform/Dialogs.h"

namespace velmar::ops {

bool RunUnitErase(model::ProgressForm& form, link::TReadProg& link) {
  ProgressBinding binding(link, form);
  OperationEnd end(form, link);
  form.Busy = false;
  form.messageLabel = "Checking Programmer";
  form.Caption = "Erasing Programmer";
  form.Repaint();
  form.Show();
  try {
    link.Identify();
    form.SetMessage("Erasing Programmer");
    return link.EraseUnit();
  } catch (const link::EISPException& e) {
    form.SetMessage(e.what());
    throw link::EISPException(e.what());
  } catch (const link::EFirmwareUpdate& e) {
    form.SetMessage(e.what());
    throw link::EISPException(e.what());
  }
}

using model::Control;
using model::Ctl;
using model::TMainForm;

bool EraseButtonClick(TMainForm& w) {
  oplog::OperationRecorder logged = w.Recording(oplog::LoggedOperation::erase);
  const ops::DurationEstimate takes = ops::EraseUnitDuration(w.Geometry(), ops::TimingOf(w.LinkPacing(), w.Link()));
  if (!w.Dialogs().AskYesNo("Are you sure you want to erase ALL programs?\r\rErasing takes " +
                                ops::DurationText(takes) + " and cannot be stopped once started.",
                            {}, platform::DlgButton::No))
    return false;
  if (!w.HaveLink()) return false;
  w.SetHourGlass(true);
  std::string failure;
  bool erased = false;
  {
    model::ProgressForm form(w.ProgressView(), w.Parts().pump);
    form.SetMessage("Checking Programmer");
    try {
      erased = ops::RunUnitErase(form, *w.Link());
    } catch (const std::exception& e) {
      failure = e.what();
    }
    if (failure.empty()) {
      w.Programs.Clear();
      w.RefreshSlotView();
    }
  }  // the window is released before any message
  w.SetHourGlass(false);
  if (!failure.empty()) {
    w.Dialogs().ShowError(failure);
    return false;
  }
  if (!erased) return false;
  logged.Succeeded();
  w.Dialogs().ShowInformation("Programmer Erased");
  const Control& grid = w.Controls().Get(Ctl::slotList);
  std::vector<std::vector<std::string>> title;
  if (!grid.cells.empty()) title.push_back(grid.cells.front());
  w.Controls().SetCells(Ctl::slotList, title, 1);
  return true;
}

}  // namespace velmar::ops
