// The main window as a Qt-free model (`TMainForm`): every control by its
// name in a ControlStore, the option and device record `TData`, the
// remembered device positions, the settings switches and folders, and the
// window's handlers under their own names. The Qt front end binds widgets to
// the store both ways; the command line and the tests drive the handlers
// directly. The form owns one small class per concept and its handlers of
// that concept only hand over to it: the device list and device change
// (DeviceSelection), the family, mode and supply rules (FamilyRules),
// setting.ini and the profiles (SettingsStore) and the hidden service
// controls (ServiceControls), each given the controls and the state it reads
// and writes. Further handlers have their bodies in the files of their
// concept: the hex file choice and desktop conveniences in
// model/DesktopSupport.cpp, Read Programmer in model/ReadProgrammer.cpp,
// the slot list in model/SlotListView.cpp and Show Slot Details in
// model/SlotDetails.cpp. New, Replace, Delete, the whole-unit buttons and
// the firmware change live above the window, in operations/: the window
// reaches them only through the hooks whoever builds it installs
// (ops::BindOperations), and they reach the window through its public part.
// The window owns the programmer link (built at
// FormCreate on the parts it is given) and the slot catalogue, and shows
// what each identification of the programmer found.
#pragma once

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "devices/TData.h"
#include "image/ISPDefs.h"
#include "link/IdentifyFindings.h"
#include "link/PacingComparison.h"
#include "model/ControlStore.h"
#include "model/DeviceSelection.h"
#include "model/FamilyRules.h"
#include "model/FindNameDialog.h"
#include "model/ServiceControls.h"
#include "model/SettingsStore.h"
#include "model/TEraseOpsForm.h"
#include "model/TProgrammerTypeForm.h"
#include "oplog/OperationJournal.h"
#include "slot/ProgrammerGeometry.h"
#include "slot/TProgramEntry.h"

namespace velmar::platform {
class Clock;
class Dialogs;
class MessagePump;
}  // namespace velmar::platform

namespace velmar::image {
class THexList;
}

namespace velmar::link {
class D2XXUnit;
class TReadProg;
struct BlankPageRule;
struct EmptiedHeader;
}  // namespace velmar::link

namespace velmar::model {

class LinkTuning;
class ProgressView;

// The slot operation under way; it selects the success message of the slot
// write and the row the slot list selects after a refresh.
enum OperationMode : int { om_New = 0, om_Replace = 1, om_Delete = 2 };

// What the window builds its programmer link on. The link environment
// (hardware or simulated programmer) owns them; the window only uses them.
struct LinkParts {
  link::D2XXUnit* unit = nullptr;
  platform::Clock* clock = nullptr;
  platform::MessagePump* pump = nullptr;
  std::string driver;  // the backend's name for the log: "sim", "libftdi" or "d2xx"
  // A test's fixed unit token for new tokens (frontend::LinkEnvironment::
  // FixedNewToken); none: the link makes random ones.
  std::optional<std::uint16_t> newToken;
  // Where the programmer is plugged in, for the log ("": unknown).
  std::string location;
};

// The firmware change run in its progress window: the firmware file (relative
// to the program folder) and the required firmware; true when it succeeded.
using FirmwareChange = std::function<bool(const std::string& fileName, int requiredFirmware)>;

// What the window's operation buttons, Read and a dropped unit image run.
// Each returns true when its operation ran to success; false when it
// stopped, was declined or failed, after its message.
struct WindowOperations {
  std::function<bool()> newSlot;      // New
  std::function<bool()> replaceSlot;  // Replace
  std::function<bool()> upload;       // the shared New and Replace for the current OperationMode
  std::function<void()> loadLots;     // New repeated quietly
  std::function<bool()> deleteSlot;
  std::function<bool()> eraseUnit;
  std::function<bool()> copyUnit;
  std::function<bool()> loadUnit;
  std::function<bool(const std::string& file)> loadUnitFrom;  // Load Unit of a file chosen already
  FirmwareChange changeFirmware;                              // over the window's link
};

}  // namespace velmar::model

namespace velmar::model {

class TMainForm final {
 public:
  TMainForm(platform::Dialogs& dialogs, image::Folders folders);
  // The handler classes hold references into the form, so it stays where it
  // was made.
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;
  ~TMainForm();

  ControlStore& Controls() { return controls_; }
  const ControlStore& Controls() const { return controls_; }
  TEraseOpsForm& EraseOpsForm() { return eraseOps_; }
  platform::Dialogs& Dialogs() { return dialogs_; }
  // The operation log: every operation on the programmer appends a record
  // to velmar-log.jsonl in the working folder.
  oplog::OperationJournal& Journal() { return journal_; }

  // The link settings reached by the hidden speed and delay controls (none
  // until the programmer link is bound).
  void SetLinkTuning(LinkTuning* tuning) { service_.SetLinkTuning(tuning); }

  // ---- Link pacing (link/LinkPacing.h) ----
  // The pacing in force: the one the command line fixed for this run, else
  // the one setting.ini keeps (Switches.LinkPacing).
  link::LinkPacing LinkPacing() const { return fixedPacing_.value_or(Switches.LinkPacing); }
  // The command line's choice: in force for this run, setting.ini keeps its own.
  void FixLinkPacing(link::LinkPacing pacing);
  // The user's choice in the window: in force, and kept in setting.ini.
  void ChooseLinkPacing(link::LinkPacing pacing);
  // Help > Check Connection > "Test fast exchanges": both pacings compared
  // through the window's link (link/PacingComparison.h), nothing written,
  // the result recorded in the operation log. None when there is no link
  // (that is shown); the window says what the comparison found.
  std::optional<link::PacingComparison> TestLinkPacings();

  // ---- Programmer link and what Read uses ----
  // The parts FormCreate builds the programmer link on; without them the
  // window has no link and Read reports that no programmer can be reached.
  void UseLink(const LinkParts& parts) {
    linkParts_ = parts;
    journal_.SetDriver(parts.driver);
    journal_.SetLocation(parts.location);
  }
  link::TReadProg* Link() { return link_.get(); }
  // Lets the link go, so that the front end may close what it stood on
  // (the window then has no link until ReopenLink).
  void ReleaseLink();
  // Builds the link anew on `parts` (another programmer) and reads it.
  void ReopenLink(const LinkParts& parts);
  // The link's kind and dataflash geometry (from the programmer kind alone
  // when there is no link).
  slot::ProgrammerGeometry Geometry() const;
  // Chooses the working and program folders at every Read (the folders
  // given at construction stay when there is none).
  void SetFolderChoice(std::function<image::Folders()> choose) { folderChoice_ = std::move(choose); }
  // The operations the buttons run (ops::BindOperations installs them); a
  // window without them throws std::logic_error when one is asked for.
  void SetOperations(WindowOperations operations) { operations_ = std::move(operations); }
  // Replaces the firmware change (tests); without one it runs over the link.
  void SetFirmwareChange(FirmwareChange change) { firmwareChange_ = std::move(change); }
  // The front end's presentation of the progress window (none: no window is
  // shown, the operations still run).
  void SetProgressView(model::ProgressView* view) { progressView_ = view; }
  model::ProgressView* ProgressView() const { return progressView_; }
  // The firmware change (the replacement, or the updater in its own progress
  // window over the window's link): true when it succeeded (a failure has
  // shown its message).
  bool RunFirmwareChange(const std::string& fileName, int requiredFirmware);
  // Replaces the Load Unit a command-line start runs after reading the
  // programmer (tests); without one, the bound Load Unit runs.
  void SetLoadUnit(std::function<void()> loadUnit) { loadUnit_ = std::move(loadUnit); }
  TProgrammerTypeForm& ProgrammerTypeForm() { return programmerType_; }
  FindNameDialog& FindDialog() { return findDialog_; }

  // Called when the window must close by itself (the front end closes its
  // window, which runs FormClose). Without one, Close runs FormClose.
  void SetCloseHandler(std::function<void()> handler) { closeHandler_ = std::move(handler); }
  void Close();
  bool Closed() const { return closed_; }

  // ---- State besides the controls ----
  devices::TData Data;
  RememberedIndexes LastDeviceIndex{};  // per family code
  // The remembered device by name, per family code: it wins over the
  // position when the device list has changed since it was stored.
  RememberedNames LastDeviceName{};
  std::string LastFolder;
  image::Folders Folders;
  // Told by the link at each identification.
  slot::ProgrammerKind ProgrammerKind = slot::kind_single;
  // The setting.ini switches no control shows.
  SettingSwitches Switches;
  // Version texts from progsetting.ini.
  std::string PCQRX;
  std::string PCPRIMA;
  // The slot catalogue, filled by Read and shown by the slot list.
  slot::TProgramEntryList Programs;
  // Run state.
  std::vector<std::string> CommandLineParams;  // the program's parameters, first one first
  int OperationMode = om_New;
  bool DemoMode = false;
  slot::ProgrammerKind KindAtLastRead = slot::kind_single;  // the programmer kind when the directory was last read
  int FindStart = 0;                                        // the record where the next Find Name search starts
  bool CommandLineMode = false;
  bool CloseRequested = false;  // close without saving the settings
  bool QuietMode = false;
  bool Creating() const { return creating_; }

  // ---- Window events ----
  // Builds the programmer link (when parts were given), writes the list's
  // title row and notes a command-line start.
  void FormCreate(bool startedWithParameters = false);
  void FormShow();
  void FormClose();

  // ---- Device database and device selection ----
  void deviceListChange() { devices_.deviceListChange(); }
  std::string FindDeviceByID(const std::string& id) const { return devices_.FindDeviceByID(id); }
  // Rebuilds the family list for the programmer kind and sets the window up
  // for it. Throws devices::EDeviceFileMissing when DEVICES.INI is needed and
  // missing.
  void ConfigureForKind();

  // ---- Family, programming mode and supply rules ----
  void familyClick() { rules_.familyClick(); }
  void progModeClick() { rules_.progModeClick(); }
  void VDD_VoltageClick() { rules_.VDD_VoltageClick(); }
  void ProgramOpsClick() { rules_.ProgramOpsClick(); }
  void BulkEraseClick() { rules_.BulkEraseClick(); }
  void matchDeviceIDClick() { rules_.matchDeviceIDClick(); }
  void progUserIDClick() { rules_.progUserIDClick(); }
  void VerifyConfigClick() { rules_.VerifyConfigClick(); }
  void DataSaveClick() { rules_.DataSaveClick(); }
  void limitProgramsClick() { rules_.limitProgramsClick(); }

  // ---- Read Programmer ----
  // The whole Read: identify (with Retry, Abort and Ignore for demo mode),
  // offer a firmware update, read the slot directory, show it and set the
  // window up for the programmer kind. Abort sets CloseRequested and closes.
  void ReadProgButtonClick();

  // ---- Slot list view ----
  void RefreshSlotList();        // multi-slot layout
  void RefreshSingleSlotView();  // single-slot layout
  void RefreshSlotView();        // the layout of the programmer kind
  void slotListClick();          // was StringGrid1Click
  void FindButtonClick();
  void findNameDialogShow();  // was FindDialog1Show
  // Searches from FindStart; true when a slot matched (its row is selected).
  bool findNameDialogFind();     // was FindDialog1Find
  void copyCellMenuItemClick();  // was CopyCell1Click
  void copyAllMenuItemClick();   // was CopyToClipboard1Click

  // ---- What the operations (operations/) use of the window ----
  const LinkParts& Parts() const { return linkParts_; }
  // Shows the missing link as a link failure; false when there is no link.
  bool HaveLink();
  void SetHourGlass(bool on);
  void CloseLinkQuietly();
  // A record of an operation on the programmer; the programmer's facts
  // (kind, model, serial, firmware version) are added when it is written.
  oplog::OperationRecorder Recording(oplog::LoggedOperation operation);
  // The program New and Replace write: description, device, family, file.
  void RecordProgram(oplog::OperationRecord& record) const;

  // ---- Slot details ----
  void showDetailsClick();  // was ShowDetails1Click; the menu entry and the button
  // Family, device and options from the header of the slot in list row `row`;
  // false when nothing was shown (no such slot, an emptied one, or a family
  // this programmer does not offer).
  bool ShowSlotDetails(int row);

  // ---- Settings and profiles ----
  void LoadSettings() { settings_.LoadSettings(); }
  // Writes setting.ini in the working folder (the saving step of FormClose).
  // False after the error message when it could not be written.
  bool SaveSettings() { return settings_.SaveSettings(); }
  std::string SettingsPath() const { return settings_.SettingsPath(); }
  // Every setting.ini value in the order the window writes them.
  std::vector<SettingEntry> SettingsEntries() const { return settings_.SettingsEntries(); }
  void LoadProfileClick() { settings_.LoadProfileClick(); }
  void SaveProfileClick() { settings_.SaveProfileClick(); }
  // The profile steps after the file choice (also used by the command line).
  void LoadProfile(const std::string& path) { settings_.LoadProfile(path); }
  bool SaveProfile(const std::string& path, std::string* error = nullptr) { return settings_.SaveProfile(path, error); }
  // The devices the last setting.ini and profile loaded selected by position
  // alone (their files name none of the family's devices).
  const std::vector<PositionChoice>& PositionChoices() const { return settings_.PositionChoices(); }
  // What the window says while such a device is the one selected ("" else).
  std::string DeviceNoticeText() const;

  // ---- Hex file choice (model/DesktopSupport.cpp) ----
  void browseButtonClick();  // was Button1Click
  void fileNameChange();     // was Edit1Change
  void fileNameEnter();      // was Edit1Enter

  // ---- Service controls ----
  void loaderSpeedChange() { service_.loaderSpeedChange(); }  // was ComboBox1Change
  void DataFlashDelChange() { service_.DataFlashDelChange(); }
  void HalfDelayChange() { service_.HalfDelayChange(); }
  // The service shortcuts (was ApplicationEvents1ShortCut); true when the
  // shortcut was consumed (Shift and Ctrl held).
  bool serviceShortcutKey(ShortcutKey key, bool shift, bool ctrl) {
    return service_.serviceShortcutKey(key, shift, ctrl);
  }
  // The last-resort error handler (was ApplicationEvents2Exception).
  void errorHandlerException(const std::string& message) { service_.errorHandlerException(message); }
  void errorHandlerException(const std::exception& e) { errorHandlerException(std::string(e.what())); }
  // The erase options, shown modally (was Button2Click).
  void eraseOptionsButtonClick() { service_.eraseOptionsButtonClick(); }
  // Toggles the forced firmware update (was Button4Click).
  void forceUpdateButtonClick() { service_.forceUpdateButtonClick(); }
  void manualButtonClick() { service_.manualButtonClick(); }  // the attached programmer's quick-start guide

  // ---- Desktop conveniences (model/DesktopSupport.cpp) ----
  // What the status bar shows about the attached programmer.
  struct ProgrammerStatus {
    bool connected = false;  // a programmer answered at the last Read
    std::string model;       // "GX-800", "PX-110", ... ("" when unknown)
    std::string serial;      // the USB interface's serial number
    int firmwareVersion = -1;
    int slotsUsed = 0;
    int slotsFree = 0;
  };
  ProgrammerStatus Status() const;
  // The status as one line ("GX-800 · interface FT12AB · firmware 227 ·
  // 3 slots used, 5 free"; "Demo mode - no programmer" in demo mode).
  std::string StatusText() const;
  // The characters the slot description still takes, and that as a text.
  int DescriptionRoom() const;
  std::string DescriptionRoomText() const;
  // A file dropped on the window: a program file becomes the File Name as a
  // Browse would make it. False (nothing changes) for anything else.
  bool DropFile(const std::string& path);
  bool AcceptsDroppedFile(const std::string& path) const;
  // The program files chosen last, newest first (at most kRecentFiles).
  static constexpr std::size_t kRecentFiles = SettingsStore::kRecentFiles;
  std::vector<std::string> RecentFiles;
  // Makes a recent file the File Name again; a file that is gone is
  // reported and dropped from the list.
  bool OpenRecentFile(const std::string& path);
  // A file named alone on the command line, once the window is shown: a
  // program file becomes the File Name; for a unit image the user is asked
  // whether to run Load Unit on it (which asks its own questions). True when
  // the file became the File Name or was loaded.
  bool OpenStartFile(const std::string& path);
  // The About box text: Velmar's, Qt's (given by the front end) and
  // libftdi's versions and the attached programmer's firmware.
  std::string AboutText(const std::string& qtVersion) const;
  void AboutClick(const std::string& qtVersion);
  // Replaces the programmer's firmware on request: after a question (No by
  // default) the forced update is set and the programmer read, which offers
  // the update. False when declined or in demo mode.
  bool UpdateFirmwareClick();

  // ---- What the link found ----
  void SetTitle(const std::string& title);
  // The title of the programmer kind's window, with the loader's version.
  void SetKindTitle();
  // Sets the title, the programmer-version and firmware labels and the
  // production-count controls from what an identification found (as far as
  // it got).
  void ShowIdentification(const link::IdentifyFindings& found);

  // Short reads of the window state the rules test.
  int FamilyEntry() const { return controls_.ItemIndex(Ctl::family); }
  // The programmer kind holds several slots (the 8-way and portable ones).
  bool MultiSlotKind() const { return slot::KindRow(ProgrammerKind).multiSlot; }
  // The 3.3 V supply counts as chosen when its box is hidden or checked.
  bool Supply33Chosen() const { return rules_.Supply33Chosen(); }

 private:
  // ProgCount, limitPrograms and progCountCaption together.
  void SetCountControlsVisible(bool visible);
  void BuildInventory();
  void BindHandlers();
  // DEVICES.INI is gone at a device change: says so and closes the window.
  void DeviceFileMissing();
  void ReadVersionTexts();
  // The bound operation, or std::logic_error naming it when none is.
  template <typename Hook>
  static const Hook& Bound(const Hook& hook, const char* what) {
    if (!hook) throw std::logic_error(std::string("the window's ") + what + " is not bound (ops::BindOperations)");
    return hook;
  }
  void SetFlashFile(const std::string& path) { settings_.SetFlashFile(path); }
  void RememberRecentFile(const std::string& path);

  // Read Programmer steps (model/ReadProgrammer.cpp).
  enum class ReadOutcome { None, Retry, Abort, Ignore };
  void CreateLink();
  ReadOutcome AskAfterLinkFailure(const std::string& message);
  ReadOutcome OfferFirmwareUpdate(const std::string& message);
  ReadOutcome ReadDirectoryAndShow(bool reidentify, oplog::OperationRecorder& logged);
  ReadOutcome FinishRead();
  ReadOutcome EnterDemoMode();
  void ApplyChosenKind(std::optional<slot::ProgrammerKind> kind);
  // Slot list steps (model/SlotListView.cpp).
  void ShowSelectedRow(int row);
  void CheckSlotFirmware(int index);
  void CheckFull();
  // A refresh that keeps the selected row (Show Slot Details).
  void RefreshKeepingRow(int row);
  void RecordProgrammer(oplog::OperationRecord& record) const;
  // Hands the pacing in force to the link and the operation log.
  void ApplyLinkPacing();

  oplog::OperationJournal journal_;  // before dialogs_, which is its trail
  platform::Dialogs& dialogs_;
  ControlStore controls_;
  TEraseOpsForm eraseOps_;
  LinkParts linkParts_;
  std::unique_ptr<link::TReadProg> link_;
  std::unique_ptr<LinkTuning> linkTuning_;
  std::optional<link::LinkPacing> fixedPacing_;
  std::function<image::Folders()> folderChoice_;
  WindowOperations operations_;
  FirmwareChange firmwareChange_;
  model::ProgressView* progressView_ = nullptr;
  std::function<void()> loadUnit_;
  TProgrammerTypeForm programmerType_;
  FindNameDialog findDialog_;
  std::function<void()> closeHandler_;
  bool creating_ = true;
  bool closed_ = false;
  // The handlers by concept, over the state above (declared last, so that
  // everything they are given exists before them).
  DeviceSelection devices_;
  FamilyRules rules_;
  SettingsStore settings_;
  ServiceControls service_;
};

}  // namespace velmar::model
