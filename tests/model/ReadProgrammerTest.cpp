// Read Programmer on the window model against the simulated programmer:
// every way a Read can end (read, link failure with Abort, Retry or demo
// mode, firmware offer accepted, declined or failed, PIC24 firmware on a
// standard programmer, a directory that cannot be read, a missing device
// file, a command-line start), the programmer type dialog, and the link the
// window builds and tunes.
#include <algorithm>

#include <gtest/gtest.h>

#include "devices/TData.h"
#include "link/TReadProg.h"
#include "model/ReadRig.h"
#include "operations/WindowOperations.h"
#include "platform/Paths.h"

using velmar::model::Ctl;
using velmar::model::TypeCtl;

namespace velmar::test {
namespace {

// A shipped firmware file as progsetting.ini names it, in this system's form.
std::string Fw(const std::string& name) { return std::string("FirmWare") + platform::kPathSeparator + name; }

using platform::DlgButton;
using platform::DlgType;

const char* const kOfferEnd = "Click Cancel to Exit and check battery or OK to do Update";

// Answers the programmer type dialog as a person would.
platform::ScriptedDialogs::FormAnswer ChooseType(int model, int version, int firmware = 0) {
  return [=](platform::ModalForm& f) {
    auto& form = dynamic_cast<model::TProgrammerTypeForm&>(f);
    model::ControlStore& s = form.Controls();
    s.UserSelect(TypeCtl::Progs, model);
    if (s.Enabled(TypeCtl::progVersion)) s.UserSelect(TypeCtl::progVersion, version - 1);
    if (s.Enabled(TypeCtl::FirmwareSel) && s.Visible(TypeCtl::FirmwareSel))
      s.UserSelect(TypeCtl::FirmwareSel, firmware);
    s.UserClick(TypeCtl::okButton);
    return form.ModalResult;
  };
}

TEST(ReadProgrammer, ReadsEveryKindAndSetsTheWindowUpForIt) {
  for (int kind = 0; kind <= 5; ++kind) {
    ReadRig rig(kind);
    rig.Stage({SlotSpec{}});
    model::TMainForm& w = rig.Start();
    ASSERT_FALSE(w.CloseRequested) << kind;
    EXPECT_EQ(w.ProgrammerKind, kind);
    EXPECT_EQ(w.KindAtLastRead, kind);
    EXPECT_EQ(w.Programs.EntryCount, 1);
    EXPECT_FALSE(w.Link()->LinkOpen) << "the link is closed after the read";
    EXPECT_FALSE(w.DemoMode);
    const bool multi = kind == 2 || kind == 3 || kind == 4;
    EXPECT_EQ(rig.C().Text(Ctl::slotListHint), multi ? "Set up Files, Device etc then" : "Loaded");
    EXPECT_EQ(rig.C().Visible(Ctl::editButton), multi);
    EXPECT_EQ(rig.C().Text(Ctl::NewButton), multi ? "New" : "Load");
    EXPECT_EQ(rig.C().Items(Ctl::family).size(), kind == 4 || kind == 5 ? 6u : kind == 1 ? 3u : 4u);
    EXPECT_EQ(rig.C().Get(Ctl::MainForm).extra.at("cursor"), "default");
    EXPECT_TRUE(rig.dialogs.script.unexpected.empty()) << rig.dialogs.script.unexpected.front();
  }
}

TEST(ReadProgrammer, APortableProgrammerIsLeftHoldingTheLoadersToken) {
  ReadRig rig(3);
  rig.Start();
  EXPECT_EQ(rig.Sim().token, 0x1234);
  EXPECT_EQ(rig.W().Link()->UnitToken, 0x1234);
}

TEST(ReadProgrammer, EveryReadStartsAgainInNewModeWithoutDemo) {
  ReadRig rig(2);
  rig.Stage({SlotSpec{}, SlotSpec{}});
  model::TMainForm& w = rig.Start();
  w.OperationMode = model::om_Replace;
  w.DemoMode = true;
  rig.C().UserClick(Ctl::ReadProgButton);
  EXPECT_EQ(w.OperationMode, model::om_New);
  EXPECT_FALSE(w.DemoMode);
  EXPECT_EQ(rig.C().Row(Ctl::slotList), 2) << "after a read the last row is selected";
}

TEST(ReadProgrammer, NoProgrammerOffersAbortRetryAndIgnoreAndAbortEndsTheProgram) {
  ReadRig rig(0);
  rig.Sim().usbAttached = false;
  rig.dialogs.script.Answer(DlgButton::Abort);
  model::TMainForm& w = rig.Start();
  ASSERT_EQ(rig.dialogs.script.shown.size(), 1u);
  const platform::MessageBoxRequest& box = rig.dialogs.script.shown[0];
  EXPECT_EQ(box.text, "No USB devices found!");
  EXPECT_EQ(box.type, DlgType::Error);
  EXPECT_EQ(box.buttons, (std::vector<DlgButton>{DlgButton::Abort, DlgButton::Retry, DlgButton::Ignore}));
  EXPECT_EQ(box.defaultButton, DlgButton::Retry);
  EXPECT_TRUE(w.CloseRequested);
  EXPECT_TRUE(w.Closed());
}

TEST(ReadProgrammer, RetryIdentifiesAgainAfterTheSupplyReturns) {
  ReadRig rig(5);
  rig.Sim().supply = false;
  rig.dialogs.onMessage = [&](const platform::MessageBoxRequest& r) {
    if (r.text == "No Voltage Detected! Check battery or power supply") rig.Sim().supply = true;
  };
  rig.dialogs.script.Answer(DlgButton::Retry);
  model::TMainForm& w = rig.Start();
  EXPECT_EQ(rig.Texts(), std::vector<std::string>{"No Voltage Detected! Check battery or power supply"});
  EXPECT_FALSE(w.CloseRequested);
  EXPECT_EQ(w.ProgrammerKind, 5);
  EXPECT_EQ(rig.C().Text(Ctl::slotListHint), "Empty");
}

TEST(ReadProgrammer, ACommandLineStartOffersOnlyAbortAndRetry) {
  ReadRig rig(0);
  rig.Sim().usbAttached = false;
  rig.dialogs.script.Answer(DlgButton::Abort);
  model::TMainForm& w = rig.Start({"unit.prg"});
  ASSERT_EQ(rig.dialogs.script.shown.size(), 1u);
  EXPECT_EQ(rig.dialogs.script.shown[0].buttons, (std::vector<DlgButton>{DlgButton::Abort, DlgButton::Retry}));
  EXPECT_TRUE(w.CloseRequested);
  EXPECT_EQ(rig.loadUnits, 0);
}

struct DemoCase {
  int model, version, kind;
  std::size_t families;
};

void PrintTo(const DemoCase& c, std::ostream* os) { *os << "kind " << c.kind; }

class DemoMode : public ::testing::TestWithParam<DemoCase> {};

TEST_P(DemoMode, IgnoreWorksWithoutAProgrammerOfTheChosenType) {
  const DemoCase c = GetParam();
  ReadRig rig(0);
  rig.Sim().usbAttached = false;
  rig.dialogs.script.Answer(DlgButton::Ignore);
  bool firmwareShown = true;
  rig.dialogs.script.AnswerForm([&](platform::ModalForm& f) {
    auto& form = dynamic_cast<model::TProgrammerTypeForm&>(f);
    firmwareShown = form.Controls().Visible(TypeCtl::FirmwareSel) || form.Controls().Visible(TypeCtl::firmwareNote);
    return ChooseType(c.model, c.version)(f);
  });
  model::TMainForm& w = rig.Create();
  w.ReadProgButtonClick();
  EXPECT_FALSE(w.CloseRequested);
  EXPECT_TRUE(w.DemoMode);
  EXPECT_FALSE(firmwareShown) << "demo mode asks only for the model and version";
  EXPECT_EQ(w.ProgrammerKind, c.kind);
  EXPECT_EQ(w.Link()->Geometry.Kind, c.kind);
  EXPECT_EQ(rig.C().Text(Ctl::slotListHint), "Demo Mode - No Programmer");
  EXPECT_EQ(rig.C().Items(Ctl::family).size(), c.families);
  EXPECT_EQ(rig.C().Visible(Ctl::FindButton), c.kind != 0 && c.kind != 5);
  EXPECT_EQ(rig.C().Visible(Ctl::editButton), c.kind == 2 || c.kind == 3 || c.kind == 4);
  EXPECT_EQ(rig.dialogs.script.shownForms, std::vector<std::string>{"TProgrammerTypeForm"});
  EXPECT_TRUE(rig.dialogs.script.AllAnswersUsed());
}

INSTANTIATE_TEST_SUITE_P(EachProgrammerType, DemoMode,
                         ::testing::Values(DemoCase{0, 1, 0, 4}, DemoCase{0, 2, 5, 6}, DemoCase{1, 1, 2, 4},
                                           DemoCase{1, 2, 4, 6}, DemoCase{2, 1, 3, 4}));

TEST(ReadProgrammer, DemoModeForgetsTheSlotsOfAnEarlierProgrammer) {
  ReadRig rig(3);
  rig.Stage({SlotSpec{}, SlotSpec{}});
  model::TMainForm& w = rig.Start();
  ASSERT_EQ(w.Programs.EntryCount, 2);
  rig.Sim().usbAttached = false;
  rig.dialogs.script.Answer(DlgButton::Ignore);
  rig.dialogs.script.AnswerForm(ChooseType(2, 1));
  rig.C().UserClick(Ctl::ReadProgButton);
  EXPECT_TRUE(w.DemoMode);
  EXPECT_EQ(w.Programs.EntryCount, 0);
  const auto& cells = rig.C().Get(Ctl::slotList).cells;
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[0][0], "Description");
  EXPECT_EQ(cells[1], (std::vector<std::string>{"", "", ""}));
  rig.C().UserClickCell(Ctl::slotList, 1, 0);
  const std::string caption = rig.C().Text(Ctl::ProgCaption);
  rig.C().UserClick(Ctl::showDetailsMenuItem);
  EXPECT_EQ(rig.C().Text(Ctl::ProgCaption), caption) << "no stale slot is shown";
}

// ---- Firmware ----

TEST(ReadProgrammer, AnAcceptedFirmwareUpdateIsFollowedByAFreshRead) {
  ReadRig rig(0);
  rig.Sim().version = 200;
  rig.Stage({SlotSpec{}});
  rig.onChange = [](sim::SimState& s) {
    s.version = 226;
    return true;
  };
  model::TMainForm& w = rig.Start();
  ASSERT_FALSE(w.CloseRequested);
  ASSERT_EQ(rig.changes.size(), 1u);
  EXPECT_EQ(rig.changes[0], (std::pair<std::string, int>{Fw("qrxpicusb.upd"), 0}));
  auto texts = rig.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].rfind("New Firmware version\rWe recommend", 0), 0u) << "an old firmware is warned about";
  EXPECT_EQ(texts[1],
            "Programmer Needs Firmware update\rPress OK to Update\rVersion: $E2 PIC12/16/18\rFirmware:" + rig.program +
                Fw("qrxpicusb.upd") + "\r" + kOfferEnd + "\r\rOffered: 226 (0xE2)\rInstalled: 200 (0xC8)");
  EXPECT_EQ(rig.dialogs.script.shown[1].buttons, (std::vector<DlgButton>{DlgButton::Ok, DlgButton::Cancel}));
  EXPECT_EQ(rig.dialogs.script.shown[1].defaultButton, DlgButton::Cancel) << "Return never starts a firmware update";
  EXPECT_EQ(w.Data.LoadedFirmware, devices::fw_pic);
  EXPECT_EQ(w.Programs.EntryCount, 1);
  EXPECT_EQ(rig.C().Text(Ctl::slotListHint), "Loaded");
}

TEST(ReadProgrammer, DecliningTheUpdateEndsTheProgram) {
  ReadRig rig(3);
  rig.Sim().version = 160;
  rig.dialogs.script.Answer(DlgButton::Cancel);
  model::TMainForm& w = rig.Start();
  EXPECT_TRUE(w.CloseRequested);
  EXPECT_TRUE(rig.changes.empty());
  EXPECT_EQ(rig.dialogs.script.LastText(),
            "Programmer Needs Firmware update\rPress OK to Update\rVersion: 96\rFirmware:" + rig.program +
                Fw("primafw.upd") + "\r" + kOfferEnd + "\r\rOffered: 150 (0x96)\rInstalled: 160 (0xA0)");
  EXPECT_EQ(w.Data.RequiredFirmware, devices::fw_portable);
}

TEST(ReadProgrammer, AFailedUpdateEndsTheProgram) {
  ReadRig rig(4);
  rig.Sim().version = 40;  // below 0x80: taken for PIC24 firmware
  rig.onChange = [](sim::SimState&) { return false; };
  model::TMainForm& w = rig.Start();
  EXPECT_TRUE(w.CloseRequested);
  ASSERT_EQ(rig.changes.size(), 1u);
  EXPECT_EQ(rig.changes[0], (std::pair<std::string, int>{Fw("qrxpic24.upd"), 1}));
}

TEST(ReadProgrammer, TheWindowsOwnFirmwareChangeUpdatesTheProgrammerAndReadGoesOn) {
  ReadRig rig(0);
  rig.Sim().version = 230;  // not the version progsetting.ini expects
  model::TMainForm& w = rig.Create();
  w.SetFirmwareChange(nullptr);  // the real change over the window's link
  rig.dialogs.script.defaultAnswer = platform::DlgButton::Ok;
  w.ReadProgButtonClick();
  EXPECT_FALSE(w.CloseRequested) << rig.dialogs.script.LastText();
  EXPECT_EQ(rig.Sim().version, 226);
  EXPECT_EQ(w.Data.LoadedFirmware, 0);
  EXPECT_EQ(w.Controls().Text(Ctl::slotListHint), "Empty");  // read on to the (empty) slot list
}

// The start-up Read knows no programmer yet; the update must still be the
// one offered for the programmer just identified.
TEST(ReadProgrammer, TheUpdateLoadsTheFirmwareOfferedForTheProgrammerJustIdentified) {
  ReadRig rig(5);
  rig.Sim().firmware = sim::FirmwareKind::pic24;
  rig.Sim().version = 40;  // below 0x80: taken for PIC24 firmware
  model::TMainForm& w = rig.Create();
  w.SetFirmwareChange(nullptr);  // the real change over the window's link
  w.ReadProgButtonClick();
  EXPECT_FALSE(w.CloseRequested) << rig.dialogs.script.LastText();
  const auto texts = rig.Texts();
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                          [](const std::string& t) { return t.find("Version: $30 PIC24\r") != std::string::npos; }));
  EXPECT_EQ(rig.Sim().firmware, sim::FirmwareKind::pic24);
  EXPECT_EQ(rig.Sim().version, 48);
  EXPECT_EQ(w.Data.LoadedFirmware, devices::fw_pic24);
  EXPECT_EQ(w.ProgrammerKind, 5);
}

TEST(ReadProgrammer, PIC24FirmwareOnAStandardProgrammerIsReplacedOrTheProgramCloses) {
  for (bool fixed : {true, false}) {
    ReadRig rig(2);
    rig.Sim().firmware = sim::FirmwareKind::pic24;
    rig.Sim().version = 48;
    rig.onChange = [fixed](sim::SimState& s) {
      if (fixed) s.firmware = sim::FirmwareKind::pic, s.version = 226;
      return true;
    };
    model::TMainForm& w = rig.Start();
    ASSERT_EQ(rig.changes.size(), 1u);
    EXPECT_EQ(rig.changes[0].first, Fw("qrxpicusb.upd")) << "the standard firmware is offered";
    EXPECT_EQ(w.CloseRequested, !fixed);
    if (!fixed) {
      EXPECT_EQ(rig.dialogs.script.LastText(),
                "PIC24 firmware has been incorrectly loaded on standard programmer.\rClosing, run software again to "
                "correct this.");
    }
  }
}

TEST(ReadProgrammer, AnUnidentifiedProgrammerIsNamedInTheTypeDialogBeforeTheOffer) {
  ReadRig rig(4);
  rig.Sim().faults.unknownIdentify = true;
  bool firmwareOffered = false;
  rig.dialogs.script.AnswerForm([&](platform::ModalForm& f) {
    firmwareOffered = dynamic_cast<model::TProgrammerTypeForm&>(f).Controls().Visible(TypeCtl::FirmwareSel);
    return ChooseType(1, 2, 1)(f);
  });
  rig.onChange = [](sim::SimState& s) {
    s.faults.unknownIdentify = false;
    s.firmware = sim::FirmwareKind::pic24;
    s.version = 48;
    return true;
  };
  model::TMainForm& w = rig.Start();
  EXPECT_TRUE(firmwareOffered);
  ASSERT_EQ(rig.changes.size(), 1u);
  EXPECT_EQ(rig.changes[0], (std::pair<std::string, int>{Fw("qrxpic24.upd"), 1}));
  EXPECT_NE(rig.dialogs.script.LastText().find("Version: $30 PIC24\r"), std::string::npos);
  EXPECT_FALSE(w.CloseRequested);
  EXPECT_EQ(w.ProgrammerKind, 4);
  EXPECT_EQ(w.Data.LoadedFirmware, devices::fw_pic24);
}

TEST(ReadProgrammer, AProgrammerStillSilentAfterTheUpdateClosesTheProgram) {
  ReadRig rig(5);
  rig.Sim().faults.unknownIdentify = true;
  rig.dialogs.script.AnswerForm(ChooseType(0, 2, 0));
  rig.onChange = [](sim::SimState&) { return true; };
  model::TMainForm& w = rig.Start();
  EXPECT_TRUE(w.CloseRequested);
  EXPECT_EQ(rig.dialogs.script.LastText(), "Still No Communication - Closing. Check battery");
}

TEST(ReadProgrammer, AForcedUpdateOfAVersionTwoProgrammerWithoutKnownFirmwareOffersTheStandardFile) {
  ReadRig rig(5);
  rig.Sim().version = 0xFF;  // "Programmer Not Responding. ": no firmware known
  rig.dialogs.script.Answer(DlgButton::Retry);
  rig.dialogs.onMessage = [&](const platform::MessageBoxRequest& r) {
    if (r.text == "Programmer Not Responding. ") {
      rig.Sim().version = 226;
      rig.W().forceUpdateButtonClick();  // force an update on the retry
    }
  };
  rig.onChange = [](sim::SimState&) { return true; };
  model::TMainForm& w = rig.Start();
  ASSERT_EQ(rig.changes.size(), 1u);
  EXPECT_EQ(rig.changes[0], (std::pair<std::string, int>{Fw("qrxpicusb.upd"), 0}));
  EXPECT_FALSE(w.CloseRequested);
}

// ---- Directory and device file ----

TEST(ReadProgrammer, ADirectoryThatCannotBeReadClosesTheProgram) {
  ReadRig rig(2);
  rig.Sim().faults.badRead = 1;
  model::TMainForm& w = rig.Start();
  EXPECT_TRUE(w.CloseRequested);
  EXPECT_EQ(rig.Texts(), std::vector<std::string>{"Error reading program list - Closing"});
  EXPECT_FALSE(w.Link()->LinkOpen);
}

TEST(ReadProgrammer, AMissingDeviceFileClosesTheProgram) {
  TempDir program;
  WriteFile(program.File("progsetting.ini"), ReadFile(BinDir() + "progsetting.ini"));
  ReadRig rig(3, program.Path());
  model::TMainForm& w = rig.Start();
  EXPECT_TRUE(w.CloseRequested);
  EXPECT_EQ(rig.dialogs.script.LastText(), "Error opening Device File - " + program.Path() + "devices.ini - Closing");
}

TEST(ReadProgrammer, DemoModeWithoutADeviceFileClosesTheProgramToo) {
  TempDir program;
  WriteFile(program.File("progsetting.ini"), ReadFile(BinDir() + "progsetting.ini"));
  ReadRig rig(3, program.Path());
  rig.Sim().usbAttached = false;
  rig.dialogs.script.Answer(DlgButton::Ignore);
  rig.dialogs.script.AnswerForm(ChooseType(1, 1));
  model::TMainForm& w = rig.Start();
  EXPECT_TRUE(w.CloseRequested);
  EXPECT_EQ(rig.dialogs.script.LastText(), "Error opening Device File - " + program.Path() + "devices.ini - Closing");
}

// ---- Command-line start ----

// The program's parameters, and whether the window stays open after the
// unit was loaded ("show" in any case, and only as the second parameter).
struct CommandLineStart {
  std::vector<std::string> params;
  bool stays;
};
class CommandLineStarts : public ::testing::TestWithParam<CommandLineStart> {};

TEST_P(CommandLineStarts, LoadTheUnitAndEndUnlessAskedToShow) {
  const CommandLineStart& c = GetParam();
  ReadRig rig(3);
  model::TMainForm& w = rig.Start(c.params);
  EXPECT_EQ(rig.loadUnits, 1);
  EXPECT_EQ(w.CloseRequested, !c.stays) << c.params.back();
  EXPECT_EQ(w.Closed(), !c.stays);
  if (c.stays) {
    EXPECT_FALSE(w.CommandLineMode);
    EXPECT_EQ(rig.C().Items(Ctl::family)[3], "PIC18 K ") << "the window is set up for the programmer";
  }
}

INSTANTIATE_TEST_SUITE_P(ReadProgrammer, CommandLineStarts,
                         ::testing::Values(CommandLineStart{{"unit.prg"}, false},
                                           CommandLineStart{{"unit.prg", "sHoW"}, true},
                                           CommandLineStart{{"unit.prg", "x", "Show"}, true},
                                           CommandLineStart{{"unit.prg", "show", "no"}, false},
                                           CommandLineStart{{"unit.prg", "SHOW", ""}, true}));

// ---- The link the window builds ----

TEST(ReadProgrammer, TheWindowsLinkStartsWithItsDelaysAndFollowsTheServiceControls) {
  ReadRig rig(2);
  model::TMainForm& w = rig.Create();
  link::TReadProg& p = *w.Link();
  EXPECT_EQ(p.PageDelay, 40u);
  EXPECT_EQ(p.HalfDelay, 15u);
  EXPECT_EQ(p.UnitToken, 0);
  EXPECT_FALSE(p.UpdateMode);
  w.ReadProgButtonClick();
  w.FormShow();
  EXPECT_EQ(p.HalfDelay, 20u) << "setting.ini's default half delay reached the link";
  rig.C().SetValue(Ctl::DataFlashDel, 77);
  EXPECT_EQ(p.PageDelay, 77u);
  rig.C().UserSelect(Ctl::loaderSpeed, 3);
  EXPECT_EQ(p.ClockDivisor, 99u);
  EXPECT_EQ(p.ProgramFolder, rig.program);
  EXPECT_EQ(p.WorkingFolder, rig.work.Path());
}

TEST(ReadProgrammer, EachReadChoosesTheFoldersAnew) {
  ReadRig rig(0);
  TempDir other;
  model::TMainForm& w = rig.Create();
  w.SetFolderChoice([&] { return image::Folders{other.Path(), rig.program}; });
  w.ReadProgButtonClick();
  EXPECT_EQ(w.Folders.working, other.Path());
  EXPECT_EQ(w.Link()->WorkingFolder, other.Path());
}

TEST(ReadProgrammer, WithoutALinkReadReportsThatNoProgrammerCanBeReached) {
  platform::ScriptedDialogs dialogs;
  dialogs.Answer(DlgButton::Abort);
  model::TMainForm w(dialogs, image::Folders{BinDir(), BinDir()});
  ops::BindOperations(w);
  w.SetCloseHandler([] {});
  w.FormCreate(false);
  w.ReadProgButtonClick();
  EXPECT_TRUE(w.CloseRequested);
  EXPECT_EQ(dialogs.LastText().rfind("No USB devices found!", 0), 0u);
}

// ---- The programmer type dialog ----

TEST(ProgrammerTypeForm, TheChoiceRulesKeepTheFirmwareToWhatTheProgrammerCanTake) {
  model::TProgrammerTypeForm form;
  model::ControlStore& s = form.Controls();
  EXPECT_EQ(s.Text(TypeCtl::TProgrammerTypeForm), "Select Programmer Type");
  EXPECT_EQ(form.Kind(), slot::kind_single);
  form.FormShow(false);
  EXPECT_FALSE(s.Enabled(TypeCtl::FirmwareSel)) << "version 1 is chosen at first";

  s.UserSelect(TypeCtl::progVersion, 1);
  EXPECT_TRUE(s.Enabled(TypeCtl::FirmwareSel));
  s.UserSelect(TypeCtl::FirmwareSel, 1);
  EXPECT_EQ(form.Kind(), slot::kind_single_v2);
  EXPECT_EQ(form.FirmwareToLoad(), 1);

  s.UserSelect(TypeCtl::progVersion, 0);  // version 1 forces PIC12/16/18
  EXPECT_EQ(s.ItemIndex(TypeCtl::FirmwareSel), 0);
  EXPECT_FALSE(s.Enabled(TypeCtl::FirmwareSel));
  EXPECT_EQ(form.FirmwareToLoad(), 0);

  s.UserSelect(TypeCtl::progVersion, 1);
  s.UserSelect(TypeCtl::FirmwareSel, 1);
  s.UserSelect(TypeCtl::Progs, 2);  // portable: neither version nor firmware
  EXPECT_FALSE(s.Enabled(TypeCtl::progVersion));
  EXPECT_FALSE(s.Enabled(TypeCtl::FirmwareSel));
  EXPECT_EQ(form.Kind(), slot::kind_portable);
  EXPECT_EQ(form.FirmwareToLoad(), 0);

  s.UserSelect(TypeCtl::Progs, 1);
  EXPECT_TRUE(s.Enabled(TypeCtl::progVersion));
  EXPECT_TRUE(s.Enabled(TypeCtl::FirmwareSel));
  EXPECT_EQ(form.Kind(), slot::kind_8way_v2);
  EXPECT_EQ(form.FirmwareToLoad(), 1);

  EXPECT_EQ(form.ModalResult, DlgButton::None);
  s.UserClick(TypeCtl::okButton);
  EXPECT_EQ(form.ModalResult, DlgButton::Ok);
  form.FormShow(true);
  EXPECT_EQ(form.ModalResult, DlgButton::None);
  EXPECT_FALSE(s.Visible(TypeCtl::version1Note));
  EXPECT_EQ(form.Kind(), slot::kind_8way_v2) << "the choices stay between showings";
}

}  // namespace
}  // namespace velmar::test
