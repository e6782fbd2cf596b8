// Erase Unit.
#include "operations/UnitErase.h"

#include "link/LinkErrors.h"
#include "model/TMainForm.h"
#include "operations/DurationEstimate.h"
#include "operations/ProgressBinding.h"
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

}  // namespace velmar::ops

namespace velmar::model {

bool TMainForm::EraseButtonClick() {
  oplog::OperationRecorder logged = Recording(oplog::LoggedOperation::erase);
  const ops::DurationEstimate takes = ops::EraseUnitDuration(Geometry(), ops::TimingOf(LinkPacing(), link_.get()));
  if (!dialogs_.AskYesNo("Are you sure you want to erase ALL programs?\r\rErasing takes " + ops::DurationText(takes) +
                             " and cannot be stopped once started.",
                         {}, platform::DlgButton::No))
    return false;
  if (!HaveLink()) return false;
  SetHourGlass(true);
  std::string failure;
  bool erased = false;
  {
    model::ProgressForm form(progressView_, linkParts_.pump);
    form.SetMessage("Checking Programmer");
    try {
      erased = ops::RunUnitErase(form, *link_);
    } catch (const std::exception& e) {
      failure = e.what();
    }
    if (failure.empty()) {
      Programs.Clear();
      RefreshSlotView();
    }
  }  // the window is released before any message
  SetHourGlass(false);
  if (!failure.empty()) {
    dialogs_.ShowError(failure);
    return false;
  }
  if (!erased) return false;
  logged.Succeeded();
  dialogs_.ShowInformation("Programmer Erased");
  const Control& grid = controls_.Get(Ctl::slotList);
  std::vector<std::vector<std::string>> title;
  if (!grid.cells.empty()) title.push_back(grid.cells.front());
  controls_.SetCells(Ctl::slotList, title, 1);
  return true;
}

}  // namespace velmar::model
