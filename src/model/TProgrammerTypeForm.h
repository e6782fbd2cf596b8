// The "Select Programmer Type" dialog as a model: the user says which
// programmer model, hardware version and firmware are meant when the
// programmer cannot tell (before a firmware update of an unidentified
// programmer, and in demo mode). Choosing the portable model disables the
// version and firmware choices; a version 1 programmer can only take the
// PIC12/16/18 firmware. The choices stay between showings.
#pragma once

#include <optional>
#include <string>

#include "model/ModalWindow.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::model {

class TProgrammerTypeForm final : public ModalWindow {
 public:
  // Entries of `Progs`.
  enum Model { SingleWay = 0, EightWay = 1, Portable = 2 };

  TProgrammerTypeForm();
  std::string FormName() const override { return TypeCtl::TProgrammerTypeForm.Str(); }

  // In demo mode only the model and version are offered; otherwise every
  // control is shown and the choice rules are applied once.
  void FormShow(bool demoMode);
  void ProgsClick();
  void progVersionClick();
  void okButtonClick();  // OK: closes the dialog

  // The programmer kind the choices stand for (single-way version 1 or 2,
  // 8-way version 1 or 2, portable), or nullopt when no model is chosen.
  std::optional<slot::ProgrammerKind> Kind() const;
  // The firmware to load: the firmware choice (0 PIC12/16/18, 1 PIC24) for a
  // version 2 single-way or 8-way programmer, otherwise 0.
  int FirmwareToLoad() const;

 private:
  void ApplyRules();
  bool VersionTwo() const;
};

}  // namespace velmar::model
