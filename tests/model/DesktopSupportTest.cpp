// What the window offers around its handlers: the status line, the room
// left in the description, dropped and recently used program files, About,
// the firmware update on request, and the progress window's figures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "link/TReadProg.h"
#include "model/ProgressForm.h"
#include "model/ReadRig.h"
#include "model/WindowFixture.h"
#include "operations/WindowOperations.h"
#include "platform/IniFile.h"
#include "platform/Text.h"

using velmar::model::Ctl;

namespace velmar::test {
namespace {

using platform::DlgButton;

std::vector<SlotSpec> Slots(int n) { return std::vector<SlotSpec>(std::size_t(n)); }

TEST(ProgrammerStatus, NamesTheModelFirmwareAndSlotsUsedAndFree) {
  ReadRig rig(4);
  rig.Stage(Slots(3));
  model::TMainForm& w = rig.Start();
  const auto st = w.Status();
  EXPECT_TRUE(st.connected);
  EXPECT_EQ(st.model, "GX-800 version 2");
  EXPECT_GE(st.firmwareVersion, 0);
  EXPECT_EQ(st.slotsUsed, 3);
  EXPECT_EQ(st.slotsFree, int(w.Geometry().SlotCount) - 3);
  const std::string line = w.StatusText();
  EXPECT_NE(line.find("GX-800"), std::string::npos) << line;
  EXPECT_NE(line.find("3 slots used, " + std::to_string(st.slotsFree) + " free"), std::string::npos) << line;
  if (!st.serial.empty()) {
    EXPECT_NE(line.find("interface " + st.serial), std::string::npos) << line;
  }
}

TEST(ProgrammerStatus, ASingleWayHoldsOneSlotAndDemoModeSaysSo) {
  ReadRig rig(0);
  rig.Stage(Slots(1));
  model::TMainForm& w = rig.Start();
  EXPECT_EQ(w.Status().slotsUsed, 1);
  EXPECT_EQ(w.Status().slotsFree, 0) << "not the hundreds of slot-sized areas of its dataflash";
  EXPECT_NE(w.StatusText().find("1 slot used, 0 free"), std::string::npos) << w.StatusText();
  w.DemoMode = true;
  EXPECT_EQ(w.StatusText().rfind("Demo mode - no programmer", 0), 0u) << w.StatusText();
}

TEST(DescriptionBox, TakesWhatTheSlotKeepsAndCountsWhatIsLeft) {
  WindowFixture f;
  model::TMainForm& w = f.Show();
  f.C().UserSetText(Ctl::ProgCaption, std::string(30, 'x'));
  EXPECT_EQ(f.C().Text(Ctl::ProgCaption), std::string(28, 'x')) << "the slot keeps 28 characters";
  EXPECT_EQ(w.DescriptionRoom(), 0);
  EXPECT_EQ(w.DescriptionRoomText(), "0 characters left");
  f.C().UserSetText(Ctl::ProgCaption, std::string(27, 'x'));
  EXPECT_EQ(w.DescriptionRoomText(), "1 character left");
  f.C().UserSetText(Ctl::ProgCaption, "");
  EXPECT_EQ(w.DescriptionRoom(), 28);
}

TEST(DroppedFiles, AProgramFileBecomesTheFileNameAndOtherFilesAreRefused) {
  WindowFixture f;
  model::TMainForm& w = f.Show();
  TempDir dir;
  const std::string hex = dir.File("pump.hex");
  WriteFile(hex, ":00000001FF\n");
  WriteFile(dir.File("backup.prg"), ":00000001FF\n");
  WriteFile(dir.File("line.PRJ"), "[Profile]\n");
  for (const std::string& refused :
       {dir.File("backup.prg"), dir.File("line.PRJ"), dir.File("missing.hex"), dir.Path(), std::string()}) {
    EXPECT_FALSE(w.AcceptsDroppedFile(refused)) << refused;
    EXPECT_FALSE(w.DropFile(refused)) << refused;
  }
  EXPECT_EQ(w.RecentFiles, std::vector<std::string>{});
  EXPECT_TRUE(w.DropFile(hex));
  EXPECT_EQ(f.C().Text(Ctl::fileName), "pump.hex");
  EXPECT_EQ(w.Data.FlashFile, hex);
  EXPECT_EQ(w.LastFolder, dir.Path());
  EXPECT_EQ(w.RecentFiles, std::vector<std::string>{hex});
}

// `velmar FILE`: a HEX file becomes the File Name; a unit image is loaded
// only after the user says so, and then through Load Unit's own questions.
TEST(StartFile, AHexFileBecomesTheFileNameAndAUnitImageIsLoadedOnlyWhenAsked) {
  ReadRig rig(4);
  model::TMainForm& w = rig.Start();
  TempDir dir;
  const std::string hex = dir.File("pump.hex");
  WriteFile(hex, ":00000001FF\n");
  const std::filesystem::path started = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  EXPECT_TRUE(w.OpenStartFile("pump.hex"));
  std::filesystem::current_path(started);
  EXPECT_EQ(w.Data.FlashFile, hex) << "named in full";
  EXPECT_EQ(rig.C().Text(Ctl::fileName), "pump.hex");

  const std::size_t said = rig.dialogs.script.shown.size();
  EXPECT_FALSE(w.OpenStartFile(dir.File("gone.hex")));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Can not find file\r" + dir.File("gone.hex"));
  WriteFile(dir.File("line.prj"), "[Progprofile]\n");
  EXPECT_FALSE(w.OpenStartFile(dir.File("line.prj")));
  EXPECT_EQ(rig.dialogs.script.LastText(), dir.File("line.prj") + "\ris not a HEX file: nothing was opened");
  EXPECT_EQ(w.Data.FlashFile, hex) << "neither changed the File Name";
  EXPECT_EQ(rig.dialogs.script.shown.size(), said + 2);

  const std::string unit = dir.File("Backup.PRG");
  WriteFile(unit, "not a unit image\n");
  rig.dialogs.script.Answer(DlgButton::No);
  EXPECT_FALSE(w.OpenStartFile(unit));
  EXPECT_EQ(rig.dialogs.script.LastText().rfind(unit + "\ris a unit image", 0), 0u) << rig.dialogs.script.LastText();
  EXPECT_EQ(rig.dialogs.script.shown.back().defaultButton, DlgButton::No);
  EXPECT_EQ(rig.dialogs.script.shown.size(), said + 3) << "No: nothing more";

  rig.dialogs.script.Answer(DlgButton::Yes);
  rig.dialogs.script.Answer(DlgButton::Yes);
  EXPECT_FALSE(w.OpenStartFile(unit));
  const auto& shown = rig.dialogs.script.shown;
  ASSERT_EQ(shown.size(), said + 6);
  EXPECT_EQ(shown[said + 4].text, "Load Programmer will replace ALL existing programs\r\rDo you want to continue?");
  EXPECT_EQ(shown[said + 5].text, "Error in Programmer file\rQuitting") << "the file named was the one read";
  EXPECT_TRUE(rig.dialogs.script.fileRequests.empty()) << "no file was asked for";
  EXPECT_TRUE(w.CommandLineParams.empty());
}

TEST(RecentFiles, NewestFirstWithoutRepeatsKeptInTheSettingsFile) {
  WindowFixture f;
  model::TMainForm& w = f.Show();
  TempDir dir;
  std::vector<std::string> files;
  for (int i = 0; i < 10; ++i) {
    files.push_back(dir.File("p" + std::to_string(i) + ".hex"));
    WriteFile(files.back(), ":00000001FF\n");
    ASSERT_TRUE(w.DropFile(files.back()));
  }
  ASSERT_TRUE(w.OpenRecentFile(files[5]));
  ASSERT_EQ(w.RecentFiles.size(), model::TMainForm::kRecentFiles);
  EXPECT_EQ(w.RecentFiles[0], files[5]) << "opened again: first, and listed once";
  EXPECT_EQ(w.RecentFiles[1], files[9]);
  EXPECT_EQ(std::count(w.RecentFiles.begin(), w.RecentFiles.end(), files[5]), 1);
  EXPECT_EQ(std::count(w.RecentFiles.begin(), w.RecentFiles.end(), files[0]), 0) << "the oldest fell off";
  ASSERT_TRUE(w.SaveSettings());

  WindowFixture again;
  auto reopened = std::make_unique<model::TMainForm>(again.dialogs, w.Folders);
  ops::BindOperations(*reopened);
  reopened->FormCreate(false);
  reopened->ProgrammerKind = slot::kind_8way_v2;
  reopened->ConfigureForKind();
  reopened->FormShow();
  EXPECT_EQ(reopened->RecentFiles, w.RecentFiles);

  // A file that is gone is reported and leaves the list; the list written
  // next time has no trace of it.
  std::remove(files[9].c_str());
  EXPECT_FALSE(reopened->OpenRecentFile(files[9]));
  EXPECT_EQ(again.dialogs.LastText(), "Can not find file\r" + files[9]);
  EXPECT_EQ(std::count(reopened->RecentFiles.begin(), reopened->RecentFiles.end(), files[9]), 0);
  ASSERT_TRUE(reopened->SaveSettings());
  platform::IniFile ini(reopened->SettingsPath());
  EXPECT_EQ(ini.ReadString("RecentFiles", "File8", "unset"), "") << "the shorter list blanks the last key";
  reopened->CloseRequested = true;
}

TEST(About, NamesEveryVersionInUse) {
  ReadRig rig(3);
  model::TMainForm& w = rig.Start();
  const std::string about = w.AboutText("6.4.2");
  EXPECT_EQ(about.rfind(std::string("Velmar ") + VELMAR_VERSION + "\r", 0), 0u) << about;
  EXPECT_NE(about.find("\rQt 6.4.2\r"), std::string::npos) << about;
  EXPECT_NE(about.find("\rlibftdi "), std::string::npos) << about;
  EXPECT_NE(about.find("Programmer firmware: " + std::to_string(w.Status().firmwareVersion) + " (0x"),
            std::string::npos)
      << about;
  w.AboutClick("6.4.2");
  EXPECT_EQ(rig.dialogs.script.shown.back().title, "About Velmar");
  w.DemoMode = true;
  EXPECT_NE(w.AboutText("6.4.2").find("Programmer firmware: no programmer read"), std::string::npos);
}

TEST(UpdateFirmwareOnRequest, AsksWithNoAsTheDefaultAndDoesNothingOnNo) {
  ReadRig rig(3);
  model::TMainForm& w = rig.Start();
  rig.dialogs.script.Answer(DlgButton::No);
  EXPECT_FALSE(w.UpdateFirmwareClick());
  EXPECT_EQ(rig.dialogs.script.shown.back().defaultButton, DlgButton::No);
  EXPECT_EQ(rig.C().Text(Ctl::forceUpdateButton), "Force Update Off") << "no update was requested";
  EXPECT_TRUE(rig.changes.empty());
  w.DemoMode = true;
  EXPECT_FALSE(w.UpdateFirmwareClick());
  EXPECT_EQ(rig.dialogs.script.LastText(), "No Programmer Detected. Read Programmer First");
}

// A forced update of the version the programmer already runs says so
// before anything is written.
TEST(UpdateFirmwareOnRequest, TheOfferNamesBothVersionsAndAVersionAlreadyInstalled) {
  ReadRig rig(3);
  model::TMainForm& w = rig.Start();
  ASSERT_EQ(w.Link()->FirmwareVersion, int(w.Geometry().ExpectedPortableVersion));
  rig.dialogs.script.Answer(DlgButton::Yes);
  rig.dialogs.script.Answer(DlgButton::Cancel);
  EXPECT_TRUE(w.UpdateFirmwareClick());
  const std::string offer = rig.dialogs.script.LastText();
  EXPECT_NE(offer.find("\r\rOffered: 150 (0x96)\rInstalled: 150 (0x96), already installed"), std::string::npos)
      << offer;
  EXPECT_TRUE(rig.changes.empty());
}

// ---- The progress window's figures ----

struct Step {
  std::uint64_t at;  // ms
  int done, total;
  int percent;
  std::uint64_t elapsed;
  std::optional<std::uint64_t> remaining;
};

TEST(ProgressFigures, PercentPagesElapsedAndRemainingFollowTheReports) {
  std::uint64_t now = 0;
  model::ProgressForm form(nullptr, nullptr);
  form.SetTimeSource([&] { return now; });
  EXPECT_EQ(form.FiguresText(), "") << "nothing before the first report";
  const Step steps[] = {
      {1000, 0, 10, 0, 0, std::nullopt},                                     // the step starts
      {5000, 4, 10, 40, 4000, 6000},                                         // 1 s a page: 6 pages left
      {9000, 10, 10, 100, 8000, 0},                                          // done
      {9500, 1, 4, 25, 0, std::nullopt},                                     // a new total: a new step, no rate yet
      {10500, 2, 4, 50, 1000, 1000},     {11000, 0, 4, 0, 0, std::nullopt},  // counting again from 0: a new step
      {12000, 7, 4, 100, 1000, 0},                                           // more than the total is the whole
      {13000, 0, 0, 0, 0, std::nullopt},                                     // nothing to do: no division by zero
  };
  for (const Step& s : steps) {
    now = s.at;
    form.UpdateStat(s.done, s.total);
    const model::ProgressFigures f = form.Figures();
    EXPECT_EQ(f.percent, s.percent) << s.at;
    EXPECT_EQ(f.elapsedMs, s.elapsed) << s.at;
    EXPECT_EQ(f.remainingMs, s.remaining) << s.at;
  }
}

TEST(ProgressFigures, TheTextShowsPercentCountsAndClockTimes) {
  std::uint64_t now = 0;
  model::ProgressForm form(nullptr, nullptr);
  form.SetTimeSource([&] { return now; });
  form.UpdateStat(0, 284);
  now = 35000;
  form.UpdateStat(120, 284);
  EXPECT_EQ(form.FiguresText(), "42%  -  120 of 284 pages  -  0:35 elapsed, about 0:48 left");
  EXPECT_EQ(model::ClockText(0), "0:00");
  EXPECT_EQ(model::ClockText(59499), "0:59");
  EXPECT_EQ(model::ClockText(59500), "1:00");
  EXPECT_EQ(model::ClockText(3723000), "1:02:03");
}

}  // namespace
}  // namespace velmar::test
