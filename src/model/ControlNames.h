// The names of the controls the window models keep, as compile-time
// constants: `Ctl` for the main window, `FindCtl` for the Find Name dialog,
// `EraseCtl` for the erase options dialog and `TypeCtl` for the programmer
// type dialog. A `ControlName` can only be made here, so every lookup in a
// ControlStore names a control that exists and a misspelt name does not
// compile. The names' texts are what users see in the command line's
// --set option and its reports, and what the Qt front end uses as
// object names; text typed by a user is turned into a control by the store
// (ControlStore::FindNoCase), which says plainly when there is none.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace velmar::model {

struct Ctl;
struct FindCtl;
struct EraseCtl;
struct TypeCtl;

class ControlName {
 public:
  // No control: the parent of the controls that sit on the window itself.
  constexpr ControlName() = default;

  constexpr std::string_view View() const { return text_; }
  std::string Str() const { return std::string(text_); }
  const char* CStr() const { return text_; }
  constexpr bool Empty() const { return text_[0] == '\0'; }

  friend constexpr bool operator==(ControlName a, ControlName b) { return a.View() == b.View(); }

 private:
  constexpr explicit ControlName(const char* text) : text_(text) {}
  friend struct Ctl;
  friend struct FindCtl;
  friend struct EraseCtl;
  friend struct TypeCtl;

  const char* text_ = "";
};

// The main window.
struct Ctl {
  using N = ControlName;
  static constexpr N MainForm{"MainForm"};  // the window; its text is the title
  // File and device.
  static constexpr N fileNameCaption{"fileNameCaption", "Label1"};            // "File Name" caption
  static constexpr N fileName{"fileName", "Edit1"};              // the program file's name, without folder
  static constexpr N browseButton{"browseButton", "Button1"};          // "Browse" for the program file
  static constexpr N programFileDialog{"programFileDialog", "OpenDialog1"};  // the program file chooser
  static constexpr N familyCaption{"familyCaption", "Label24"};          // "PIC Family" caption
  static constexpr N family{"family"};            // the family drop-down list
  static constexpr N Device{"Device"};            // "Device" caption
  static constexpr N deviceList{"deviceList"};    // the device drop-down list of the family
  // Option boxes.
  static constexpr N matchDeviceID{"matchDeviceID"};            // "Match Device ID"
  static constexpr N VerifyConfig{"VerifyConfig"};              // "Verify Configuration Bytes"
  static constexpr N unusedFuses{"unusedFuses"};                // "Mask Unimplemented Fuses to 0"
  static constexpr N progUserID{"progUserID"};                  // "Program User ID"
  static constexpr N DataSave{"DataSave"};                      // "Preserve Data Memory"
  static constexpr N bootSave{"bootSave"};                      // "Preserve Boot Block" (hidden)
  static constexpr N BulkErase{"BulkErase"};                    // "Bulk Erase"
  static constexpr N VDD_Voltage{"VDD_Voltage"};                // "3.3V VDD Voltage Output" for LF devices
  static constexpr N targetPowerNote{"targetPowerNote", "Label2"};                          // bulk erase note, first line
  static constexpr N bulkEraseNote1{"bulkEraseNote1", "Label3"};                          // bulk erase note, second line
  static constexpr N bulkEraseNote2{"bulkEraseNote2", "Label4"};                          // bulk erase note, third line
  static constexpr N VerifyAfterWriting{"VerifyAfterWriting"};  // "Verify after writing": read pages back
  // Groups.
  static constexpr N progModeGroup{"progModeGroup", "GroupBox2"};          // holds the programming mode
  static constexpr N progMode{"progMode"};            // Low or High Voltage Programming
  static constexpr N Progmodelabel{"Progmodelabel"};  // the note under the programming mode
  static constexpr N programOpsGroup{"programOpsGroup", "GroupBox1"};          // holds the program options
  static constexpr N ProgramOps{"ProgramOps"};        // Program All, Data Only or Code Only
  static constexpr N dataOnlyNote{"dataOnlyNote", "Label5"};                // the 'Program Data Only' note
  // Slot list and slot description.
  static constexpr N slotList{"slotList", "StringGrid1"};            // the slot list
  static constexpr N slotListMenu{"slotListMenu", "PopupMenu1"};              // the slot list's right-click menu
  static constexpr N copyAllMenuItem{"copyAllMenuItem", "CopyToClipboard1"};  // "Copy All To Clipboard" menu entry
  static constexpr N showDetailsMenuItem{"showDetailsMenuItem", "ShowDetails1"};          // "Show Slot Details" menu entry
  static constexpr N copyCellMenuItem{"copyCellMenuItem", "CopyCell1"};                // "Copy Cell" menu entry
  static constexpr N showDetailsButton{"showDetailsButton", "BitBtn1"};                    // "Show Slot Details" button
  static constexpr N slotListHint{"slotListHint", "Label9"};                      // the hint under the slot list, e.g. "Click New Program"
  static constexpr N slotListHint2{"slotListHint2", "Label10"};                    // its second line, e.g. "Click New or Replace Program"
  static constexpr N descriptionCaption{"descriptionCaption", "Label12"};                    // "Enter Program Description" caption
  static constexpr N newSlotNumber{"newSlotNumber", "Label13"};                    // the number of the slot New writes, e.g. "001"
  static constexpr N ProgCaption{"ProgCaption"};            // the description New and Replace write
  static constexpr N selectedSlotNumber{"selectedSlotNumber", "Label16"};                    // the number of the selected slot
  static constexpr N selectedDescription{"selectedDescription", "ProgCaption2"};          // the selected slot's description (read only)
  static constexpr N detailsFileName{"detailsFileName", "Label20"};                    // the file name read from a slot's details
  static constexpr N programmerVersion{"programmerVersion", "Label22"};                    // the programmer's version
  static constexpr N programmerFirmware{"programmerFirmware", "Label23"};                    // the programmer's firmware
  static constexpr N findNameDialog{"findNameDialog", "FindDialog1"};            // the Find Name dialog
  static constexpr N fontDialog{"fontDialog", "FontDialog1"};            // a font chooser (not used)
  // Slot buttons and counts.
  static constexpr N slotOperationsCaption{"slotOperationsCaption", "Label19"};                          // "Program Operations" caption
  static constexpr N DeleteProgramButton{"DeleteProgramButton"};  // "Delete"
  static constexpr N editButton{"editButton"};                    // "Replace"
  static constexpr N NewButton{"NewButton"};                      // "New"
  static constexpr N ReadProgButton{"ReadProgButton"};            // "Read"
  static constexpr N upload{"upload"};                            // the hidden "Upload" (New and Replace)
  static constexpr N loadLots{"loadLots", "Button5"};                          // the hidden "Load Lots"
  static constexpr N errorRepeatCaption{"errorRepeatCaption", "Label6"};                            // "LED (Error) Repeat No." caption
  static constexpr N errorRepeatCount{"errorRepeatCount", "SpinEdit1"};                      // how often the error LED code repeats
  static constexpr N limitPrograms{"limitPrograms"};              // "Limit Programs Allowed"
  static constexpr N progCountCaption{"progCountCaption", "Label7"};                            // "Number of Programs" caption
  static constexpr N ProgCount{"ProgCount"};                      // how many programmings a slot allows
  static constexpr N currentCount{"currentCount", "Label11"};                          // a slot's current count, e.g. "Current : 5"
  static constexpr N manualButton{"manualButton"};                // "Manual": the quick-start guide
  static constexpr N cancel{"cancel"};                            // "Close"
  // Whole-programmer panel and profiles.
  static constexpr N wholeUnitPanel{"wholeUnitPanel", "Panel1"};            // holds the whole-programmer buttons
  static constexpr N wholeUnitCaption{"wholeUnitCaption", "Label17"};          // "Complete Programmer Functions" caption
  static constexpr N EraseButton{"EraseButton"};  // "Erase Unit"
  static constexpr N CopyButton{"CopyButton"};    // "Copy Unit"
  static constexpr N LoadButton{"LoadButton"};    // "Load Unit"
  static constexpr N FindButton{"FindButton"};    // "Find Name"
  static constexpr N profileSaveDialog{"profileSaveDialog", "SaveDialog1"};  // the profile file chooser for saving
  static constexpr N profilePanel{"profilePanel", "Panel2"};            // holds the profile buttons
  static constexpr N profileCaption{"profileCaption", "Label18"};          // "Program Slot Options" caption
  static constexpr N LoadProfile{"LoadProfile"};  // "Load Profile"
  static constexpr N SaveProfile{"SaveProfile"};  // "Save Profile"
  // Service controls (shown by the service shortcuts).
  static constexpr N eraseOptionsButton{"eraseOptionsButton", "Button2"};            // "Erase Options": the erase options dialog
  static constexpr N helpButton{"helpButton", "Button3"};            // "Help" (hidden)
  static constexpr N forceUpdateButton{"forceUpdateButton", "Button4"};            // "Force Update Off/On": the forced firmware update
  static constexpr N speedCaption{"speedCaption", "Label8"};              // "Speed" caption
  static constexpr N loaderSpeed{"loaderSpeed", "ComboBox1"};        // the loader speed
  static constexpr N pageDelayCaption{"pageDelayCaption", "Label14"};            // "Page Delay" caption
  static constexpr N DataFlashDel{"DataFlashDel"};  // the dataflash page delay
  static constexpr N halfDelayCaption{"halfDelayCaption", "Label15"};            // "Half Delay" caption
  static constexpr N HalfDelay{"HalfDelay"};        // the dataflash half-page delay
  // Non-visual parts.
  static constexpr N versionInfo{"versionInfo", "FileVersionInfo1"};      // the program's version numbers
  static constexpr N serviceShortcuts{"serviceShortcuts", "ApplicationEvents1"};  // the service shortcuts
  static constexpr N errorHandler{"errorHandler", "ApplicationEvents2"};  // the last-resort error handler
};

// The Find Name dialog.
struct FindCtl {
  using N = ControlName;
  static constexpr N findNameDialog{"findNameDialog", "FindDialog1"};  // the dialog; its text is the title
  static constexpr N findWhatCaption{"findWhatCaption", "Label1"};            // "Find what:" caption
  static constexpr N FindText{"FindText"};        // the text to find
  static constexpr N MatchCase{"MatchCase"};      // "Match case"
  static constexpr N WholeWord{"WholeWord"};      // "Match whole word only"
  static constexpr N FindNext{"FindNext"};        // "Find Next"
  static constexpr N Cancel{"Cancel"};            // "Cancel": closes the dialog
};

// The erase options dialog.
struct EraseCtl {
  using N = ControlName;
  static constexpr N EraseOpsForm{"EraseOpsForm"};  // the dialog; its text is the title
  static constexpr N choicePanel{"choicePanel", "Panel1"};              // holds the erase choices
  // The erase choices 1 to 9 (radio buttons).
  static constexpr std::array<N, 9> RadioButton{N{"RadioButton1"}, N{"RadioButton2"}, N{"RadioButton3"},
                                                N{"RadioButton4"}, N{"RadioButton5"}, N{"RadioButton6"},
                                                N{"RadioButton7"}, N{"RadioButton8"}, N{"RadioButton9"}};
  static constexpr N OK{"OK"};          // "OK": takes the choice
  static constexpr N Cancel{"Cancel"};  // "Cancel": changes nothing
};

// The programmer type dialog.
struct TypeCtl {
  using N = ControlName;
  static constexpr N TProgrammerTypeForm{"TProgrammerTypeForm"};  // the dialog; its text is the title
  static constexpr N Progs{"Progs"};                              // the programmer model: single-way, 8-way or portable
  static constexpr N progVersion{"progVersion"};                  // the hardware version: 1 or 2
  static constexpr N FirmwareSel{"FirmwareSel"};                  // the firmware to load: PIC12/16/18 or PIC24
  static constexpr N version2Note{"version2Note", "Label1"};                            // "Version 2 Programmers Only"
  static constexpr N firmwareNote{"firmwareNote", "Label2"};                            // "Select PIC12/16/18 or PIC24 Firmware to load"
  static constexpr N version1Note{"version1Note", "Label3"};    // "Version 1 programmer must use PIC12/16/18 Firmware"
  static constexpr N okButton{"okButton", "Button1"};  // "OK"
};

}  // namespace velmar::model
