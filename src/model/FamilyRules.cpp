// The rules that tie family, device, programming mode, supply voltage and
// program options together: the family change, the device rules run by the
// device change, and the change handlers of the option controls, each
// keeping its TData flag in step with the final control state.
#include "devices/DeviceDatabase.h"
#include "model/TMainForm.h"
#include "platform/Text.h"

namespace velmar::model {

using text::Contains;

namespace {

const char* const kPowers5V = "Programmer powers target at 5V";
const char* const kPowers33V = "Programmer powers target at 3.3V";
const char* const kPowers36V = "Programmer powers target at 3.6V";
const char* const kShortErrorCodes =
    "Red Error Codes: 2- ICSP Entry Fail, 3- Data, 4- Code, 5- User ID, 6- Config, 7- Device ID, 8- Count Limit "
    "Reached, 9- Programmer or Slot Empty";

bool OneOf(int v, std::initializer_list<int> set) {
  for (int x : set)
    if (v == x) return true;
  return false;
}

bool NeedsHighVpp(int column) { return OneOf(column, {12, 13, 15}); }

}  // namespace

void TMainForm::familyClick() {
  ControlStore& s = controls_;
  s.SetHint("SpinEdit1", kShortErrorCodes);
  for (const char* name : {"matchDeviceID", "DataSave", "progUserID", "VerifyConfig"}) s.SetEnabled(name, true);
  s.SetVisible("bootSave", false);
  s.SetVisible("unusedFuses", false);
  if (ProgrammerKind != 3) Data.RequiredFirmware = devices::fw_pic;

  const int code = FamilyEntry();
  // The device change runs however the family branch ends.
  try {
    ApplyFamily(code);
  } catch (...) {
    deviceListChange();
    LastFamily = code;
    throw;
  }
  deviceListChange();
  LastFamily = code;
}

void TMainForm::ApplyFamily(int code) {
  ControlStore& s = controls_;
  switch (code) {
    case devices::fam_PIC18F:
      Data.Family = code;
      s.SetText("Label2", kPowers5V);
      FillDeviceList(code);
      s.SetVisible("VDD_Voltage", true);
      VDD_VoltageClick();
      s.SetVisible("GroupBox1", false);
      s.SetItemIndex("ProgramOps", 0);
      s.SetChecked("BulkErase", true);
      break;
    case devices::fam_PIC12F16F:
      Data.Family = code;
      FillDeviceList(code);
      s.SetVisible("VDD_Voltage", false);
      s.SetVisible("GroupBox1", true);  // the PIC18 branches hide the program options
      break;
    case devices::fam_PIC18J:
      Data.Family = code;
      s.SetText("Label2", kPowers33V);
      FillDeviceList(code);
      s.SetVisible("VDD_Voltage", false);
      s.SetChecked("VDD_Voltage", true);
      s.SetVisible("unusedFuses", true);
      s.SetEnabled("GroupBox2", false);
      s.SetVisible("GroupBox1", false);
      s.SetEnabled("DataSave", false);
      s.SetChecked("progUserID", false);
      s.SetChecked("VerifyConfig", false);
      s.SetChecked("DataSave", false);
      s.SetEnabled("progUserID", false);
      s.SetEnabled("VerifyConfig", false);
      Data.noLVP = true;
      s.SetEnabled("progMode", false);
      break;
    case devices::fam_PIC18K:
      Data.Family = code;
      if (s.ItemIndex("progMode") == 1) s.SetText("Label2", s.Text("Label2") + "  with 9VPP");
      FillDeviceList(code);
      if (Data.is3Vonly) {
        s.SetVisible("VDD_Voltage", false);
        s.SetText("Label2", kPowers33V);
      } else {
        s.SetVisible("VDD_Voltage", true);
        VDD_VoltageClick();
      }
      s.SetVisible("GroupBox1", false);
      s.SetItemIndex("ProgramOps", 0);
      s.SetChecked("BulkErase", true);
      break;
    case devices::fam_PIC24F:
      Data.Family = code;
      Data.RequiredFirmware = devices::fw_pic24;
      Data.noLVP = true;
      FillDeviceList(code);
      if (Data.is3Vonly) {
        s.SetVisible("VDD_Voltage", false);
        s.SetText("Label2", kPowers36V);
      } else {
        s.SetVisible("VDD_Voltage", true);
        VDD_VoltageClick();
      }
      s.SetChecked("BulkErase", true);
      s.SetEnabled("VerifyConfig", false);
      s.SetEnabled("progUserID", false);
      s.SetVisible("GroupBox1", true);
      break;
    case devices::fam_dsPIC30:
      Data.Family = code;
      Data.RequiredFirmware = devices::fw_pic24;
      Data.noLVP = true;
      FillDeviceList(code);
      s.SetVisible("VDD_Voltage", true);
      VDD_VoltageClick();
      s.SetChecked("BulkErase", true);
      s.SetEnabled("VerifyConfig", true);
      s.SetEnabled("progUserID", false);
      s.SetVisible("DataSave", true);
      Data.noLVP = true;
      s.SetVisible("GroupBox1", true);
      break;
    default:
      break;
  }
}

void TMainForm::ApplyDeviceRules() {
  ControlStore& s = controls_;
  const int column = Data.Column;

  // Low-voltage lock of the PIC12/16 algorithms.
  if (Data.Family == devices::fam_PIC12F16F) {
    const bool is16F88 = Contains(s.Text("deviceList"), "PIC16F88");
    if (OneOf(column, {2, 3, 8, 9, 10, 11, 13, 14}) || (column == 5 && !is16F88)) {
      Data.noLVP = true;
      s.SetEnabled("matchDeviceID", true);
    } else if (is16F88 || column == 12) {
      Data.noLVP = false;
    }
  }

  // Programming-mode lock, every family.
  if (Data.noLVP) {
    s.SetItemIndex("progMode", 1);
    s.SetEnabled("GroupBox2", false);
    s.SetEnabled("progMode", false);
    s.SetText("Progmodelabel", Data.Type == "C"   ? "Only VDD ICSP entry method"
                               : column == 12     ? "LVP not implemented on this device"
                                                  : "LVP not available on this device");
    // The text explains the lock, so it must be visible even when an earlier
    // switch to high voltage hid it.
    s.SetVisible("Progmodelabel", true);
    s.SetInactiveColour("progMode", true);
  } else {
    s.SetEnabled("GroupBox2", true);
    s.SetEnabled("progMode", true);
    s.SetEnabled("Progmodelabel", true);
    s.SetText("Progmodelabel", "");
    s.SetInactiveColour("progMode", false);
  }

  // Supply text of the PIC12F-16F entry.
  if (FamilyEntry() == devices::fam_PIC12F16F) {
    if (NeedsHighVpp(column)) {
      if (Data.is3Vonly) {
        s.SetText("Label2", "Programmer powers target at 3.3V with 9VPP");
        s.SetVisible("VDD_Voltage", false);
      } else {
        s.SetVisible("VDD_Voltage", true);
        s.SetText("Label2", s.Checked("VDD_Voltage") ? "Programmer powers target at 3.3V with 9VPP"
                                                     : "Programmer powers target at 5V with 9VPP");
      }
    } else {
      s.SetVisible("VDD_Voltage", Contains(Data.DeviceName, "LF"));
      s.SetText("Label2", kPowers5V);
    }
  }

  s.SetVisible("bootSave", Data.Type == "K22" || Data.Type == "K80");

  progModeClick();
  BulkEraseClick();
  matchDeviceIDClick();
  progUserIDClick();
  VerifyConfigClick();
  ProgramOpsClick();

  // Program options. Without data memory only Program All is left; a
  // Column 15 device with data memory keeps the options as they stand.
  if (Data.EEPROMSIZE != 0 && column != 15) {
    s.SetEnabled("GroupBox1", true);
    s.SetEnabled("ProgramOps", true);
    s.SetVisible("Label5", true);
    s.SetInactiveColour("ProgramOps", false);
    if (s.ItemIndex("ProgramOps") != 1) s.SetEnabled("DataSave", true);
  } else if (Data.EEPROMSIZE == 0) {
    s.SetEnabled("GroupBox1", false);
    s.SetEnabled("ProgramOps", false);
    s.SetVisible("Label5", false);
    s.SetItemIndex("ProgramOps", 0);
    s.SetInactiveColour("ProgramOps", true);
    s.SetEnabled("DataSave", false);
    s.SetChecked("DataSave", false);
  }

  if (FamilyEntry() == devices::fam_PIC18K) {
    if (Data.is3Vonly) {
      s.SetVisible("VDD_Voltage", false);
      s.SetText("Label2", "Programmer powers target at 3.3V with 9V VPP");
    } else {
      s.SetVisible("VDD_Voltage", true);
      // The text was worked out while the box was still hidden (a 3.3 V-only
      // device before): it follows the box now shown, as the slot will.
      VDD_VoltageClick();
    }
  }

  if (Data.Type == "24FJ" || Data.Type == "24FJ-GA4") {
    s.SetEnabled("VerifyConfig", false);
    s.SetEnabled("VDD_Voltage", false);
    s.SetVisible("VDD_Voltage", false);
    s.SetText("Label2", kPowers36V);
  }

  if (Data.Type == "24KA") {
    s.SetEnabled("progMode", true);
    if (Contains(Data.DeviceName, "FV")) {
      s.SetEnabled("VDD_Voltage", true);
      s.SetVisible("VDD_Voltage", true);
    } else {
      s.SetText("Label2", kPowers36V);
      s.SetEnabled("VDD_Voltage", false);
      s.SetVisible("VDD_Voltage", false);
    }
  }
}

void TMainForm::progModeClick() {
  ControlStore& s = controls_;
  if (!s.Enabled("progMode")) return;
  const int mode = s.ItemIndex("progMode");
  if (mode == 1) {
    Data.LowVoltageMode = false;
    if (FamilyEntry() == devices::fam_PIC18K)
      s.SetText("Label2", Supply33Chosen() ? "Programmer powers target at 3.3V with 9V VPP"
                                           : "Programmer powers target at 5V with 9V VPP");
    s.SetVisible("Progmodelabel", false);
  } else if (mode == 0) {
    Data.LowVoltageMode = true;
    if (FamilyEntry() == devices::fam_PIC18K) s.SetText("Label2", Supply33Chosen() ? kPowers33V : kPowers5V);
    if (FamilyEntry() == devices::fam_PIC12F16F && OneOf(Data.Column, {12, 15})) {
      s.SetText("Label2", Supply33Chosen() ? kPowers33V : kPowers5V);
      s.SetVisible("Progmodelabel", true);
      s.SetText("Progmodelabel", "LVP needs target to be unpowered");
    }
  }
}

void TMainForm::VDD_VoltageClick() {
  ControlStore& s = controls_;
  std::string label = s.Checked("VDD_Voltage") ? kPowers33V : kPowers5V;
  if ((FamilyEntry() == devices::fam_PIC18K || NeedsHighVpp(Data.Column)) && s.ItemIndex("progMode") == 1)
    label += " with 9V VPP";
  s.SetText("Label2", label);
}

void TMainForm::ProgramOpsClick() {
  if (Data.Family != devices::fam_PIC12F16F) return;
  ControlStore& s = controls_;
  switch (s.ItemIndex("ProgramOps")) {
    case 0:
      eraseOps_.SelectChoice(1);
      s.SetEnabled("VerifyConfig", true);
      s.SetEnabled("progUserID", true);
      s.SetEnabled("DataSave", true);
      s.SetText("Label5", "");
      break;
    case 1:
      eraseOps_.SelectChoice(9);
      s.SetChecked("VerifyConfig", false);
      s.SetEnabled("VerifyConfig", false);
      s.SetEnabled("progUserID", false);
      s.SetChecked("progUserID", false);
      s.SetEnabled("DataSave", false);
      // A disabled box is unchecked: left checked, the data builder would put
      // its preserve marker over the first data byte that is then programmed.
      DataSaveClick();
      s.SetText("Label5", "Program Data Only will only work if Data Protection (CPD) is disabled");
      break;
    case 2:
      eraseOps_.SelectChoice(8);
      s.SetEnabled("VerifyConfig", false);
      s.SetEnabled("progUserID", false);
      s.SetChecked("progUserID", false);
      s.SetEnabled("DataSave", true);
      if (FamilyEntry() == devices::fam_PIC12F16F && OneOf(Data.Column, {4, 5, 12})) {
        s.SetText("Label5", "Program Code Only will program Configuration on this device");
        s.SetEnabled("VerifyConfig", true);
      } else {
        s.SetText("Label5", "");
        s.SetEnabled("VerifyConfig", false);
        s.SetChecked("VerifyConfig", false);
      }
      break;
    default:
      break;
  }
  // The flags follow the final box states (enabling alone runs no handler).
  progUserIDClick();
  VerifyConfigClick();
}

void TMainForm::BulkEraseClick() { Data.BulkEraseOn = controls_.Checked("BulkErase"); }

void TMainForm::matchDeviceIDClick() { Data.MatchID = controls_.Checked("matchDeviceID"); }

void TMainForm::progUserIDClick() {
  Data.ProgramUserID = controls_.Enabled("progUserID") && controls_.Checked("progUserID");
}

void TMainForm::VerifyConfigClick() {
  Data.VerifyConfigOn = controls_.Enabled("VerifyConfig") && controls_.Checked("VerifyConfig");
}

void TMainForm::DataSaveClick() {
  if (!controls_.Enabled("DataSave")) controls_.SetChecked("DataSave", false);
}

void TMainForm::limitProgramsClick() {
  const bool on = controls_.Checked("limitPrograms");
  controls_.SetEnabled("Label7", on);
  controls_.SetEnabled("ProgCount", on);
}

}  // namespace velmar::model
