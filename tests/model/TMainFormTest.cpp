// The main window model: its initial inventory, the family list of each
// programmer kind, the window-show steps, what the link found, the erase
// options dialog and the service controls.
#include <gtest/gtest.h>

#include <set>

#include "devices/DeviceDatabase.h"
#include "model/WindowFixture.h"
#include "operations/WindowOperations.h"

using velmar::model::Ctl;

using namespace velmar;
using velmar::test::WindowFixture;

namespace {

TEST(MainWindowInventory, StartsAsTheWindowIsCreated) {
  platform::ScriptedDialogs dialogs;
  model::TMainForm w(dialogs, {"/w/", "/p/"});
  ops::BindOperations(w);
  const model::ControlStore& c = w.Controls();
  EXPECT_EQ(c.Items(Ctl::family), (std::vector<std::string>{"PIC18F", "PIC12F-16F", "PIC18J", "PIC18K"}));
  EXPECT_EQ(c.Text(Ctl::MainForm), "Torvik Prima Programmer Loader v1.0.0");
  EXPECT_EQ(c.ItemIndex(Ctl::progMode), 1);
  EXPECT_EQ(c.ItemIndex(Ctl::ProgramOps), 0);
  EXPECT_TRUE(c.Checked(Ctl::BulkErase));
  EXPECT_TRUE(c.Checked(Ctl::progUserID));
  EXPECT_FALSE(c.Visible(Ctl::bootSave));
  EXPECT_EQ(c.Get(Ctl::errorRepeatCount).maxValue, 255);
  EXPECT_EQ(c.Get(Ctl::ProgCount).maxValue, 65535);
  EXPECT_EQ(c.Get(Ctl::selectedDescription).maxLength, 28);
  EXPECT_EQ(c.Get(Ctl::ProgCaption).maxLength, 28) << "the description box takes only what the slot keeps";
  EXPECT_FALSE(c.Enabled(Ctl::selectedDescription));
  EXPECT_TRUE(c.Get(Ctl::deviceList).sorted);
  for (model::ControlName hidden : {Ctl::eraseOptionsButton, Ctl::helpButton, Ctl::forceUpdateButton, Ctl::loaderSpeed,
                                    Ctl::DataFlashDel, Ctl::HalfDelay, Ctl::upload, Ctl::loadLots, Ctl::limitPrograms,
                                    Ctl::progCountCaption, Ctl::EraseButton, Ctl::CopyButton})
    EXPECT_FALSE(c.Visible(hidden)) << hidden.Str();
  std::set<std::string> names;
  for (const auto* ctl : c.All()) EXPECT_TRUE(names.insert(ctl->name.Str()).second) << ctl->name.Str();
  EXPECT_GT(names.size(), 80u);
}

TEST(FamilyListForKind, FollowsTheKindAndTheDeviceFile) {
  WindowFixture f;
  f.Show(4);
  EXPECT_EQ(f.C().Items(Ctl::family),
            (std::vector<std::string>{"PIC18F", "PIC12F-16F", "PIC18J", "PIC18 K ", "PIC24F", "dsPIC30"}));
  EXPECT_EQ(devices::FamilyListForKind(slot::kind_single, false, f.program.Path()).size(), 4u);
  EXPECT_EQ(devices::FamilyListForKind(slot::kind_8way, false, f.program.Path()).size(), 4u);
  EXPECT_EQ(devices::FamilyListForKind(slot::kind_single_old, false, f.program.Path()).size(), 3u);
  EXPECT_EQ(devices::FamilyListForKind(slot::kind_single_old, true, f.program.Path()).size(), 4u);
}

TEST(FamilyListForKind, KindOneReadsKonOldFromTheWorkingFolder) {
  WindowFixture f;
  velmar::test::WriteFile(f.working.File("setting.ini"), "[ProgSettings]\nKonOld=1\n");
  f.Show(1);
  EXPECT_TRUE(f.W().Switches.KonOld);
  EXPECT_EQ(f.C().Items(Ctl::family).size(), 4u);
}

TEST(FamilyListForKind, PicTwentyFourOnlyFollowsTheKEntry) {
  WindowFixture f("[PIC24FJ64GA002]\n[dsPIC30F4011]\n[PIC18F452]\n");
  EXPECT_EQ(devices::FamilyListForKind(slot::kind_8way_v2, false, f.program.Path()).size(), 3u);
}

TEST(FamilyListForKind, AMissingDeviceFileFailsUnlessNotNeeded) {
  WindowFixture f("");
  EXPECT_EQ(devices::FamilyListForKind(slot::kind_single_old, false, f.program.Path()).size(), 3u);
  try {
    devices::FamilyListForKind(slot::kind_8way_v2, false, f.program.Path());
    FAIL();
  } catch (const devices::EDeviceFileMissing& e) {
    EXPECT_EQ(std::string(e.what()), "Error Opening Device File - " + f.program.Path() + "DEVICES.INI");
  }
}

TEST(WindowShow, SetsTitleLabelsAndKindControls) {
  WindowFixture f;
  f.Show(4);
  EXPECT_EQ(f.C().Text(Ctl::MainForm), "Torvik USB Handheld Programmer Loader v5.1.0");
  EXPECT_FALSE(f.C().Visible(Ctl::BulkErase));
  EXPECT_EQ(f.C().Text(Ctl::bulkEraseNote1), "");
  EXPECT_EQ(f.C().Text(Ctl::selectedSlotNumber), "");
  EXPECT_TRUE(f.C().Visible(Ctl::EraseButton));
  EXPECT_FALSE(f.C().Visible(Ctl::FindButton));
  WindowFixture portable;
  portable.Show(3);
  EXPECT_EQ(portable.C().Text(Ctl::MainForm), "Torvik USB Portable Programmer Loader v6.2.0");
  EXPECT_FALSE(portable.C().Visible(Ctl::errorRepeatCount));
  EXPECT_FALSE(portable.C().Visible(Ctl::ProgCount));
  EXPECT_TRUE(portable.C().Visible(Ctl::FindButton));
}

TEST(ConfigureForKind, AfterStartUpReselectsTheFamily) {
  WindowFixture f;
  f.Show(4);
  f.C().UserSelect(Ctl::family, 5);
  f.W().ProgrammerKind = slot::kind_single_old;
  f.W().ConfigureForKind();
  EXPECT_EQ(f.C().Items(Ctl::family).size(), 3u);
  EXPECT_EQ(f.W().FamilyEntry(), 0);  // the list is now shorter
  EXPECT_EQ(f.W().Data.Family, 0);
  EXPECT_FALSE(f.C().Visible(Ctl::editButton));
  EXPECT_EQ(f.C().Text(Ctl::progCountCaption), "Number of Programs");
}

// What an identification found, as far as it got, shown in the window.
struct ShownIdentification {
  const char* what;
  link::IdentifyFindings found;
  const char* title;          // the window title afterwards ("T": unchanged)
  const char* versionLabel;   // nullptr: hidden
  const char* firmwareLabel;  // "F": unchanged
  bool countControlsVisible;  // they start hidden
};

class ShowIdentificationOf : public ::testing::TestWithParam<ShownIdentification> {};

TEST_P(ShowIdentificationOf, SetsTitleLabelsAndCountControlsFromWhatWasFound) {
  const ShownIdentification& c = GetParam();
  SCOPED_TRACE(c.what);
  WindowFixture f;
  model::TMainForm& w = f.Show();
  w.SetTitle("T");
  f.C().SetText(Ctl::programmerVersion, "old version");
  f.C().SetVisible(Ctl::programmerVersion, true);
  f.C().SetText(Ctl::programmerFirmware, "F");
  for (model::ControlName name : {Ctl::ProgCount, Ctl::limitPrograms, Ctl::progCountCaption})
    f.C().SetVisible(name, false);
  w.ShowIdentification(c.found);
  EXPECT_EQ(f.C().Text(Ctl::MainForm), c.title);
  EXPECT_EQ(f.C().Visible(Ctl::programmerVersion), c.versionLabel != nullptr);
  if (c.versionLabel) {
    EXPECT_EQ(f.C().Text(Ctl::programmerVersion), c.versionLabel);
  }
  EXPECT_EQ(f.C().Text(Ctl::programmerFirmware), c.firmwareLabel);
  EXPECT_EQ(f.C().Visible(Ctl::limitPrograms), c.countControlsVisible);
  EXPECT_EQ(f.C().Visible(Ctl::progCountCaption), c.countControlsVisible);
}

link::IdentifyFindings Found(std::optional<slot::ProgrammerKind> kind, std::optional<std::uint8_t> hardware = {},
                             std::optional<devices::Firmware> firmware = {}) {
  link::IdentifyFindings f;
  f.kindAsked = true;
  f.kind = kind;
  f.hardwareVersion = hardware;
  f.recognisedFirmware = firmware;
  f.loaderVersion = "5.1.0";
  return f;
}

INSTANTIATE_TEST_SUITE_P(
    Findings, ShowIdentificationOf,
    ::testing::Values(
        ShownIdentification{"nothing found", link::IdentifyFindings{}, "T", "old version", "F", false},
        ShownIdentification{"kind not recognised", Found(std::nullopt), "T", nullptr, "F", false},
        ShownIdentification{"single-way, standard firmware", Found(slot::kind_single, {}, devices::fw_pic),
                            "Torvik USB Handheld Programmer v5.1.0", nullptr, "", true},
        ShownIdentification{"8-way keeps the count controls as they were", Found(slot::kind_8way, {}, devices::fw_pic),
                            "Torvik USB Handheld Programmer v5.1.0", nullptr, "", false},
        ShownIdentification{"second version, PIC24 firmware", Found(slot::kind_8way_v2, {}, devices::fw_pic24),
                            "Torvik USB Handheld Programmer v5.1.0", nullptr, "PIC24 Firmware Loaded", false},
        ShownIdentification{"second version, standard firmware", Found(slot::kind_8way_v2, {}, devices::fw_pic),
                            "Torvik USB Handheld Programmer v5.1.0", nullptr, "PIC12/16/18 Firmware Loaded", false},
        ShownIdentification{"portable version 2", Found(slot::kind_portable, 0x0C, devices::fw_portable),
                            "Torvik USB Portable Programmer v5.1.0", "Programmer Version 2",
                            "Portable Programmer Firmware", false},
        ShownIdentification{"portable whose status query failed", Found(std::nullopt, 0x0B), "T",
                            "Programmer Version 1", "F", false}));

struct EraseCase {
  int column;
  int choice;
  bool bulkBefore;
  bool bulkAfter;
  int flagAfter;  // -1: unchanged
};

TEST(EraseOptions, ChoicesBecomeEraseCodesByColumn) {
  const EraseCase cases[] = {
      {0, 1, true, false, 0xD0}, {5, 3, false, true, 0x30},  {4, 3, true, false, 0x50}, {8, 9, true, false, -1},
      {1, 1, false, true, 0x0A}, {10, 2, false, true, 0x80}, {9, 4, false, true, -1},   {11, 1, true, true, -1},
  };
  for (const EraseCase& c : cases) {
    WindowFixture f;
    model::TMainForm& w = f.Show();
    w.Data.Column = c.column;
    w.Data.EraseFlag = 0x77;
    f.C().SetChecked(Ctl::BulkErase, c.bulkBefore);
    w.EraseOpsForm().SelectChoice(c.choice);
    w.EraseOpsForm().OKClick();
    EXPECT_EQ(f.C().Checked(Ctl::BulkErase), c.bulkAfter) << c.column << "/" << c.choice;
    EXPECT_EQ(w.Data.BulkEraseOn, c.bulkAfter) << c.column << "/" << c.choice;
    EXPECT_EQ(w.Data.EraseFlag, c.flagAfter < 0 ? 0x77 : c.flagAfter) << c.column << "/" << c.choice;
  }
}

TEST(EraseOptions, ShowingEnablesTheColumnsChoicesAndKeepsTheChoice) {
  WindowFixture f;
  model::TMainForm& w = f.Show();
  auto& dlg = w.EraseOpsForm();
  w.Data.Column = 8;
  f.C().UserClick(Ctl::eraseOptionsButton);
  std::string enabled;
  for (int i = 1; i <= 9; ++i) enabled += dlg.Controls().Enabled(dlg.ChoiceName(i)) ? '1' : '0';
  EXPECT_EQ(enabled, "010100000");
  dlg.SelectChoice(4);
  dlg.CancelClick();
  w.Data.Column = 42;  // unknown: nothing changes
  dlg.FormShow();
  EXPECT_EQ(dlg.Choice(), 4);
  EXPECT_FALSE(dlg.Controls().Enabled(dlg.ChoiceName(1)));
}

TEST(ServiceControls, KeysNeedShiftAndCtrlAndShowTheirControls) {
  WindowFixture f;
  model::TMainForm& w = f.Show();
  EXPECT_FALSE(w.serviceShortcutKey(model::ShortcutKey::F2, true, false));
  EXPECT_FALSE(f.C().Visible(Ctl::loaderSpeed));
  EXPECT_TRUE(w.serviceShortcutKey(model::ShortcutKey::Other, true, true));
  EXPECT_TRUE(w.serviceShortcutKey(model::ShortcutKey::F2, true, true));
  EXPECT_TRUE(f.C().Visible(Ctl::loaderSpeed));
  EXPECT_TRUE(f.C().Visible(Ctl::halfDelayCaption));
  f.C().SetValue(Ctl::errorRepeatCount, 3);
  w.serviceShortcutKey(model::ShortcutKey::F5, true, true);
  EXPECT_TRUE(f.C().Visible(Ctl::loadLots));
  EXPECT_EQ(f.C().Value(Ctl::errorRepeatCount), 10);
  w.serviceShortcutKey(model::ShortcutKey::F1, true, true);
  EXPECT_TRUE(f.C().Visible(Ctl::forceUpdateButton));
}

TEST(ServiceControls, SpeedAndDelaysReachTheLink) {
  WindowFixture f;
  f.Show();
  const int divisors[] = {5, 23, 47, 99, 250, 250, 250, 250};
  for (int i = 0; i < 8; ++i) {
    f.C().UserSelect(Ctl::loaderSpeed, i);
    EXPECT_EQ(f.tuning.clockDivisor, divisors[i]);
  }
  f.C().SetValue(Ctl::DataFlashDel, 77);
  f.C().SetValue(Ctl::HalfDelay, 300);
  EXPECT_EQ(f.tuning.pageDelay, 77);
  EXPECT_EQ(f.tuning.halfDelay, 255);
}

TEST(UnexpectedErrors, AreReportedAndTheWindowStays) {
  WindowFixture f;
  model::TMainForm& w = f.Show();
  w.errorHandlerException(std::runtime_error("disk full"));
  EXPECT_EQ(f.dialogs.LastText(), "Application access Error -disk full");
  EXPECT_EQ(f.dialogs.shown.back().type, platform::DlgType::Error);
  EXPECT_FALSE(w.Closed());
}

}  // namespace

TEST(ManualButton, OpensTheAttachedKindsGuideFromTheProgramFolder) {
  velmar::test::WindowFixture f;
  f.Show(2);
  f.dialogs.openDocumentResult = 2;  // not there
  f.C().UserClick(Ctl::manualButton);
  ASSERT_EQ(f.dialogs.openedDocuments.size(), 1u);
  EXPECT_EQ(f.dialogs.openedDocuments[0], f.program.Path() + "guide_8way.pdf");
  EXPECT_EQ(f.dialogs.LastText(), "Can not find manual\r" + f.program.Path() + "guide_8way.pdf\r\r");
}
