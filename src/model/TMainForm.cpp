// The main window model: construction, handler binding, the window events
// (create, show, close) and the link's window seam.
#include "model/TMainForm.h"

#include "link/TReadProg.h"
#include "model/LinkTuning.h"
#include "platform/Dialogs.h"

namespace velmar::model {

TMainForm::TMainForm(platform::Dialogs& dialogs, image::Folders folders)
    : Folders(std::move(folders)), journal_(dialogs), dialogs_(journal_.Trail()), eraseOps_(controls_, Data) {
  journal_.SetFolderSource([this] { return Folders.working; });
  BuildInventory();
  BindHandlers();
  LastFolder = Folders.program;
}

TMainForm::~TMainForm() = default;

void TMainForm::BindHandlers() {
  ControlStore& s = controls_;
  auto on = [&s](const char* name, Event e, void (TMainForm::*h)(), TMainForm* self) {
    s.Bind(name, e, [self, h] { (self->*h)(); });
  };
  on("family", Event::Change, &TMainForm::familyClick, this);
  on("deviceList", Event::Change, &TMainForm::deviceListChange, this);
  on("progMode", Event::Change, &TMainForm::progModeClick, this);
  on("VDD_Voltage", Event::Change, &TMainForm::VDD_VoltageClick, this);
  on("ProgramOps", Event::Change, &TMainForm::ProgramOpsClick, this);
  on("BulkErase", Event::Change, &TMainForm::BulkEraseClick, this);
  on("matchDeviceID", Event::Change, &TMainForm::matchDeviceIDClick, this);
  on("progUserID", Event::Change, &TMainForm::progUserIDClick, this);
  on("VerifyConfig", Event::Change, &TMainForm::VerifyConfigClick, this);
  on("DataSave", Event::Change, &TMainForm::DataSaveClick, this);
  on("limitPrograms", Event::Change, &TMainForm::limitProgramsClick, this);
  on("Button1", Event::Click, &TMainForm::Button1Click, this);
  on("Edit1", Event::Change, &TMainForm::Edit1Change, this);
  on("Edit1", Event::Enter, &TMainForm::Edit1Enter, this);
  on("ComboBox1", Event::Change, &TMainForm::ComboBox1Change, this);
  on("DataFlashDel", Event::Change, &TMainForm::DataFlashDelChange, this);
  on("HalfDelay", Event::Change, &TMainForm::HalfDelayChange, this);
  on("LoadProfile", Event::Click, &TMainForm::LoadProfileClick, this);
  on("SaveProfile", Event::Click, &TMainForm::SaveProfileClick, this);
  on("Button2", Event::Click, &TMainForm::Button2Click, this);
  on("Button4", Event::Click, &TMainForm::Button4Click, this);
  on("cancel", Event::Click, &TMainForm::Close, this);
  on("manualButton", Event::Click, &TMainForm::manualButtonClick, this);
  on("ReadProgButton", Event::Click, &TMainForm::ReadProgButtonClick, this);
  on("StringGrid1", Event::Click, &TMainForm::StringGrid1Click, this);
  on("FindButton", Event::Click, &TMainForm::FindButtonClick, this);
  on("CopyCell1", Event::Click, &TMainForm::CopyCell1Click, this);
  on("CopyToClipboard1", Event::Click, &TMainForm::CopyToClipboard1Click, this);
  on("ShowDetails1", Event::Click, &TMainForm::ShowDetails1Click, this);
  on("BitBtn1", Event::Click, &TMainForm::ShowDetails1Click, this);
  // The slot and whole-unit buttons; their results are for the callers
  // that run them directly (the command line, Load Lots).
  auto button = [&s](const char* name, bool (TMainForm::*h)(), TMainForm* self) {
    s.Bind(name, Event::Click, [self, h] { (self->*h)(); });
  };
  button("NewButton", &TMainForm::NewButtonClick, this);
  button("editButton", &TMainForm::editButtonClick, this);
  button("upload", &TMainForm::uploadClick, this);
  on("Button5", Event::Click, &TMainForm::Button5Click, this);
  button("DeleteProgramButton", &TMainForm::DeleteProgramButtonClick, this);
  button("EraseButton", &TMainForm::EraseButtonClick, this);
  button("CopyButton", &TMainForm::CopyButtonClick, this);
  button("LoadButton", &TMainForm::LoadButtonClick, this);
  findDialog_.SetHandlers([this] { FindDialog1Show(); }, [this] { FindDialog1Find(); });
}

bool TMainForm::Supply33Chosen() const {
  return !controls_.Visible("VDD_Voltage") || controls_.Checked("VDD_Voltage");
}

// ---- Window events ----

void TMainForm::FormCreate(bool startedWithParameters) {
  CreateLink();
  Programs.Clear();
  controls_.SetCells("StringGrid1", {{"Description", "Filename", "Device  "}}, 1);
  controls_.SetVisible("Label11", false);
  CommandLineMode = startedWithParameters || !CommandLineParams.empty();
  creating_ = true;
}

void TMainForm::FormShow() {
  limitProgramsClick();
  creating_ = false;
  LoadSettings();
  ReadVersionTexts();
  if (ProgrammerKind == 3)
    SetTitle("Torvik USB Portable Programmer Loader v" + PCPRIMA);
  else
    SetTitle("Torvik USB Handheld Programmer Loader v" + PCQRX);

  controls_.SetVisible("BulkErase", false);
  controls_.SetText("Label3", "");
  controls_.SetText("Label4", "");
  if (FamilyEntry() == 0) controls_.SetVisible("VDD_Voltage", true);

  if (ProgrammerKind == 3) {
    controls_.SetVisible("SpinEdit1", false);
    controls_.SetVisible("Label6", false);
  } else {
    controls_.SetVisible("FindButton", false);
    for (const char* name : {"EraseButton", "LoadButton", "CopyButton", "Panel1", "Label17", "SpinEdit1", "Label6"})
      controls_.SetVisible(name, true);
  }
  controls_.SetText("Label16", "");
  QuietMode = false;
}

void TMainForm::FormClose() {
  if (closed_) return;
  closed_ = true;
  if (CloseRequested) return;
  // Settings that were never completely loaded are not the user's: keep the
  // file as it is rather than overwrite it with a half-initialised window.
  if (settingsLoaded_) SaveSettings();
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

// ---- The link's window seam ----

void TMainForm::SetTitle(const std::string& title) { controls_.SetText("MainForm", title); }

void TMainForm::SetProgrammerVersionLabel(bool visible, const std::string& text) {
  if (visible) controls_.SetText("Label22", text);
  controls_.SetVisible("Label22", visible);
}

void TMainForm::SetFirmwareLabel(const std::string& text) { controls_.SetText("Label23", text); }

void TMainForm::SetCountControlsVisible(bool visible) {
  for (const char* name : {"ProgCount", "limitPrograms", "Label7"}) controls_.SetVisible(name, visible);
}

namespace {
const char* const kForceOff = "Force Update Off";
const char* const kForceOn = "Force Update On";
}  // namespace

void TMainForm::Button4Click() {
  controls_.SetText("Button4", controls_.Text("Button4") == kForceOn ? kForceOff : kForceOn);
}

bool TMainForm::TakeForceUpdate() {
  if (controls_.Text("Button4") != kForceOn) return false;
  Button4Click();
  return true;
}

}  // namespace velmar::model
