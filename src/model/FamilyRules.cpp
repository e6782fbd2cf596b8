// The family change, the device rules and the option controls' handlers.
#include "model/FamilyRules.h"

#include "devices/Algorithm.h"
#include "devices/DeviceDatabase.h"
#include "platform/Text.h"

namespace velmar::model {

using enum devices::AlgorithmColumn;
using devices::ColumnIn;
using devices::EnhancedMidrangeMap;
using devices::NeedsHighVpp;
using text::Contains;

namespace {

const char* const kPowers5V = "Programmer powers target at 5V";
const char* const kPowers33V = "Programmer powers target at 3.3V";
const char* const kPowers36V = "Programmer powers target at 3.6V";
const char* const kShortErrorCodes =
    "Red Error Codes: 2- ICSP Entry Fail, 3- Data, 4- Code, 5- User ID, 6- Config, 7- Device ID, 8- Count Limit "
    "Reached, 9- Programmer or Slot Empty";

}  // namespace

FamilyRules::FamilyRules(ControlStore& controls, devices::TData& data, TEraseOpsForm& eraseOps,
                         const slot::ProgrammerKind& programmerKind, DeviceSelection& devices)
    : controls_(controls), data_(data), eraseOps_(eraseOps), programmerKind_(programmerKind), devices_(devices) {}

bool FamilyRules::Supply33Chosen() const {
  return !controls_.Visible(Ctl::VDD_Voltage) || controls_.Checked(Ctl::VDD_Voltage);
}

void FamilyRules::familyClick() {
  ControlStore& s = controls_;
  s.SetHint(Ctl::errorRepeatCount, kShortErrorCodes);
  for (ControlName name : {Ctl::matchDeviceID, Ctl::DataSave, Ctl::progUserID, Ctl::VerifyConfig})
    s.SetEnabled(name, true);
  s.SetVisible(Ctl::bootSave, false);
  s.SetVisible(Ctl::unusedFuses, false);
  if (slot::KindRow(programmerKind_).firmware != slot::FirmwareLine::portable) data_.RequiredFirmware = devices::fw_pic;

  const int code = FamilyEntry();
  // The device change runs however the family branch ends.
  try {
    ApplyFamily(code);
  } catch (...) {
    devices_.deviceListChange();
    lastFamily_ = code;
    throw;
  }
  devices_.deviceListChange();
  lastFamily_ = code;
}

void FamilyRules::ApplyFamily(int code) {
  ControlStore& s = controls_;
  switch (code) {
    case devices::fam_PIC18F:
      data_.Family = code;
      s.SetText(Ctl::targetPowerNote, kPowers5V);
      devices_.FillDeviceList(code);
      s.SetVisible(Ctl::VDD_Voltage, true);
      VDD_VoltageClick();
      s.SetVisible(Ctl::programOpsGroup, false);
      s.SetItemIndex(Ctl::ProgramOps, 0);
      s.SetChecked(Ctl::BulkErase, true);
      break;
    case devices::fam_PIC12F16F:
      data_.Family = code;
      devices_.FillDeviceList(code);
      s.SetVisible(Ctl::VDD_Voltage, false);
      s.SetVisible(Ctl::programOpsGroup, true);  // the PIC18 branches hide the program options
      break;
    case devices::fam_PIC18J:
      data_.Family = code;
      s.SetText(Ctl::targetPowerNote, kPowers33V);
      devices_.FillDeviceList(code);
      s.SetVisible(Ctl::VDD_Voltage, false);
      s.SetChecked(Ctl::VDD_Voltage, true);
      s.SetVisible(Ctl::unusedFuses, true);
      s.SetEnabled(Ctl::progModeGroup, false);
      s.SetVisible(Ctl::programOpsGroup, false);
      s.SetEnabled(Ctl::DataSave, false);
      s.SetChecked(Ctl::progUserID, false);
      s.SetChecked(Ctl::VerifyConfig, false);
      s.SetChecked(Ctl::DataSave, false);
      s.SetEnabled(Ctl::progUserID, false);
      s.SetEnabled(Ctl::VerifyConfig, false);
      data_.noLVP = true;
      s.SetEnabled(Ctl::progMode, false);
      break;
    case devices::fam_PIC18K:
      data_.Family = code;
      if (s.ItemIndex(Ctl::progMode) == 1) s.SetText(Ctl::targetPowerNote, s.Text(Ctl::targetPowerNote) + "  with 9VPP");
      devices_.FillDeviceList(code);
      if (data_.is3Vonly) {
        s.SetVisible(Ctl::VDD_Voltage, false);
        s.SetText(Ctl::targetPowerNote, kPowers33V);
      } else {
        s.SetVisible(Ctl::VDD_Voltage, true);
        VDD_VoltageClick();
      }
      s.SetVisible(Ctl::programOpsGroup, false);
      s.SetItemIndex(Ctl::ProgramOps, 0);
      s.SetChecked(Ctl::BulkErase, true);
      break;
    case devices::fam_PIC24F:
      data_.Family = code;
      data_.RequiredFirmware = devices::fw_pic24;
      data_.noLVP = true;
      devices_.FillDeviceList(code);
      if (data_.is3Vonly) {
        s.SetVisible(Ctl::VDD_Voltage, false);
        s.SetText(Ctl::targetPowerNote, kPowers36V);
      } else {
        s.SetVisible(Ctl::VDD_Voltage, true);
        VDD_VoltageClick();
      }
      s.SetChecked(Ctl::BulkErase, true);
      s.SetEnabled(Ctl::VerifyConfig, false);
      s.SetEnabled(Ctl::progUserID, false);
      s.SetVisible(Ctl::programOpsGroup, true);
      break;
    case devices::fam_dsPIC30:
      data_.Family = code;
      data_.RequiredFirmware = devices::fw_pic24;
      data_.noLVP = true;
      devices_.FillDeviceList(code);
      s.SetVisible(Ctl::VDD_Voltage, true);
      VDD_VoltageClick();
      s.SetChecked(Ctl::BulkErase, true);
      s.SetEnabled(Ctl::VerifyConfig, true);
      s.SetEnabled(Ctl::progUserID, false);
      s.SetVisible(Ctl::DataSave, true);
      data_.noLVP = true;
      s.SetVisible(Ctl::programOpsGroup, true);
      break;
    default: break;
  }
}

void FamilyRules::ApplyDeviceRules() {
  ControlStore& s = controls_;
  const int column = data_.Column;

  // Low-voltage lock of the PIC12/16 algorithms.
  if (data_.Family == devices::fam_PIC12F16F) {
    const bool is16F88 = Contains(s.Text(Ctl::deviceList), "PIC16F88");
    if (ColumnIn(column, {alg_PIC16F7x, alg_PIC16F62xA, alg_PIC16F5x, alg_PIC16F505, alg_Column10, alg_Column11,
                          alg_Column13, alg_Column14}) ||
        (column == alg_PIC16F88 && !is16F88)) {
      data_.noLVP = true;
      s.SetEnabled(Ctl::matchDeviceID, true);
    } else if (is16F88 || column == alg_PIC16F1xxx) {
      data_.noLVP = false;
    }
  }

  // Programming-mode lock, every family.
  if (data_.noLVP) {
    s.SetItemIndex(Ctl::progMode, 1);
    s.SetEnabled(Ctl::progModeGroup, false);
    s.SetEnabled(Ctl::progMode, false);
    s.SetText(Ctl::Progmodelabel, data_.Type == "C"          ? "Only VDD ICSP entry method"
                                  : column == alg_PIC16F1xxx ? "LVP not implemented on this device"
                                                             : "LVP not available on this device");
    // The text explains the lock, so it must be visible even when an earlier
    // switch to high voltage hid it.
    s.SetVisible(Ctl::Progmodelabel, true);
    s.SetInactiveColour(Ctl::progMode, true);
  } else {
    s.SetEnabled(Ctl::progModeGroup, true);
    s.SetEnabled(Ctl::progMode, true);
    s.SetEnabled(Ctl::Progmodelabel, true);
    s.SetText(Ctl::Progmodelabel, "");
    s.SetInactiveColour(Ctl::progMode, false);
  }

  // Supply text of the PIC12F-16F entry.
  if (FamilyEntry() == devices::fam_PIC12F16F) {
    if (NeedsHighVpp(column)) {
      if (data_.is3Vonly) {
        s.SetText(Ctl::targetPowerNote, "Programmer powers target at 3.3V with 9VPP");
        s.SetVisible(Ctl::VDD_Voltage, false);
      } else {
        s.SetVisible(Ctl::VDD_Voltage, true);
        s.SetText(Ctl::targetPowerNote, s.Checked(Ctl::VDD_Voltage) ? "Programmer powers target at 3.3V with 9VPP"
                                                           : "Programmer powers target at 5V with 9VPP");
      }
    } else {
      s.SetVisible(Ctl::VDD_Voltage, Contains(data_.DeviceName, "LF"));
      s.SetText(Ctl::targetPowerNote, kPowers5V);
    }
  }

  s.SetVisible(Ctl::bootSave, data_.Type == "K22" || data_.Type == "K80");

  progModeClick();
  BulkEraseClick();
  matchDeviceIDClick();
  progUserIDClick();
  VerifyConfigClick();
  ProgramOpsClick();

  // Program options. Without data memory only Program All is left; a
  // row-programmed device with data memory keeps the options as they stand.
  if (data_.EEPROMSIZE != 0 && column != alg_PIC16F150x) {
    s.SetEnabled(Ctl::programOpsGroup, true);
    s.SetEnabled(Ctl::ProgramOps, true);
    s.SetVisible(Ctl::dataOnlyNote, true);
    s.SetInactiveColour(Ctl::ProgramOps, false);
    if (s.ItemIndex(Ctl::ProgramOps) != 1) s.SetEnabled(Ctl::DataSave, true);
  } else if (data_.EEPROMSIZE == 0) {
    s.SetEnabled(Ctl::programOpsGroup, false);
    s.SetEnabled(Ctl::ProgramOps, false);
    s.SetVisible(Ctl::dataOnlyNote, false);
    s.SetItemIndex(Ctl::ProgramOps, 0);
    s.SetInactiveColour(Ctl::ProgramOps, true);
    s.SetEnabled(Ctl::DataSave, false);
    s.SetChecked(Ctl::DataSave, false);
  }

  if (FamilyEntry() == devices::fam_PIC18K) {
    if (data_.is3Vonly) {
      s.SetVisible(Ctl::VDD_Voltage, false);
      s.SetText(Ctl::targetPowerNote, "Programmer powers target at 3.3V with 9V VPP");
    } else {
      s.SetVisible(Ctl::VDD_Voltage, true);
      // The text was worked out while the box was still hidden (a 3.3 V-only
      // device before): it follows the box now shown, as the slot will.
      VDD_VoltageClick();
    }
  }

  if (data_.Type == "24FJ" || data_.Type == "24FJ-GA4") {
    s.SetEnabled(Ctl::VerifyConfig, false);
    s.SetEnabled(Ctl::VDD_Voltage, false);
    s.SetVisible(Ctl::VDD_Voltage, false);
    s.SetText(Ctl::targetPowerNote, kPowers36V);
  }

  if (data_.Type == "24KA") {
    s.SetEnabled(Ctl::progMode, true);
    if (Contains(data_.DeviceName, "FV")) {
      s.SetEnabled(Ctl::VDD_Voltage, true);
      s.SetVisible(Ctl::VDD_Voltage, true);
    } else {
      s.SetText(Ctl::targetPowerNote, kPowers36V);
      s.SetEnabled(Ctl::VDD_Voltage, false);
      s.SetVisible(Ctl::VDD_Voltage, false);
    }
  }
}

void FamilyRules::progModeClick() {
  ControlStore& s = controls_;
  if (!s.Enabled(Ctl::progMode)) return;
  const int mode = s.ItemIndex(Ctl::progMode);
  if (mode == 1) {
    data_.LowVoltageMode = false;
    if (FamilyEntry() == devices::fam_PIC18K)
      s.SetText(Ctl::targetPowerNote, Supply33Chosen() ? "Programmer powers target at 3.3V with 9V VPP"
                                              : "Programmer powers target at 5V with 9V VPP");
    s.SetVisible(Ctl::Progmodelabel, false);
  } else if (mode == 0) {
    data_.LowVoltageMode = true;
    if (FamilyEntry() == devices::fam_PIC18K) s.SetText(Ctl::targetPowerNote, Supply33Chosen() ? kPowers33V : kPowers5V);
    if (FamilyEntry() == devices::fam_PIC12F16F && EnhancedMidrangeMap(data_.Column)) {
      s.SetText(Ctl::targetPowerNote, Supply33Chosen() ? kPowers33V : kPowers5V);
      s.SetVisible(Ctl::Progmodelabel, true);
      s.SetText(Ctl::Progmodelabel, "LVP needs target to be unpowered");
    }
  }
}

void FamilyRules::VDD_VoltageClick() {
  ControlStore& s = controls_;
  std::string label = s.Checked(Ctl::VDD_Voltage) ? kPowers33V : kPowers5V;
  if ((FamilyEntry() == devices::fam_PIC18K || NeedsHighVpp(data_.Column)) && s.ItemIndex(Ctl::progMode) == 1)
    label += " with 9V VPP";
  s.SetText(Ctl::targetPowerNote, label);
}

void FamilyRules::ProgramOpsClick() {
  if (data_.Family != devices::fam_PIC12F16F) return;
  ControlStore& s = controls_;
  switch (s.ItemIndex(Ctl::ProgramOps)) {
    case 0:
      eraseOps_.SelectChoice(1);
      s.SetEnabled(Ctl::VerifyConfig, true);
      s.SetEnabled(Ctl::progUserID, true);
      s.SetEnabled(Ctl::DataSave, true);
      s.SetText(Ctl::dataOnlyNote, "");
      break;
    case 1:
      eraseOps_.SelectChoice(9);
      s.SetChecked(Ctl::VerifyConfig, false);
      s.SetEnabled(Ctl::VerifyConfig, false);
      s.SetEnabled(Ctl::progUserID, false);
      s.SetChecked(Ctl::progUserID, false);
      s.SetEnabled(Ctl::DataSave, false);
      // A disabled box is unchecked: left checked, the data builder would put
      // its preserve marker over the first data byte that is then programmed.
      DataSaveClick();
      s.SetText(Ctl::dataOnlyNote, "Program Data Only will only work if Data Protection (CPD) is disabled");
      break;
    case 2:
      eraseOps_.SelectChoice(8);
      s.SetEnabled(Ctl::VerifyConfig, false);
      s.SetEnabled(Ctl::progUserID, false);
      s.SetChecked(Ctl::progUserID, false);
      s.SetEnabled(Ctl::DataSave, true);
      if (FamilyEntry() == devices::fam_PIC12F16F &&
          ColumnIn(data_.Column, {alg_PIC16F87xA, alg_PIC16F88, alg_PIC16F1xxx})) {
        s.SetText(Ctl::dataOnlyNote, "Program Code Only will program Configuration on this device");
        s.SetEnabled(Ctl::VerifyConfig, true);
      } else {
        s.SetText(Ctl::dataOnlyNote, "");
        s.SetEnabled(Ctl::VerifyConfig, false);
        s.SetChecked(Ctl::VerifyConfig, false);
      }
      break;
    default: break;
  }
  // The flags follow the final box states (enabling alone runs no handler).
  progUserIDClick();
  VerifyConfigClick();
}

void FamilyRules::BulkEraseClick() { data_.BulkEraseOn = controls_.Checked(Ctl::BulkErase); }

void FamilyRules::matchDeviceIDClick() { data_.MatchID = controls_.Checked(Ctl::matchDeviceID); }

void FamilyRules::progUserIDClick() {
  data_.ProgramUserID = controls_.Enabled(Ctl::progUserID) && controls_.Checked(Ctl::progUserID);
}

void FamilyRules::VerifyConfigClick() {
  data_.VerifyConfigOn = controls_.Enabled(Ctl::VerifyConfig) && controls_.Checked(Ctl::VerifyConfig);
}

void FamilyRules::DataSaveClick() {
  if (!controls_.Enabled(Ctl::DataSave)) controls_.SetChecked(Ctl::DataSave, false);
}

void FamilyRules::limitProgramsClick() {
  const bool on = controls_.Checked(Ctl::limitPrograms);
  controls_.SetEnabled(Ctl::progCountCaption, on);
  controls_.SetEnabled(Ctl::ProgCount, on);
}

}  // namespace velmar::model
