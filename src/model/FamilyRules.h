// The rules that tie family, device, programming mode, supply voltage and
// program options together: the family change, the device rules the device
// change runs, and the change handlers of the option controls, each keeping
// its TData flag in step with the final control state. The rules hold no
// state but the family shown last; the controls, the option record, the
// erase options, the programmer kind and the device selection whose list a
// family change fills are the window's, given at construction.
#pragma once

#include "devices/TData.h"
#include "model/ControlStore.h"
#include "model/DeviceSelection.h"
#include "model/TEraseOpsForm.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::model {

class FamilyRules {
 public:
  FamilyRules(ControlStore& controls, devices::TData& data, TEraseOpsForm& eraseOps,
              const slot::ProgrammerKind& programmerKind, DeviceSelection& devices);

  void familyClick();
  void progModeClick();
  void VDD_VoltageClick();
  void ProgramOpsClick();
  void BulkEraseClick();
  void matchDeviceIDClick();
  void progUserIDClick();
  void VerifyConfigClick();
  void DataSaveClick();
  void limitProgramsClick();
  // The rules for the device just read (the device change runs them).
  void ApplyDeviceRules();

  // The 3.3 V supply counts as chosen when its box is hidden or checked.
  bool Supply33Chosen() const;
  // The family entry the last family change was for.
  int LastFamily() const { return lastFamily_; }

 private:
  void ApplyFamily(int code);  // the family branch of familyClick
  int FamilyEntry() const { return controls_.ItemIndex(Ctl::family); }

  ControlStore& controls_;
  devices::TData& data_;
  TEraseOpsForm& eraseOps_;
  const slot::ProgrammerKind& programmerKind_;
  DeviceSelection& devices_;
  int lastFamily_ = devices::fam_PIC18F;
};

}  // namespace velmar::model
