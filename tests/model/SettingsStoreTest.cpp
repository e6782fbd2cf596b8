// setting.ini and .prj profiles: the values of a missing file, defaults and
// nonsense values, round trips through close and show, the close steps and
// their failure, and the hex file choice.
#include <gtest/gtest.h>

#include <filesystem>

#include "model/WindowFixture.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"

using velmar::model::Ctl;

using velmar::platform::DlgButton;
using velmar::platform::IniFile;
using velmar::test::ReadFile;
using velmar::test::WindowFixture;
using velmar::test::WriteFile;

namespace {

TEST(LoadSettings, AMissingFileGivesItsOwnValues) {
  WindowFixture f;
  f.Show(4);
  auto& c = f.C();
  EXPECT_EQ(f.W().FamilyEntry(), 0);
  EXPECT_FALSE(c.Items(Ctl::deviceList).empty());  // the family change filled the list
  EXPECT_EQ(c.ItemIndex(Ctl::deviceList), 0);
  EXPECT_EQ(f.W().Data.DeviceName, "PIC18F1220");
  EXPECT_EQ(c.ItemIndex(Ctl::progMode), 1);
  EXPECT_EQ(c.Value(Ctl::ProgCount), 5);
  EXPECT_EQ(c.Value(Ctl::HalfDelay), 20);
  EXPECT_EQ(c.Value(Ctl::errorRepeatCount), 5);
  EXPECT_TRUE(c.Checked(Ctl::matchDeviceID));
  EXPECT_TRUE(f.W().Switches.VDD1st);
  EXPECT_EQ(f.W().LastFolder, f.program.Path());
  EXPECT_EQ(f.tuning.pageDelay, 0);  // 40 is the box's value already: no change, no call
  EXPECT_EQ(f.tuning.halfDelay, 20);
  EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST(LoadSettings, AFileWithoutProgModeGivesLowVoltage) {
  WindowFixture f;
  WriteFile(f.working.File("setting.ini"), "[ProgSettings]\nPICFamily=1\n");
  f.Show(4);
  EXPECT_EQ(f.C().ItemIndex(Ctl::progMode), 0);
  EXPECT_EQ(f.W().FamilyEntry(), 1);
  EXPECT_EQ(f.W().Data.Family, 1);
  EXPECT_FALSE(f.C().Checked(Ctl::progUserID));  // read from the "Progsettings" spelling, default off
}

// A stored mode is the user's choice where the device offers one; a device
// that cannot be programmed at low voltage stays locked to high voltage,
// whatever the file says (the slot would otherwise ask for low-voltage entry).
TEST(StoredModes, NeverUnlockADeviceLockedToHighVoltage) {
  WindowFixture f;
  WriteFile(f.working.File("setting.ini"), "[ProgSettings]\nPICFamily=2\nJDevice=0\n");  // no ProgMode: entry 0
  f.Show(4);
  ASSERT_EQ(f.W().Data.DeviceName, "PIC18F46J50");
  EXPECT_FALSE(f.C().Enabled(Ctl::progMode));
  EXPECT_EQ(f.C().ItemIndex(Ctl::progMode), 1);
  EXPECT_FALSE(f.W().Data.LowVoltageMode);

  const std::string prj = f.working.File("lvp.prj");
  WriteFile(prj, "[Progprofile]\nPICFamily=1\nDevice=5\nProgramMode=0\n");  // entry 5: PIC16F819, locked
  f.W().LoadProfile(prj);
  ASSERT_EQ(f.W().Data.DeviceName, "PIC16F819");
  EXPECT_EQ(f.C().ItemIndex(Ctl::progMode), 1);
  EXPECT_EQ(f.C().Text(Ctl::Progmodelabel), "LVP not available on this device");

  WriteFile(prj, "[Progprofile]\nPICFamily=1\nDevice=8\nProgramMode=0\n");  // entry 8: PIC16F88, free
  f.W().LoadProfile(prj);
  ASSERT_EQ(f.W().Data.DeviceName, "PIC16F88");
  EXPECT_EQ(f.C().ItemIndex(Ctl::progMode), 0);
  EXPECT_TRUE(f.W().Data.LowVoltageMode);
}

// Program Data Only or Code Only from a profile is kept for a device with
// data memory; a device without it stays on Program All, as its rules set.
TEST(StoredModes, NeverOfferProgramOptionsToADeviceWithoutDataMemory) {
  WindowFixture f;
  f.Show(4);
  const std::string prj = f.working.File("ops.prj");
  WriteFile(prj, "[Progprofile]\nPICFamily=1\nDevice=4\nProgramOps=1\n");  // entry 4: PIC16F73
  f.W().LoadProfile(prj);
  ASSERT_EQ(f.W().Data.DeviceName, "PIC16F73");
  EXPECT_FALSE(f.C().Enabled(Ctl::ProgramOps));
  EXPECT_EQ(f.C().ItemIndex(Ctl::ProgramOps), 0);
  EXPECT_EQ(f.W().EraseOpsForm().Choice(), 1);

  WriteFile(prj, "[Progprofile]\nPICFamily=1\nDevice=3\nProgramOps=1\n");  // entry 3: PIC16F628A
  f.W().LoadProfile(prj);
  ASSERT_EQ(f.W().Data.DeviceName, "PIC16F628A");
  EXPECT_EQ(f.C().ItemIndex(Ctl::ProgramOps), 1);
  EXPECT_EQ(f.W().EraseOpsForm().Choice(), 9);
}

TEST(LoadSettings, AFamilyBeyondTheListSelectsTheFirst) {
  WindowFixture f;
  WriteFile(f.working.File("setting.ini"), "[ProgSettings]\nPICFamily=5\n");
  f.Show(1);  // three families
  EXPECT_EQ(f.C().Text(Ctl::family), "PIC18F");
}

TEST(LoadSettings, NonsenseValuesNeverLeaveTheControlsRange) {
  for (const std::string& body : {
           std::string("PICFamily=99\nSPE=42\nProgMode=7\nDEL=0\nDEL2=100000\nREPEAT=-5\nProgCount=99999999999\n"
                       "16FDevice=-4\n18FDevice=2147483647\n"),
           std::string("PICFamily=-1\nSPE=-1\nProgMode=-1\nProgCount=abc\nFlashFile=\x01\x02\xff\n"),
           std::string("\x00\xff\x10garbage]]]\n[[\n=\n", 17),
       }) {
    WindowFixture f;
    WriteFile(f.working.File("setting.ini"), "[ProgSettings]\n" + body);
    f.Show(4);
    auto& c = f.C();
    SCOPED_TRACE(body);
    EXPECT_EQ(f.W().FamilyEntry(), 0);
    EXPECT_GE(c.ItemIndex(Ctl::loaderSpeed), 0);
    EXPECT_GE(c.ItemIndex(Ctl::progMode), 0);
    EXPECT_GE(c.Value(Ctl::DataFlashDel), 1);
    EXPECT_LE(c.Value(Ctl::HalfDelay), 255);
    EXPECT_GE(c.Value(Ctl::errorRepeatCount), 0);
    EXPECT_GE(c.Value(Ctl::ProgCount), 1);
    EXPECT_GE(c.ItemIndex(Ctl::deviceList), 0);
    EXPECT_FALSE(f.W().Closed());
  }
}

TEST(Settings, RoundTripThroughCloseAndShow) {
  WindowFixture f;
  WriteFile(f.working.File("setting.ini"), "; my notes\n[ProgSettings]\nPICFamily=0\n[Other]\nkeep=1\n");
  f.Show(4);
  f.Choose(1, "PIC16F877A");
  auto& c = f.C();
  c.SetChecked(Ctl::limitPrograms, true);
  c.SetValue(Ctl::ProgCount, 321);
  c.SetChecked(Ctl::matchDeviceID, false);
  c.SetItemIndex(Ctl::loaderSpeed, 6);
  c.SetValue(Ctl::DataFlashDel, 55);
  c.SetValue(Ctl::HalfDelay, 12);
  c.SetValue(Ctl::errorRepeatCount, 9);
  c.SetItemIndex(Ctl::progMode, 1);
  f.W().Switches.e2_skipFF = true;
  f.W().Switches.VDD1st = false;
  f.W().Switches.EraseWholeSlot = true;
  EXPECT_FALSE(c.Checked(Ctl::VerifyAfterWriting)) << "off unless asked for";
  c.SetChecked(Ctl::VerifyAfterWriting, true);
  const std::string prog = f.working.File("prog.hex");
  WriteFile(prog, ":00000001FF\n");
  f.W().Data.FlashFile = prog;
  f.W().FormClose();
  EXPECT_EQ(f.dialogs.LastText(), "Unplug Programmer to exit Loader Mode");

  std::string text = ReadFile(f.working.File("setting.ini"));
  EXPECT_EQ(text.rfind("; my notes", 0), 0u);
  IniFile ini(f.working.File("setting.ini"));
  EXPECT_EQ(ini.ReadInteger("Other", "keep", 0), 1);
  EXPECT_EQ(ini.ReadInteger("ProgSettings", "EraseWholeSlot", 9), 0);  // always written as 0
  EXPECT_EQ(ini.ReadInteger("ProgSettings", "VerifyAfterWriting", 9), 1);

  WindowFixture g;
  std::filesystem::copy_file(f.working.File("setting.ini"), g.working.File("setting.ini"));
  g.Show(4);
  EXPECT_EQ(g.W().FamilyEntry(), 1);
  EXPECT_EQ(g.W().Data.DeviceName, "PIC16F877A");
  EXPECT_TRUE(g.C().Checked(Ctl::limitPrograms));
  EXPECT_EQ(g.C().Value(Ctl::ProgCount), 321);
  EXPECT_FALSE(g.C().Checked(Ctl::matchDeviceID));
  EXPECT_EQ(g.C().ItemIndex(Ctl::loaderSpeed), 6);
  EXPECT_EQ(g.C().Value(Ctl::DataFlashDel), 55);
  EXPECT_EQ(g.tuning.pageDelay, 55);
  EXPECT_EQ(g.C().Value(Ctl::HalfDelay), 12);
  EXPECT_EQ(g.C().Value(Ctl::errorRepeatCount), 9);
  EXPECT_TRUE(g.W().Switches.e2_skipFF);
  EXPECT_FALSE(g.W().Switches.VDD1st);
  EXPECT_FALSE(g.W().Switches.EraseWholeSlot);
  EXPECT_TRUE(g.C().Checked(Ctl::VerifyAfterWriting));
  EXPECT_EQ(g.W().Data.FlashFile, prog);
  EXPECT_EQ(g.C().Text(Ctl::fileName), "prog.hex");
  EXPECT_EQ(g.W().LastFolder, f.working.Path());
}

// A device list that changed between versions moves devices to other
// positions: the stored name keeps the same part selected, the position is
// used only when the name is absent (files of earlier versions) or gone.
struct StoredDevice {
  const char* stored;    // the PIC16 lines of setting.ini
  const char* expected;  // the device selected
};
class StoredDevices : public ::testing::TestWithParam<StoredDevice> {};

TEST_P(StoredDevices, TheNameWinsOverAMovedPosition) {
  const StoredDevice& c = GetParam();
  WindowFixture f;
  WriteFile(f.working.File("setting.ini"), std::string("[ProgSettings]\nPICFamily=1\n") + c.stored);
  f.Show(4);
  EXPECT_EQ(f.W().Data.DeviceName, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    RememberedDevices, StoredDevices,
    ::testing::Values(StoredDevice{"16FDevice=0\n16FDeviceName=PIC16F877A\n", "PIC16F877A"},  // moved: the name decides
                      StoredDevice{"16FDevice=5\n", "PIC16F819"},  // an earlier version's file: the position
                      StoredDevice{"16FDevice=5\n16FDeviceName=PIC16F999\n", "PIC16F819"}));  // gone: the position

TEST(RememberedDevices, CloseAndProfilesStoreTheNameBesideThePosition) {
  // Close stores the name beside the position; a profile keeps it too.
  WindowFixture f;
  f.Show(4);
  f.Choose(1, "PIC16F628A");
  f.W().FormClose();
  IniFile ini(f.working.File("setting.ini"));
  EXPECT_EQ(ini.ReadString("ProgSettings", "16FDeviceName", ""), "PIC16F628A");
  std::string prj = f.working.File("p.prj");
  ASSERT_TRUE(f.W().SaveProfile(prj));
  EXPECT_EQ(IniFile(prj).ReadString("Progprofile", "DeviceName", ""), "PIC16F628A");
  WriteFile(prj, "[Progprofile]\nPICFamily=1\nDevice=0\nDeviceName=PIC16F877A\n");
  WindowFixture g;
  g.Show(4);
  g.W().LoadProfile(prj);
  EXPECT_EQ(g.W().Data.DeviceName, "PIC16F877A");
}

// The device list of a later version: new parts ahead of the ones a file
// saved today points at, so every stored position selects another part.
std::string GrownDeviceList() {
  return std::string("[PIC18F1000]\nDeviceID=0100\nType=B\n[PIC16F1000]\nDeviceID=0200\nColumn=5\n") +
         velmar::test::kRuleDevices;
}

// The window of the grown list, over the working files of `before`.
void ShowGrown(WindowFixture& after, WindowFixture& before) {
  for (const char* name : {"setting.ini", "p.prj"})
    if (std::filesystem::exists(before.working.File(name)))
      std::filesystem::copy_file(before.working.File(name), after.working.File(name));
  after.Show(4);
}

TEST(RememberedDevices, ProfilesAndSettingsSavedBeforeTheListGrowsSelectTheSameDevice) {
  WindowFixture f;
  f.Show(4);
  f.Choose(1, "PIC16F877A");
  ASSERT_TRUE(f.W().SaveProfile(f.working.File("p.prj")));
  f.Choose(0, "PIC18F4520");
  f.W().FormClose();
  WindowFixture g(GrownDeviceList());
  ShowGrown(g, f);
  EXPECT_EQ(g.W().Data.DeviceName, "PIC18F4520");
  g.W().LoadProfile(g.working.File("p.prj"));
  EXPECT_EQ(g.W().Data.DeviceName, "PIC16F877A");
  EXPECT_EQ(g.W().DeviceNoticeText(), "");
}

// A file of an earlier version names devices by position only (or by a name
// the family does not list): the position decides as it always did, the
// window says which device it selected, and the next save stores that
// device's name for every family, so a later list that grows keeps it.
TEST(RememberedDevices, APositionOnlyFileSaysWhatItSelectedAndIsPinnedOnSave) {
  WindowFixture f;
  WriteFile(f.working.File("setting.ini"), "[ProgSettings]\nPICFamily=1\n16FDevice=5\n18FDevice=2\n");
  f.Show(4);
  EXPECT_EQ(f.W().Data.DeviceName, "PIC16F819");
  EXPECT_EQ(f.W().DeviceNoticeText(),
            "setting.ini stores no PIC12F-16F device name: its position 5 (16FDevice) selected PIC16F819; check "
            "the device");
  ASSERT_EQ(f.W().PositionChoices().size(), 2u);  // the PIC18F position too, though its family is not shown
  f.W().FormClose();
  WindowFixture g(GrownDeviceList());
  ShowGrown(g, f);
  EXPECT_EQ(g.W().Data.DeviceName, "PIC16F819");
  EXPECT_TRUE(g.W().PositionChoices().empty());
  g.C().UserSelect(Ctl::family, 0);
  EXPECT_EQ(g.W().Data.DeviceName, "PIC18F4520");
}

TEST(RememberedDevices, AProfileNamingNoDeviceOfItsFamilyIsReadByPosition) {
  const struct {
    const char* profile;
    const char* device;
    const char* notice;
  } cases[] = {
      {"Device=3\nDeviceName=PIC18F4520\n", "PIC16F628A",
       "p.prj names PIC18F4520, which the PIC12F-16F list lacks: its position 3 (Device) selected PIC16F628A; "
       "check the device"},
      {"Device=3\n", "PIC16F628A",
       "p.prj stores no PIC12F-16F device name: its position 3 (Device) selected PIC16F628A; check the device"},
      {"Device=3\nDeviceName=PIC16F88\n", "PIC16F88", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profile);
    WindowFixture f;
    f.Show(4);
    WriteFile(f.working.File("p.prj"), std::string("[Progprofile]\nPICFamily=1\n") + c.profile);
    f.W().LoadProfile(f.working.File("p.prj"));
    EXPECT_EQ(f.W().Data.DeviceName, c.device);
    EXPECT_EQ(f.W().DeviceNoticeText(), c.notice);
    f.Choose(1, "PIC16F84A");  // the user's own choice ends the notice
    EXPECT_EQ(f.W().DeviceNoticeText(), "");
  }
}

TEST(FormClose, CreatesTheWholeWorkingFolderAndSkipsAbortedRuns) {
  WindowFixture f;
  f.Show(4);
  f.W().Folders.working = f.working.Path() + "Deep/Torvik/VELMAR/";
  f.W().FormClose();
  EXPECT_TRUE(velmar::test::Exists(f.working.Path() + "Deep/Torvik/VELMAR/setting.ini"));

  WindowFixture g;
  g.Show(4);
  g.W().CloseRequested = true;
  g.W().FormClose();
  EXPECT_FALSE(velmar::test::Exists(g.working.File("setting.ini")));
  EXPECT_TRUE(g.dialogs.shown.empty());
}

TEST(FormClose, ReplacesALinkPlantedAtSettingIniAndMakesTheWorkingFolderPrivate) {
  VELMAR_SKIP_ON_WINDOWS("symbolic links and POSIX permission bits");
  namespace fs = std::filesystem;
  WindowFixture f;
  f.Show(4);
  WriteFile(f.program.File("victim"), "precious");
  fs::create_symlink(f.program.File("victim"), f.working.File("setting.ini"));
  f.W().FormClose();
  EXPECT_EQ(ReadFile(f.program.File("victim")), "precious");
  EXPECT_FALSE(fs::is_symlink(f.working.File("setting.ini")));
  EXPECT_TRUE(IniFile(f.working.File("setting.ini")).SectionExists("ProgSettings"));

  WindowFixture g;
  g.Show(4);
  g.W().Folders.working = g.working.Path() + "Made/Here/";
  g.W().FormClose();
  EXPECT_EQ(fs::status(g.working.Path() + "Made/Here/").permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST(FormClose, ReportsAFolderItCannotCreateAndStillCloses) {
  WindowFixture f;
  f.Show(4);
  WriteFile(f.working.File("blocker"), "a file where a folder should be");
  f.W().Folders.working = f.working.File("blocker") + "/sub/";
  f.W().FormClose();
  auto texts = f.dialogs.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "Error creating Settings File\r\r" + f.working.File("blocker") + "/sub/");
  EXPECT_EQ(texts[1], "Unplug Programmer to exit Loader Mode");
  EXPECT_TRUE(f.W().Closed());
}

TEST(Profiles, RoundTripAndWhatSavingLeavesOut) {
  WindowFixture f;
  f.Show(4);
  std::string prj = f.working.File("job.prj");
  WriteFile(prj, "[Progprofile]\nKonOld=1\n");
  f.Choose(1, "PIC16F628A");
  f.C().SetChecked(Ctl::progUserID, true);
  f.C().SetItemIndex(Ctl::ProgramOps, 1);  // disables Program User ID
  f.C().SetText(Ctl::ProgCaption, "Door controller");
  f.C().SetValue(Ctl::ProgCount, 44);
  f.W().Data.FlashFile = "/work/door.hex";
  f.dialogs.AnswerSave(prj);
  f.C().UserClick(Ctl::SaveProfile);
  IniFile saved(prj);
  EXPECT_EQ(saved.ReadInteger("Progprofile", "progUserId", 9), 0);
  EXPECT_TRUE(saved.ReadBool("Progprofile", "KonOld", false));  // kept, never written
  EXPECT_EQ(f.dialogs.fileRequests.back().filter, "PRJ|*.prj|All Files|*.*");
  EXPECT_EQ(f.W().LastFolder, f.working.Path());

  WindowFixture g;
  g.Show(4);
  g.dialogs.AnswerOpen(prj);
  g.C().UserClick(Ctl::LoadProfile);
  EXPECT_EQ(g.W().Data.DeviceName, "PIC16F628A");
  EXPECT_EQ(g.C().ItemIndex(Ctl::ProgramOps), 1);
  EXPECT_EQ(g.C().Text(Ctl::ProgCaption), "Door controller");
  EXPECT_EQ(g.C().Value(Ctl::ProgCount), 44);
  EXPECT_EQ(g.W().Data.FlashFile, "/work/door.hex");
  EXPECT_TRUE(g.W().Switches.KonOld);
  EXPECT_EQ(g.W().LastFolder, "/work/");
}

TEST(Profiles, CancelledChoicesAndUnreadableFilesAreHarmless) {
  WindowFixture f;
  f.Show(4);
  f.Choose(1, "PIC16F88");
  f.dialogs.AnswerOpen(std::nullopt);
  f.C().UserClick(Ctl::LoadProfile);
  EXPECT_EQ(f.W().Data.DeviceName, "PIC16F88");
  f.dialogs.AnswerSave(std::nullopt);
  f.C().UserClick(Ctl::SaveProfile);
  WriteFile(f.working.File("bad.prj"), "[Progprofile]\nPICFamily=99\nDevice=-7\nProgramOps=9\nProgramMode=-2\n");
  f.W().LoadProfile(f.working.File("bad.prj"));
  EXPECT_EQ(f.W().FamilyEntry(), 0);
  EXPECT_EQ(f.C().ItemIndex(Ctl::deviceList), 0);
  EXPECT_EQ(f.C().ItemIndex(Ctl::progMode), 1);
  f.W().LoadProfile(f.working.File("absent.prj"));
  EXPECT_EQ(f.C().Value(Ctl::ProgCount), 10);
  EXPECT_EQ(f.C().Value(Ctl::HalfDelay), 15);
}

TEST(Profiles, ASaveThatFailsIsReported) {
  WindowFixture f;
  f.Show(4);
  f.dialogs.AnswerSave(f.working.Path() + "missing-folder/job.prj");
  f.C().UserClick(Ctl::SaveProfile);
  ASSERT_FALSE(f.dialogs.shown.empty());
  EXPECT_EQ(f.dialogs.shown.back().type, velmar::platform::DlgType::Error);
}

TEST(HexFileChoice, TypedPathsAreTakenAsTheyAreOrInTheLastFolder) {
  using velmar::platform::PathStyle;
  struct Case {
    PathStyle style;
    const char* folder;
    const char* typed;
    const char* path;
  };
  const Case cases[] = {
      {PathStyle::posix, "/work/", "pump.hex", "/work/pump.hex"},
      {PathStyle::posix, "/work/", "/home/ann/pump.hex", "/home/ann/pump.hex"},
      {PathStyle::posix, "/work/", "jobs/pump.hex", "/work/jobs/pump.hex"},
      {PathStyle::posix, "/work", "pump.hex", "/work/pump.hex"},
      {PathStyle::posix, "/work/", "C:\\pump.hex", "/work/C:\\pump.hex"},  // one name on POSIX
      {PathStyle::posix, "/work/", "", ""},
      {PathStyle::windows, "C:\\work\\", "D:\\jobs\\pump.hex", "D:\\jobs\\pump.hex"},
      {PathStyle::windows, "C:\\work\\", "d:/jobs/pump.hex", "d:/jobs/pump.hex"},
      {PathStyle::windows, "C:\\work\\", "\\\\server\\jobs\\pump.hex", "\\\\server\\jobs\\pump.hex"},
      {PathStyle::windows, "C:\\work\\", "\\jobs\\pump.hex", "\\jobs\\pump.hex"},
      {PathStyle::windows, "C:\\work\\", "jobs\\pump.hex", "C:\\work\\jobs\\pump.hex"},
      {PathStyle::windows, "C:\\work", "pump.hex", "C:\\work\\pump.hex"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(velmar::platform::ResolveTypedPath(c.folder, c.typed, c.style), c.path) << c.folder << " + " << c.typed;
}

// A full path typed into File Name is the file New takes and setting.ini
// keeps; a name of no file is never stored, and a path stored broken by an
// earlier version does not become the folder typed names join.
TEST(HexFileChoice, ATypedFullPathIsKeptAndAPathOfNoFileIsNotStored) {
  WindowFixture f;
  f.Show(4);
  velmar::test::TempDir elsewhere;
  const std::string pump = elsewhere.File("pump.hex");
  WriteFile(pump, ":00000001FF\n");
  f.dialogs.AnswerOpen(f.working.File("old.hex"));
  f.C().UserClick(Ctl::browseButton);
  f.C().UserSetText(Ctl::fileName, pump);
  EXPECT_EQ(f.W().Data.FlashFile, pump);
  ASSERT_TRUE(f.W().SaveSettings());
  EXPECT_EQ(IniFile(f.W().SettingsPath()).ReadString("ProgSettings", "FlashFile", ""), pump);

  f.C().UserSetText(Ctl::fileName, "pmup.hex");
  EXPECT_EQ(f.W().Data.FlashFile, f.working.File("pmup.hex"));
  ASSERT_TRUE(f.W().SaveSettings());
  EXPECT_EQ(IniFile(f.W().SettingsPath()).ReadString("ProgSettings", "FlashFile", ""), pump)
      << "the last path that named a file stays";

  WindowFixture g;
  WriteFile(g.working.File("setting.ini"),
            "[ProgSettings]\nFlashFile=" + g.working.Path() + elsewhere.Path() + "pump.hex\n");
  g.Show(4);
  EXPECT_EQ(g.C().Text(Ctl::fileName), "pump.hex");
  EXPECT_EQ(g.W().LastFolder, g.W().Folders.program) << "not the folder that never was";
  g.C().UserSetText(Ctl::fileName, "door.hex");
  EXPECT_EQ(g.W().Data.FlashFile, g.W().Folders.program + "door.hex");
}

TEST(HexFileChoice, TypedNamesJoinTheLastFolder) {
  WindowFixture f;
  f.Show(4);
  f.dialogs.AnswerOpen(std::string("/work/old.hex"));
  f.C().UserClick(Ctl::browseButton);
  EXPECT_EQ(f.dialogs.fileRequests.back().filter, "Hex|*.hex|All Files|*.*");
  EXPECT_EQ(f.C().Text(Ctl::fileName), "old.hex");
  f.C().UserSetText(Ctl::fileName, "test.hex");
  EXPECT_EQ(f.W().Data.FlashFile, "/work/test.hex");
  f.dialogs.AnswerOpen(std::nullopt);
  f.C().UserClick(Ctl::browseButton);
  EXPECT_EQ(f.W().Data.FlashFile, "/work/test.hex");
}

}  // namespace
