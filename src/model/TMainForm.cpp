// The main window model: construction, handler binding, the window events
// (create, show, close), the set-up for a programmer kind and the link's
// window seam.
#include "model/TMainForm.h"

#include "link/TReadProg.h"
#include "model/IdentificationTexts.h"
#include "model/LinkTuning.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"

namespace velmar::model {

TMainForm::TMainForm(platform::Dialogs& dialogs, image::Folders folders)
    : Folders(std::move(folders)),
      journal_(dialogs),
      dialogs_(journal_.Trail()),
      eraseOps_(controls_, Data),
      devices_(controls_, Data, Folders, LastDeviceIndex, LastDeviceName,
               {[this] { rules_.ApplyDeviceRules(); }, [this] { DeviceFileMissing(); }}),
      rules_(controls_, Data, eraseOps_, ProgrammerKind, devices_),
      settings_(controls_, dialogs_,
                {Data, Folders, Switches, LastDeviceIndex, LastDeviceName, LastFolder, RecentFiles}, rules_, devices_),
      service_(controls_, dialogs_, eraseOps_, ProgrammerKind, Folders) {
  journal_.SetFolderSource([this] { return Folders.working; });
  BuildInventory();
  BindHandlers();
  LastFolder = Folders.program;
}

TMainForm::~TMainForm() = default;

void TMainForm::BindHandlers() {
  ControlStore& s = controls_;
  auto on = [&s](ControlName name, Event e, void (TMainForm::*h)(), TMainForm* self) {
    s.Bind(name, e, [self, h] { (self->*h)(); });
  };
  on(Ctl::family, Event::Change, &TMainForm::familyClick, this);
  on(Ctl::deviceList, Event::Change, &TMainForm::deviceListChange, this);
  on(Ctl::progMode, Event::Change, &TMainForm::progModeClick, this);
  on(Ctl::VDD_Voltage, Event::Change, &TMainForm::VDD_VoltageClick, this);
  on(Ctl::ProgramOps, Event::Change, &TMainForm::ProgramOpsClick, this);
  on(Ctl::BulkErase, Event::Change, &TMainForm::BulkEraseClick, this);
  on(Ctl::matchDeviceID, Event::Change, &TMainForm::matchDeviceIDClick, this);
  on(Ctl::progUserID, Event::Change, &TMainForm::progUserIDClick, this);
  on(Ctl::VerifyConfig, Event::Change, &TMainForm::VerifyConfigClick, this);
  on(Ctl::DataSave, Event::Change, &TMainForm::DataSaveClick, this);
  on(Ctl::limitPrograms, Event::Change, &TMainForm::limitProgramsClick, this);
  on(Ctl::browseButton, Event::Click, &TMainForm::browseButtonClick, this);
  on(Ctl::fileName, Event::Change, &TMainForm::fileNameChange, this);
  on(Ctl::fileName, Event::Enter, &TMainForm::fileNameEnter, this);
  on(Ctl::loaderSpeed, Event::Change, &TMainForm::loaderSpeedChange, this);
  on(Ctl::DataFlashDel, Event::Change, &TMainForm::DataFlashDelChange, this);
  on(Ctl::HalfDelay, Event::Change, &TMainForm::HalfDelayChange, this);
  on(Ctl::LoadProfile, Event::Click, &TMainForm::LoadProfileClick, this);
  on(Ctl::SaveProfile, Event::Click, &TMainForm::SaveProfileClick, this);
  on(Ctl::eraseOptionsButton, Event::Click, &TMainForm::eraseOptionsButtonClick, this);
  on(Ctl::forceUpdateButton, Event::Click, &TMainForm::forceUpdateButtonClick, this);
  on(Ctl::cancel, Event::Click, &TMainForm::Close, this);
  on(Ctl::manualButton, Event::Click, &TMainForm::manualButtonClick, this);
  on(Ctl::ReadProgButton, Event::Click, &TMainForm::ReadProgButtonClick, this);
  on(Ctl::slotList, Event::Click, &TMainForm::slotListClick, this);
  on(Ctl::FindButton, Event::Click, &TMainForm::FindButtonClick, this);
  on(Ctl::copyCellMenuItem, Event::Click, &TMainForm::copyCellMenuItemClick, this);
  on(Ctl::copyAllMenuItem, Event::Click, &TMainForm::copyAllMenuItemClick, this);
  on(Ctl::showDetailsMenuItem, Event::Click, &TMainForm::showDetailsClick, this);
  on(Ctl::showDetailsButton, Event::Click, &TMainForm::showDetailsClick, this);
  // The slot and whole-unit buttons run the bound operations; their results
  // are for the callers that run them directly (the command line, Load Lots).
  auto button = [&s, this](ControlName name, auto WindowOperations::*hook, const char* what) {
    s.Bind(name, Event::Click, [this, hook, what] { Bound(operations_.*hook, what)(); });
  };
  button(Ctl::NewButton, &WindowOperations::newSlot, "New");
  button(Ctl::editButton, &WindowOperations::replaceSlot, "Replace");
  button(Ctl::upload, &WindowOperations::upload, "upload");
  button(Ctl::loadLots, &WindowOperations::loadLots, "Load Lots");
  button(Ctl::DeleteProgramButton, &WindowOperations::deleteSlot, "Delete");
  button(Ctl::EraseButton, &WindowOperations::eraseUnit, "Erase Unit");
  button(Ctl::CopyButton, &WindowOperations::copyUnit, "Copy Unit");
  button(Ctl::LoadButton, &WindowOperations::loadUnit, "Load Unit");
  findDialog_.SetHandlers([this] { findNameDialogShow(); }, [this] { findNameDialogFind(); });
}

// The firmware change: the replacement a test gave, else the bound one.
bool TMainForm::RunFirmwareChange(const std::string& fileName, int requiredFirmware) {
  if (firmwareChange_) return firmwareChange_(fileName, requiredFirmware);
  return Bound(operations_.changeFirmware, "firmware change")(fileName, requiredFirmware);
}

// ---- Window events ----

void TMainForm::FormCreate(bool startedWithParameters) {
  CreateLink();
  Programs.Clear();
  controls_.SetCells(Ctl::slotList, {{"Description", "Filename", "Device  "}}, 1);
  controls_.SetVisible(Ctl::currentCount, false);
  CommandLineMode = startedWithParameters || !CommandLineParams.empty();
  creating_ = true;
}

void TMainForm::FormShow() {
  limitProgramsClick();
  creating_ = false;
  LoadSettings();
  ApplyLinkPacing();
  ReadVersionTexts();
  SetKindTitle();

  controls_.SetVisible(Ctl::BulkErase, false);
  controls_.SetText(Ctl::bulkEraseNote1, "");
  controls_.SetText(Ctl::bulkEraseNote2, "");
  if (FamilyEntry() == devices::fam_PIC18F) controls_.SetVisible(Ctl::VDD_Voltage, true);

  if (!slot::KindRow(ProgrammerKind).productionCount) {
    controls_.SetVisible(Ctl::errorRepeatCount, false);
    controls_.SetVisible(Ctl::errorRepeatCaption, false);
  } else {
    controls_.SetVisible(Ctl::FindButton, false);
    for (ControlName name : {Ctl::EraseButton, Ctl::LoadButton, Ctl::CopyButton, Ctl::wholeUnitPanel,
                             Ctl::wholeUnitCaption, Ctl::errorRepeatCount, Ctl::errorRepeatCaption})
      controls_.SetVisible(name, true);
  }
  controls_.SetText(Ctl::selectedSlotNumber, "");
  QuietMode = false;
}

void TMainForm::SetKindTitle() {
  const slot::TitleLine line = slot::KindRow(ProgrammerKind).title;
  SetTitle(std::string(slot::TitleText(line)) + " Loader v" + (line == slot::TitleLine::portable ? PCPRIMA : PCQRX));
}

// The window shown for the programmer kind: its family list, the slot
// buttons and count controls it offers and its title.
void TMainForm::ConfigureForKind() {
  Switches.KonOld = platform::IniFile(SettingsPath()).ReadBool("ProgSettings", "KonOld", false);

  int remembered = FamilyEntry();
  devices_.FillFamilyList(ProgrammerKind, Switches.KonOld);

  for (ControlName name :
       {Ctl::EraseButton, Ctl::LoadButton, Ctl::CopyButton, Ctl::wholeUnitPanel, Ctl::wholeUnitCaption})
    controls_.SetVisible(name, true);

  const slot::KindInfo& row = slot::KindRow(ProgrammerKind);
  if (MultiSlotKind()) {
    if (row.findButton) controls_.SetVisible(Ctl::FindButton, true);
    controls_.SetText(Ctl::profileCaption, "Program Slot Options");
    controls_.SetVisible(Ctl::DeleteProgramButton, true);
    controls_.SetVisible(Ctl::editButton, true);
    SetKindTitle();
    if (!row.productionCount) {
      for (ControlName name : {Ctl::limitPrograms, Ctl::progCountCaption, Ctl::ProgCount})
        controls_.SetVisible(name, false);
    } else {
      controls_.SetVisible(Ctl::limitPrograms, true);
      controls_.SetVisible(Ctl::progCountCaption, true);
      controls_.SetText(Ctl::progCountCaption, "Number of Programs/slot");
      controls_.SetVisible(Ctl::ProgCount, true);
    }
  } else {
    controls_.SetVisible(Ctl::FindButton, false);
    SetKindTitle();
    controls_.SetVisible(Ctl::limitPrograms, true);
    controls_.SetVisible(Ctl::progCountCaption, true);
    controls_.SetText(Ctl::progCountCaption, "Number of Programs");
    controls_.SetVisible(Ctl::ProgCount, true);
    controls_.SetVisible(Ctl::DeleteProgramButton, false);
    controls_.SetVisible(Ctl::editButton, false);
    controls_.SetText(Ctl::profileCaption, "Program Options");
    controls_.SetVisible(Ctl::selectedDescription, false);
    controls_.SetVisible(Ctl::selectedSlotNumber, false);
    controls_.SetEnabled(Ctl::NewButton, true);
  }
  controls_.SetText(Ctl::selectedSlotNumber, "");

  if (!creating_) {
    int count = int(controls_.Items(Ctl::family).size());
    controls_.SetItemIndex(Ctl::family, remembered >= 0 && remembered < count ? remembered : 0);
    familyClick();
  }
}

void TMainForm::FormClose() {
  if (closed_) return;
  closed_ = true;
  if (CloseRequested) return;
  // Settings that were never completely loaded are not the user's: keep the
  // file as it is rather than overwrite it with a half-initialised window.
  if (settings_.Loaded()) SaveSettings();
  dialogs_.ShowInformation("Unplug Programmer to exit Loader Mode");
}

void TMainForm::Close() {
  if (closed_) return;
  if (closeHandler_)
    closeHandler_();
  else
    FormClose();
  closed_ = true;
}

void TMainForm::ReadVersionTexts() {
  const VersionTexts texts = settings_.ReadVersionTexts();
  PCQRX = texts.PCQRX;
  PCPRIMA = texts.PCPRIMA;
}

void TMainForm::DeviceFileMissing() {
  if (!closed_)
    dialogs_.MessageDlg("Can not open Devices Inifile", platform::DlgType::Error, {platform::DlgButton::Ok});
  Close();
}

// ---- What the link found ----

void TMainForm::SetTitle(const std::string& title) { controls_.SetText(Ctl::MainForm, title); }

void TMainForm::ShowIdentification(const link::IdentifyFindings& found) {
  if (found.kindAsked) {
    if (found.hardwareVersion) controls_.SetText(Ctl::programmerVersion, ProgrammerVersionText(found));
    controls_.SetVisible(Ctl::programmerVersion, found.hardwareVersion.has_value());
  }
  if (found.kind) {
    // The portable keeps no production count; the single-way and 8-way
    // ones do, and a kind that answers its binary-mode query keeps the
    // controls as they were.
    switch (slot::KindRow(*found.kind).identifyQuery) {
      case slot::IdentifyQuery::versionAndStatus: SetCountControlsVisible(false); break;
      case slot::IdentifyQuery::binaryModeStatus: break;
      case slot::IdentifyQuery::none: SetCountControlsVisible(true); break;
    }
    SetTitle(IdentifiedTitle(found));
  }
  if (found.recognisedFirmware) controls_.SetText(Ctl::programmerFirmware, FirmwareLabelText(found));
}

void TMainForm::SetCountControlsVisible(bool visible) {
  for (ControlName name : {Ctl::ProgCount, Ctl::limitPrograms, Ctl::progCountCaption})
    controls_.SetVisible(name, visible);
}

}  // namespace velmar::model
