// The main window's controls as the window is created: names, kinds,
// captions, hints, entries, ranges, initial values and visibility, area by
// area. Behaviour is bound separately (TMainForm::BindHandlers).
#include <string>
#include <vector>

#include "model/TMainForm.h"

namespace velmar::model {

namespace {

using K = ControlKind;

Control Make(ControlName name, K kind, const std::string& text = {}, const std::string& hint = {},
             ControlName parent = {}) {
  return MakeControl(name, kind, text, hint, parent);
}

Control Hidden(Control c) {
  c.visible = false;
  return c;
}

Control Checked(Control c, bool on) {
  c.checked = on;
  return c;
}

Control Spin(ControlName name, int min, int max, int value, const std::string& hint = {}) {
  Control c = Make(name, K::SpinBox, std::to_string(value), hint);
  c.minValue = min;
  c.maxValue = max;
  c.value = value;
  return c;
}

Control Choices(ControlName name, K kind, const std::string& text, std::vector<std::string> items, int index,
                const std::string& hint = {}, ControlName parent = {}) {
  Control c = Make(name, kind, text, hint, parent);
  c.items = std::move(items);
  c.itemIndex = index;
  return c;
}

Control Wrapped(Control c) {
  c.wordWrap = true;
  return c;
}

const char* const kWholeUnitHint = "These buttons modify the whole programmer, so use with care";
const char* const kDescriptionHint = "Maximum 28 Characters";

}  // namespace

void TMainForm::BuildInventory() {
  ControlStore& s = controls_;
  s.Add(Make(Ctl::MainForm, K::Form, "Torvik Prima Programmer Loader v1.0.0"));

  // File and device.
  s.Add(Make(Ctl::fileNameCaption, K::Label, "File Name"));
  s.Add(Make(Ctl::fileName, K::Edit));  // the program file's name, without folder
  s.Add(Make(Ctl::browseButton, K::Button, "Browse"));
  Control open = Make(Ctl::programFileDialog, K::OpenDialog);
  open.extra = {{"defaultExt", "hex"}, {"filter", "Hex|*.hex|All Files|*.*"}, {"initialDir", ""}};
  s.Add(open);
  s.Add(Make(Ctl::familyCaption, K::Label, "PIC Family"));
  s.Add(Choices(Ctl::family, K::DropDown, "PIC18F", {"PIC18F", "PIC12F-16F", "PIC18J", "PIC18K"}, 0));
  s.Add(Make(Ctl::Device, K::Label, "Device"));
  Control devices = Make(Ctl::deviceList, K::DropDown, "",
                         "Some devices have F and LF versions.\r\nMake sure you choose the correct one\r\n"
                         "or you will get an ID mismatch");
  devices.sorted = true;
  s.Add(devices);

  // Option boxes.
  s.Add(Make(Ctl::matchDeviceID, K::CheckBox, "Match Device ID"));
  s.Add(Make(Ctl::VerifyConfig, K::CheckBox, "Verify Configuration Bytes"));
  s.Add(Make(Ctl::unusedFuses, K::CheckBox, "Mask Unimplemented Fuses to 0",
             "Set Unimplemented Configuration Bits to 0"));
  s.Add(Checked(Make(Ctl::progUserID, K::CheckBox, "Program User ID"), true));
  s.Add(Make(Ctl::DataSave, K::CheckBox, "Preserve Data Memory"));
  s.Add(Hidden(Make(Ctl::bootSave, K::CheckBox, "Preserve Boot Block", "No Flash Verify with Preserve Boot Block")));
  s.Add(Checked(Make(Ctl::BulkErase, K::CheckBox, "Bulk Erase"), true));
  s.Add(Make(Ctl::VDD_Voltage, K::CheckBox, "3.3V VDD Voltage Output ",
             "For LF devices - Uncheck to give 5VDD if erase and programming errors occur"));
  s.Add(Make(Ctl::targetPowerNote, K::Label, "Bulk erase only works if target voltage is above 4.5V"));
  s.Add(Make(Ctl::bulkEraseNote1, K::Label, "Below 4.5V uncheck Bulk Erase. Locked devices"));
  s.Add(Make(Ctl::bulkEraseNote2, K::Label, "cannot be reprogrammed without Bulk Erase."));
  s.Add(Make(Ctl::VerifyAfterWriting, K::CheckBox, "Verify after writing",
             "Read every page back after New, Replace and Load Unit and compare it with what was written; "
             "Copy Unit reads every page twice"));

  // Groups.
  s.Add(Make(Ctl::progModeGroup, K::Group));
  s.Add(Choices(Ctl::progMode, K::ChoiceGroup, "Programming Mode",
                {"Low Voltage Programming", "High Voltage Programming"}, 1, {}, Ctl::progModeGroup));
  s.Add(Wrapped(Make(Ctl::Progmodelabel, K::Label, "Progmodelabel", {}, Ctl::progModeGroup)));
  s.Add(Make(Ctl::programOpsGroup, K::Group));
  s.Add(Choices(Ctl::ProgramOps, K::ChoiceGroup, "Program Options",
                {"Program All", "Program Data Only", "Program Code Only"}, 0,
                "Program Code only may also Program Configuration Bytes", Ctl::programOpsGroup));
  s.Add(Wrapped(Make(Ctl::dataOnlyNote, K::Label, "'Program Data Only' will only work if Data Protection (CPD) is disabled",
                     {}, Ctl::programOpsGroup)));

  // Slot list and slot description.
  Control grid = Make(Ctl::slotList, K::Grid, "", "Right Click to Show Details and Copy");
  grid.colCount = 3;
  grid.cells = {{"", "", ""}};
  grid.extra = {
      {"defaultColWidth", "150"}, {"popupMenu", Ctl::slotListMenu.Str()}, {"rowSelect", "1"}, {"resizable", "1"}};
  s.Add(grid);
  s.Add(Make(Ctl::slotListMenu, K::PopupMenu));
  s.Add(Make(Ctl::copyAllMenuItem, K::MenuItem, "Copy All To Clipboard", {}, Ctl::slotListMenu));
  s.Add(Make(Ctl::showDetailsMenuItem, K::MenuItem, "Show Slot Details", {}, Ctl::slotListMenu));
  s.Add(Make(Ctl::copyCellMenuItem, K::MenuItem, "Copy Cell", {}, Ctl::slotListMenu));
  s.Add(Make(Ctl::showDetailsButton, K::Button, "Show Slot Details",
             "Show highlighted slot details - all settings will be updated"));
  s.Add(Make(Ctl::slotListHint, K::Label, "Click New Program"));
  s.Add(Make(Ctl::slotListHint2, K::Label, "       "));
  s.Add(Make(Ctl::descriptionCaption, K::Label, "Enter Program Description", kDescriptionHint));
  s.Add(Make(Ctl::newSlotNumber, K::Label, "000 "));
  // The slot keeps 28 characters of the description; the box takes no more.
  Control caption = Make(Ctl::ProgCaption, K::Edit, "*Enter Program Description *", kDescriptionHint);
  caption.maxLength = 28;
  s.Add(caption);
  s.Add(Make(Ctl::selectedSlotNumber, K::Label, "selectedSlotNumber"));
  Control caption2 = Make(Ctl::selectedDescription, K::Edit);
  caption2.enabled = false;
  caption2.maxLength = 28;
  s.Add(caption2);
  s.Add(Make(Ctl::detailsFileName, K::Label));
  s.Add(Make(Ctl::programmerVersion, K::Label));
  s.Add(Make(Ctl::programmerFirmware, K::Label));
  Control find = Make(Ctl::findNameDialog, K::FindDialog);
  find.extra = {{"direction", "down"}, {"hideDirection", "1"}};
  s.Add(find);
  s.Add(Make(Ctl::fontDialog, K::FontDialog));

  // Slot buttons and counts.
  s.Add(Make(Ctl::slotOperationsCaption, K::Label, "Program Operations"));
  s.Add(Make(Ctl::DeleteProgramButton, K::Button, "Delete"));
  s.Add(Make(Ctl::editButton, K::Button, "Replace"));
  s.Add(Make(Ctl::NewButton, K::Button, "New"));
  s.Add(Make(Ctl::ReadProgButton, K::Button, "Read"));
  Control upload = Hidden(Make(Ctl::upload, K::Button, "Upload"));
  upload.extra = {{"default", "1"}};
  s.Add(upload);
  s.Add(Hidden(Make(Ctl::loadLots, K::Button, "Load Lots")));
  s.Add(Wrapped(Make(Ctl::errorRepeatCaption, K::Label, "LED (Error)  Repeat No.",
                     "Red Error Codes: 2- Error, 3- Data, 4- Code, 5- User ID, 6- Config, 7- Device ID, 8 - Count "
                     "reached, 9 - Slot Empty (8-way),  10 - Header Checksum Error, 11 - Flash Checksum Error")));
  s.Add(Spin(Ctl::errorRepeatCount, 0, 255, 10,
             "Red Error Codes: 2- ICSP Entry Fail, 3- Data, 4- Code, 5- User ID, 6- Config, 7- Device ID, 8- Count "
             "Limit Reached, 9- Programmer or Slot Empty, 10-Header Checksum Error, 11: Flash Checksum Error"));
  s.Add(Hidden(Make(Ctl::limitPrograms, K::CheckBox, "Limit Programs Allowed")));
  s.Add(Hidden(Make(Ctl::progCountCaption, K::Label, "Number of Programs")));
  s.Add(Spin(Ctl::ProgCount, 1, 65535, 10,
             "Red Error Codes: 2- ICSP Entry Fail, 3- Data, 4- Code, 5- User ID, 6- Config, 7- Device ID, 8- Count "
             "Limit Reached, 9- Programmer or Slot Empty"));
  s.Add(Make(Ctl::currentCount, K::Label, "currentCount"));
  s.Add(Make(Ctl::manualButton, K::Button, "Manual"));
  Control cancel = Make(Ctl::cancel, K::Button, "Close");
  cancel.extra = {{"cancel", "1"}};
  s.Add(cancel);

  // Whole-programmer panel and profiles.
  s.Add(Make(Ctl::wholeUnitPanel, K::Panel));
  s.Add(Make(Ctl::wholeUnitCaption, K::Label, "Complete Programmer Functions", "Advanced Functions - Modify Whole Programmer",
             Ctl::wholeUnitPanel));
  s.Add(Hidden(Make(Ctl::EraseButton, K::Button, "Erase Unit", kWholeUnitHint)));
  s.Add(Hidden(Make(Ctl::CopyButton, K::Button, "Copy Unit", kWholeUnitHint)));
  s.Add(Make(Ctl::LoadButton, K::Button, "Load Unit", kWholeUnitHint));
  s.Add(Make(Ctl::FindButton, K::Button, "Find Name", "This buttons searches the whole programmer list"));
  Control save = Make(Ctl::profileSaveDialog, K::SaveDialog);
  save.extra = {{"defaultExt", ".met"}, {"filter", "Met|*.met|All Files|*.*"}, {"initialDir", ""}};
  s.Add(save);
  s.Add(Make(Ctl::profilePanel, K::Panel, "", "Loads and saves filename, device and programming checkboxes and options"));
  s.Add(Make(Ctl::profileCaption, K::Label, "Program Slot Options", {}, Ctl::profilePanel));
  s.Add(Make(Ctl::LoadProfile, K::Button, "Load Profile",
             "Loads filename, device and programming checkboxes and options"));
  s.Add(Make(Ctl::SaveProfile, K::Button, "Save Profile",
             "Saves filename, device and programming checkboxes and options"));

  // Service controls.
  s.Add(Hidden(Make(Ctl::eraseOptionsButton, K::Button, "Erase Options")));
  s.Add(Hidden(Make(Ctl::helpButton, K::Button, "Help")));
  s.Add(Hidden(Make(Ctl::forceUpdateButton, K::Button, "Force Update Off")));
  s.Add(Hidden(Make(Ctl::speedCaption, K::Label, "Speed")));
  s.Add(Hidden(Choices(Ctl::loaderSpeed, K::DropDown, "1 - Fast",
                       {"0 - Fastest", "1 - Fast", "2 - Medium Fast", "3 - Medium", "4 - Medium Slow", "5 - Slow",
                        "6 - Very Slow", "7 - Slowest"},
                       1, "Loader Speed")));
  s.Add(Hidden(Make(Ctl::pageDelayCaption, K::Label, "Page Delay")));
  Control pageDelay = Hidden(Spin(Ctl::DataFlashDel, 1, 255, 40, "Dataflash delay"));
  pageDelay.maxLength = 3;
  s.Add(pageDelay);
  s.Add(Hidden(Make(Ctl::halfDelayCaption, K::Label, "Half Delay")));
  Control halfDelay = Hidden(Spin(Ctl::HalfDelay, 1, 255, 10, "Dataflash delay"));
  halfDelay.maxLength = 3;
  s.Add(halfDelay);

  // Non-visual parts.
  Control version = Make(Ctl::versionInfo, K::Component);
  version.extra = {{"fileVersion", "1.2.0.26"}, {"productVersion", "1.0.0.0"}, {"countryCode", "080904E4"}};
  s.Add(version);
  s.Add(Make(Ctl::serviceShortcuts, K::Component));
  s.Add(Make(Ctl::errorHandler, K::Component));
}

}  // namespace velmar::model
