// The erase options dialog as a model: nine radio choices, OK and Cancel.
// Showing it enables the choices that the selected device's programming
// algorithm (`Column`) allows; OK turns the selected choice into the erase
// code `EraseFlag` and sets the main window's `BulkErase` box (whose change
// handler keeps the bulk-erase flag in step). The choice survives between
// openings.
#pragma once

#include <string>

#include "devices/TData.h"
#include "model/ControlStore.h"
#include "model/ModalWindow.h"

namespace velmar::model {

class TEraseOpsForm final : public ModalWindow {
 public:
  // `mainWindow` holds the `BulkErase` box; `data` the selected device.
  TEraseOpsForm(ControlStore& mainWindow, devices::TData& data);
  std::string FormName() const override { return EraseCtl::EraseOpsForm.Str(); }

  // The selected choice, 1 to 9 (0 when none).
  int Choice() const;
  // Selects choice 1 to 9 (as the program-options rules do).
  void SelectChoice(int choice);

  void FormShow();  // runs DisplayOpsSelects
  void DisplayOpsSelects();
  void GetEraseFlag();
  void OKClick();      // GetEraseFlag, then the dialog closes with OK
  void CancelClick();  // closes with Cancel, changes nothing

  // The radio button of choice 1 to 9.
  static ControlName ChoiceName(int choice) { return EraseCtl::eraseChoice.at(std::size_t(choice - 1)); }

 private:
  ControlStore& main_;
  devices::TData& data_;
};

}  // namespace velmar::model
