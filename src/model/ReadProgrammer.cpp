// Read Programmer, the operation the window runs at start-up and from its
// Read button: choose the folders, identify the programmer (a link failure
// offers Abort, Retry and, outside a command-line start, Ignore for demo
// mode), offer a firmware update when the programmer needs one, read the
// slot directory into the catalogue, show it, and set the window up for the
// programmer kind. Also the building of the window's programmer link at
// FormCreate.
#include "devices/DeviceDatabase.h"
#include "link/D2XXUnit.h"
#include "link/FirmwareVersionFacts.h"
#include "link/LinkErrors.h"
#include "link/TReadProg.h"
#include "model/ReadProgTuning.h"
#include "model/TMainForm.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/Text.h"

namespace velmar::model {

using platform::DlgButton;
using platform::DlgType;

namespace {

const char* const kNoLink = "No USB devices found!\rThe USB driver could not be set up";

// The firmware the Read flow offers: the file, its version text and the
// firmware it makes the required one (-1: leave it).
struct FirmwareOffer {
  std::string file;
  std::string version;
  int required = -1;
  int number = -1;  // the version as a number
};

std::string Hex2(int v) { return text::IntToHex(std::uint64_t(v & 0xFF), 2); }

FirmwareOffer OfferFor(slot::ProgrammerKind kind, int loadedFirmware, const slot::ProgrammerGeometry& g,
                       const devices::TData& d) {
  FirmwareOffer o;
  const slot::KindInfo* row = slot::FindKind(kind);
  if (!row) return o;
  using enum slot::FirmwareLine;
  if (row->firmware == portable) {
    o = {d.FirmwareQRXPrima, Hex2(g.ExpectedPortableVersion), devices::fw_portable, g.ExpectedPortableVersion};
  } else if (row->firmware == picOrPic24 && loadedFirmware == devices::fw_pic24) {
    o = {d.FirmwareQRX24, "$" + Hex2(g.ExpectedPic24Version) + " PIC24", devices::fw_pic24, g.ExpectedPic24Version};
  } else if (row->firmware == pic || row->firmware == picOrPic24) {
    // A version 2 programmer whose firmware could not be told (none found)
    // gets the standard firmware rather than an empty file name, which
    // could only fail.
    o = {d.FirmwareQRX, "$" + Hex2(g.ExpectedPicVersion) + " PIC12/16/18", devices::fw_pic, g.ExpectedPicVersion};
  }
  return o;
}

}  // namespace

// ---- The link ----

void TMainForm::CreateLink() {
  if (link_ || !linkParts_.unit || !linkParts_.clock || !linkParts_.pump) return;
  link_ = std::make_unique<link::TReadProg>(*linkParts_.unit, *linkParts_.clock, dialogs_, Data, *linkParts_.pump);
  link_->OnIdentified = [this](const link::IdentifyFindings& found) { ShowIdentification(found); };
  link_->TakeForcedUpdate = [this] { return service_.TakeForceUpdate(); };
  link_->PageDelay = 40;
  link_->HalfDelay = 15;
  link_->UpdateMode = false;
  link_->UnitToken = 0;
  if (const auto token = linkParts_.newToken) link_->TokenSource = [t = *token] { return t; };
  link_->ProgramFolder = Folders.program;
  link_->ProgramFolderReport = Folders.programSearchReport;
  link_->WorkingFolder = Folders.working;
  journal_.SetClock(linkParts_.clock);
  linkTuning_ = std::make_unique<ReadProgTuning>(*link_);
  service_.SetLinkTuning(linkTuning_.get());
  // The first Read comes before the window loads setting.ini: its pacing is
  // read now.
  Switches.LinkPacing = StoredLinkPacing(platform::IniFile(SettingsPath()));
  ApplyLinkPacing();
}

void TMainForm::ReleaseLink() {
  if (link::D2XXUnit* unit = linkParts_.unit; unit && unit->DeviceHandle) {
    // Closed without a report: the programmer is being let go.
    const bool reports = unit->FTErrorReports;
    unit->FTErrorReports = false;
    unit->CloseFTDevice();
    unit->FTErrorReports = reports;
  }
  service_.SetLinkTuning(nullptr);
  linkTuning_.reset();
  link_.reset();
  linkParts_ = {};
}

void TMainForm::ReopenLink(const LinkParts& parts) {
  const link::LinkPacing pacing = Switches.LinkPacing;  // the window's choice, not setting.ini's
  ReleaseLink();
  UseLink(parts);
  CreateLink();
  Switches.LinkPacing = pacing;
  ApplyLinkPacing();
  ReadProgButtonClick();
}

void TMainForm::FixLinkPacing(link::LinkPacing pacing) {
  fixedPacing_ = pacing;
  ApplyLinkPacing();
}

void TMainForm::ChooseLinkPacing(link::LinkPacing pacing) {
  fixedPacing_.reset();
  Switches.LinkPacing = pacing;
  ApplyLinkPacing();
}

void TMainForm::ApplyLinkPacing() {
  if (link_) link_->Pacing = LinkPacing();
  journal_.SetLinkPacing(link::PacingName(LinkPacing()));
}

slot::ProgrammerGeometry TMainForm::Geometry() const {
  if (link_) return link_->Geometry;
  slot::ProgrammerGeometry g;
  g.ApplyKind(ProgrammerKind);
  return g;
}

void TMainForm::SetHourGlass(bool on) { controls_.SetExtra(Ctl::MainForm, "cursor", on ? "hourglass" : "default"); }

bool TMainForm::HaveLink() {
  if (link_) return true;
  dialogs_.ShowError(kNoLink);
  return false;
}

void TMainForm::CloseLinkQuietly() {
  if (!link_) return;
  try {
    link_->CloseLink(false);
  } catch (const std::exception&) {
    // The link is closed either way; the failure that led here is reported.
  }
}

// ---- Read ----

void TMainForm::ReadProgButtonClick() {
  if (folderChoice_) Folders = folderChoice_();
  if (link_) {
    link_->ProgramFolder = Folders.program;
    link_->ProgramFolderReport = Folders.programSearchReport;
    link_->ProgramFolderReport = Folders.programSearchReport;
    link_->WorkingFolder = Folders.working;
  }
  oplog::OperationRecorder logged = Recording(oplog::LoggedOperation::read);
  ReadOutcome outcome = ReadOutcome::Retry;
  OperationMode = om_New;
  CloseRequested = false;
  DemoMode = false;

  while (outcome == ReadOutcome::Retry) {
    bool failed = false;
    bool reidentify = false;
    SetHourGlass(true);
    try {
      if (!link_) throw link::EISPException(kNoLink);
      link_->Identify();
      ProgrammerKind = link_->Geometry.Kind;
      if (slot::KindRow(ProgrammerKind).unitToken) link_->CheckSameUnit();
    } catch (const link::EISPException& e) {
      failed = true;
      outcome = AskAfterLinkFailure(e.what());
    } catch (const link::EFirmwareUpdate& e) {
      failed = true;
      outcome = OfferFirmwareUpdate(e.what());
      if (outcome == ReadOutcome::None) {
        failed = false;  // updated: identify again and read on
        reidentify = true;
        outcome = ReadOutcome::Retry;
      }
    } catch (const std::exception& e) {
      // Going on to read the directory of a programmer that was never
      // identified would list nonsense; this is a link failure like any.
      failed = true;
      outcome = AskAfterLinkFailure(e.what());
    }
    if (outcome == ReadOutcome::Abort) break;

    if (!failed) {
      outcome = ReadDirectoryAndShow(reidentify, logged);
    } else if (outcome == ReadOutcome::Ignore) {
      outcome = EnterDemoMode();
    }
  }

  if (outcome == ReadOutcome::Abort) {
    CloseRequested = true;
    Close();
  }
  SetHourGlass(false);
}

TMainForm::ReadOutcome TMainForm::AskAfterLinkFailure(const std::string& message) {
  SetHourGlass(false);
  CloseLinkQuietly();
  std::vector<DlgButton> buttons{DlgButton::Abort, DlgButton::Retry};
  if (!CommandLineMode) buttons.push_back(DlgButton::Ignore);
  switch (dialogs_.MessageDlg(message, DlgType::Error, buttons, DlgButton::Retry)) {
    case DlgButton::Retry: return ReadOutcome::Retry;
    case DlgButton::Ignore: return CommandLineMode ? ReadOutcome::Abort : ReadOutcome::Ignore;
    default: return ReadOutcome::Abort;  // Abort, or the box closed without a choice
  }
}

void TMainForm::ApplyChosenKind(std::optional<slot::ProgrammerKind> kind) {
  if (!kind) return;
  ProgrammerKind = *kind;
  if (link_) {
    link_->Geometry.ApplyKind(*kind);
    link_->Use256Pages = slot::KindRow(*kind).pageMode256;
  }
}

// The offer of a firmware update; None when the update ran and succeeded.
TMainForm::ReadOutcome TMainForm::OfferFirmwareUpdate(const std::string& message) {
  CloseLinkQuietly();
  if (Geometry().Kind == slot::kind_unknown) {
    programmerType_.FormShow(false);
    dialogs_.ShowModal(programmerType_);
    ApplyChosenKind(programmerType_.Kind());
    const slot::ProgrammerKind kind = Geometry().Kind;
    Data.LoadedFirmware = slot::KindRow(kind).firmware == slot::FirmwareLine::picOrPic24
                              ? programmerType_.FirmwareToLoad()
                              : devices::fw_pic;
  }

  const FirmwareOffer offer = OfferFor(Geometry().Kind, Data.LoadedFirmware, Geometry(), Data);
  if (offer.required >= 0) Data.RequiredFirmware = offer.required;
  const std::string question = message + "\r" + "Version: " + offer.version + "\r" + "Firmware:" + Folders.program +
                               offer.file + "\r" + "Click Cancel to Exit and check battery or OK to do Update" +
                               "\r\r" + link::VersionFacts(offer.number, link_ ? link_->FirmwareVersion : -1);
  if (dialogs_.MessageDlg(question, DlgType::Information, {DlgButton::Ok, DlgButton::Cancel}, DlgButton::Cancel) !=
      DlgButton::Ok) {
    SetHourGlass(false);
    return ReadOutcome::Abort;
  }
  return RunFirmwareChange(offer.file, Data.RequiredFirmware) ? ReadOutcome::None : ReadOutcome::Abort;
}

TMainForm::ReadOutcome TMainForm::ReadDirectoryAndShow(bool reidentify, oplog::OperationRecorder& logged) {
  Programs.Clear();
  try {
    if (reidentify) {
      link_->Identify();
      ProgrammerKind = link_->Geometry.Kind;
    }
    KindAtLastRead = ProgrammerKind;
    link_->ReadDirectory(Programs);
  } catch (const link::EFirmwareUpdate&) {
    if (link_->Pic24OnStandard)
      dialogs_.ShowError(
          "PIC24 firmware has been incorrectly loaded on standard programmer.\rClosing, run software again to "
          "correct this.");
    else
      dialogs_.ShowError("Still No Communication - Closing. Check battery");
    CloseLinkQuietly();
    return ReadOutcome::Abort;
  } catch (const std::exception& e) {
    // Link failures, and anything else that stops the walk: a list that was
    // not read completely must not pass for the programmer's contents. After
    // a firmware update the failure's own text says more than the general one.
    dialogs_.ShowError(std::string(reidentify ? e.what() : "Error reading program list") + " - Closing");
    CloseLinkQuietly();
    return ReadOutcome::Abort;
  }

  SetHourGlass(false);
  RefreshSlotView();
  CloseLinkQuietly();
  // The programmer has been read out; what follows (a command-line Load
  // Unit, the set-up for its kind) is recorded on its own.
  logged.Succeeded();
  logged.Finish();
  return FinishRead();
}

// After a successful directory read: the unattended unit load of a
// command-line start, or the set-up for the programmer kind.
TMainForm::ReadOutcome TMainForm::FinishRead() {
  if (CommandLineMode) {
    if (loadUnit_)
      loadUnit_();
    else
      Bound(operations_.loadUnit, "Load Unit")();
    std::string show;
    if (CommandLineParams.size() >= 3 && !CommandLineParams[2].empty())
      show = CommandLineParams[2];
    else if (CommandLineParams.size() >= 2)
      show = CommandLineParams[1];
    if (text::UpperCase(show) != "SHOW") {
      CloseRequested = true;
      Close();
      return ReadOutcome::None;
    }
    // The window stays open for work, so it is set up for the programmer
    // like after any other Read.
    CommandLineMode = false;
  }
  try {
    ConfigureForKind();
  } catch (const devices::EDeviceFileMissing&) {
    dialogs_.ShowError("Error opening Device File - " + Folders.program + "devices.ini" + " - Closing");
    CloseLinkQuietly();
    return ReadOutcome::Abort;
  }
  return ReadOutcome::None;
}

TMainForm::ReadOutcome TMainForm::EnterDemoMode() {
  DemoMode = true;
  controls_.SetText(Ctl::slotListHint, "Demo Mode - No Programmer");
  controls_.SetText(Ctl::selectedSlotNumber, "");
  controls_.SetText(Ctl::selectedDescription, "");
  programmerType_.FormShow(true);
  dialogs_.ShowModal(programmerType_);
  ApplyChosenKind(programmerType_.Kind());
  try {
    ConfigureForKind();
  } catch (const devices::EDeviceFileMissing&) {
    dialogs_.ShowError("Error opening Device File - " + Folders.program + "devices.ini" + " - Closing");
    return ReadOutcome::Abort;
  }
  // No programmer: nothing of an earlier one may stay listed or be worked on.
  Programs.Clear();
  std::vector<std::vector<std::string>> rows = controls_.Get(Ctl::slotList).cells;
  for (std::size_t r = 1; r < rows.size(); ++r) rows[r].assign(3, "");
  controls_.SetCells(Ctl::slotList, rows, 1);
  familyClick();
  return ReadOutcome::Ignore;
}

}  // namespace velmar::model
