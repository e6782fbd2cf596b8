// New and Replace on the window model against the simulated programmer of
// every kind: slots written until the programmer is full and read back as
// written, Replace of a slot in the middle, single-slot programmers, the
// firmware the family needs (changed, or refused when it would mix on the
// 8-way), a programmer swapped since the Read, a page that fails to verify,
// an interface unplugged mid-write, the refusals and questions before
// anything is written, and Load Lots.
#include <gtest/gtest.h>

#include "devices/TData.h"
#include "link/TReadProg.h"
#include "operations/OperationsRig.h"
#include "operations/WindowOperations.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "sim/SimState.h"

using velmar::model::Ctl;

namespace velmar::test {
namespace {

using platform::DlgButton;

const ExampleProgram kPic16{"pic16f628a", 1, "PIC16F628A"};
const ExampleProgram kPic18{"pic18f4520", 0, "PIC18F4520"};
const ExampleProgram kPic24{"pic24fj64ga002", 4, "PIC24FJ64GA002"};

std::uint32_t PagesPerSlot(int kind) {
  slot::ProgrammerGeometry g;
  g.ApplyKind(slot::KindFromNumber(kind).value());
  return g.PagesPerSlot();
}

std::string Name(const slot::HeaderBytes& h) { return slot::GetText(h.data(), slot::slot_header::SlotName); }
std::uint32_t Next(const slot::HeaderBytes& h) { return slot::GetField(h.data(), slot::slot_header::NextHeaderPage); }

bool NewProgram(OpsRig& rig, const ExampleProgram& e, const std::string& description) {
  rig.Example(e, description);
  return ops::NewButtonClick(rig.W());
}

TEST(NewProgram, FillsEachMultiSlotProgrammerUntilItIsFullAndReadsBackAsWritten) {
  for (int kind : {2, 3, 4}) {
    OpsRig rig(kind);
    rig.AnswerYes();  // the portable asks about the repeated file name
    model::TMainForm& w = rig.Begin();
    const int slots = int(w.Link()->Geometry.SlotCount);
    for (int i = 1; i <= slots; ++i) {
      ASSERT_TRUE(NewProgram(rig, kPic16, "Job " + std::to_string(i)))
          << kind << " slot " << i << ": " << rig.dialogs.script.LastText();
      EXPECT_EQ(rig.dialogs.script.LastText(), "Program loaded successfully");
      EXPECT_EQ(w.Programs.EntryCount, i);
      EXPECT_EQ(rig.C().Row(Ctl::slotList), i) << "the new last row is selected";
    }
    EXPECT_EQ(rig.C().Text(Ctl::slotListHint), "Programmer is full") << kind;
    EXPECT_FALSE(rig.C().Enabled(Ctl::NewButton));
    EXPECT_EQ(rig.view.open, 0) << "every progress window was released";

    // The chain in the dataflash, and the directory read back from it.
    const std::uint32_t pages = PagesPerSlot(kind);
    for (int i = 0; i < slots; ++i) {
      const slot::HeaderBytes h = rig.HeaderAt(std::uint32_t(i) * pages);
      EXPECT_EQ(Next(h), std::uint32_t(i + 1) * pages) << kind << " slot " << i + 1;
      EXPECT_TRUE(slot::HeaderChecksumOk(h.data()));
      EXPECT_EQ(h, w.Programs.Get(i).Header) << "the list keeps the header as written";
    }
    w.ReadProgButtonClick();
    ASSERT_EQ(w.Programs.EntryCount, slots) << kind;
    EXPECT_EQ(text::Trim(w.Programs.Get(slots - 1).SlotName),
              text::ZeroPad(std::uint64_t(slots), 3) + " Job " + std::to_string(slots));
  }
}

TEST(NewProgram, OnASingleSlotProgrammerAlwaysWritesSlotOne) {
  for (int kind : {0, 1, 5}) {
    OpsRig rig(kind);
    model::TMainForm& w = rig.Begin();
    ASSERT_TRUE(NewProgram(rig, kPic16, "First")) << kind << ": " << rig.dialogs.script.LastText();
    ASSERT_TRUE(NewProgram(rig, kPic16, "Second")) << kind;
    ASSERT_EQ(w.Programs.EntryCount, 1) << kind;
    EXPECT_EQ(text::Trim(w.Programs.Get(0).SlotName), "001 Second");
    const slot::HeaderBytes h = rig.HeaderAt(0);
    EXPECT_EQ(text::Trim(Name(h)), "001 Second");
    EXPECT_EQ(Next(h), 0xFFFFu);
    EXPECT_EQ(rig.C().Text(Ctl::slotListHint), "Loaded");
  }
}

TEST(NewProgram, TheHiddenUploadButtonAfterADeleteWritesANewSlot) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  rig.Example(kPic16, "Job");
  w.OperationMode = model::om_Delete;
  rig.C().UserClick(Ctl::upload);
  EXPECT_EQ(rig.dialogs.script.LastText(), "Program loaded successfully");
  EXPECT_EQ(w.Programs.EntryCount, 1);
}

TEST(NewProgram, KeepsTheFirst28CharactersOfALongDescription) {
  OpsRig rig(3);
  rig.Begin();
  ASSERT_TRUE(NewProgram(rig, kPic16, "A description of forty characters, ends."));
  EXPECT_EQ(Name(rig.HeaderAt(0)), "001 A description of forty chara");
  EXPECT_EQ(Name(rig.HeaderAt(0)).size(), 32u);
}

TEST(ReplaceProgram, RewritesTheSelectedSlotOnlyAndKeepsItsRow) {
  OpsRig rig(3);
  rig.AnswerYes();
  model::TMainForm& w = rig.Begin();
  for (int i = 1; i <= 3; ++i) ASSERT_TRUE(NewProgram(rig, kPic16, "Job " + std::to_string(i)));
  const std::uint32_t pages = PagesPerSlot(3);
  const slot::HeaderBytes first = rig.HeaderAt(0), third = rig.HeaderAt(2 * pages);

  rig.Click(2);
  rig.Example(kPic18, "Replaced");
  ASSERT_TRUE(ops::editButtonClick(w)) << rig.dialogs.script.LastText();
  EXPECT_EQ(rig.dialogs.script.LastText(),
            "Program replaced successfully\rReplaced: 002 Job 2 (PIC16F628A, blink.hex)\r"
            "With: 002 Replaced (PIC18F4520, blink.hex)");
  EXPECT_EQ(w.Programs.EntryCount, 3);
  EXPECT_EQ(rig.C().Row(Ctl::slotList), 2);
  const slot::HeaderBytes second = rig.HeaderAt(pages);
  EXPECT_EQ(text::Trim(Name(second)), "002 Replaced");
  EXPECT_EQ(text::Trim(slot::GetText(second.data(), slot::slot_header::DeviceName)), "PIC18F4520");
  EXPECT_EQ(Next(second), 2 * pages) << "the link stays";
  EXPECT_EQ(rig.HeaderAt(0), first);
  EXPECT_EQ(rig.HeaderAt(2 * pages), third);
  EXPECT_EQ(w.Programs.Get(1).Header, second);
}

TEST(ReplaceProgram, ADescriptionHoldingEmptyIsRefusedBeforeAnything) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  ASSERT_TRUE(NewProgram(rig, kPic16, "Job"));
  rig.Click(1);
  rig.C().SetText(Ctl::ProgCaption, "Empty slot");
  EXPECT_FALSE(ops::editButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Please enter a new description");
  EXPECT_EQ(w.OperationMode, model::om_New) << "the operation never started";
}

// File Name as typed: a full path is the file written; a name of no file
// is refused with the path it stood for before anything is built or read.
TEST(NewProgram, TakesATypedFullPathAndRefusesATypedNameOfNoFile) {
  OpsRig rig(4);
  model::TMainForm& w = rig.Begin();
  rig.Example(kPic16, "Typed");
  w.LastFolder = rig.work.Path();
  rig.C().UserSetText(Ctl::fileName, ExampleFile(kPic16.folder));
  ASSERT_TRUE(ops::NewButtonClick(w)) << rig.dialogs.script.LastText();
  EXPECT_EQ(text::Trim(w.Programs.Get(0).SourceFileName), platform::ExtractFileName(ExampleFile(kPic16.folder)));

  const image::THexList before = rig.Flash();
  const int shown = rig.view.shown;
  rig.C().UserSetText(Ctl::fileName, "pic16f628.hex");
  EXPECT_FALSE(ops::NewButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Can not find file\r" + rig.work.File("pic16f628.hex"));
  EXPECT_EQ(rig.view.shown, shown) << "the programmer was not touched";
  EXPECT_TRUE(SameBytes(before, rig.Flash()));
}

TEST(NewProgram, RefusesBeforeWritingAnything) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  const image::THexList before = rig.Flash();

  rig.Example(kPic16, "Job");
  w.Data.DeviceName.clear();
  const std::size_t shown = rig.dialogs.script.shown.size();
  EXPECT_FALSE(ops::NewButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.shown.size(), shown) << "no device: nothing is said";

  rig.Example(kPic16, "Job");
  w.Data.FlashFile = rig.work.Path();
  EXPECT_FALSE(ops::NewButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.LastText(), "No filename set");

  rig.Example(kPic16, "Job");
  rig.C().SetText(Ctl::selectedDescription, "Empty");
  EXPECT_FALSE(ops::NewButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.LastText(), "To load Empty slot, Please use Replace Program");

  rig.Example(kPic16, "*Enter Program Description *");
  rig.C().SetText(Ctl::selectedDescription, "");
  EXPECT_FALSE(ops::NewButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Please enter a Program Description");

  rig.Example(kPic16, "Job");
  w.DemoMode = true;
  EXPECT_FALSE(ops::NewButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.LastText(), "No Programmer Data. Read Programmer First");

  EXPECT_EQ(rig.view.shown, 0) << "no progress window was opened";
  EXPECT_TRUE(SameBytes(before, rig.Flash()));
}

TEST(NewProgram, AsksBeforeA9VoltDeviceOnTheEarlierSingleWayProgrammer) {
  OpsRig rig(1);
  model::TMainForm& w = rig.Begin();
  rig.Program(1, "PIC16F1827", ExampleFile("pic16f628a"), "Job");
  ASSERT_EQ(w.Data.DeviceName, "PIC16F1827");
  rig.dialogs.script.Answer(DlgButton::No);
  EXPECT_FALSE(ops::NewButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.shown.back().text,
            "Device needs 9V VPP\rOld type programmer only supplies 12.5V\r\rDo you want to continue?");
  EXPECT_EQ(rig.view.shown, 0);
  EXPECT_EQ(w.Programs.EntryCount, 0);
}

TEST(NewProgram, OnThePortableAsksAboutARepeatedFileNameOrDescription) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  rig.AnswerYes();
  for (int i = 1; i <= 5; ++i) ASSERT_TRUE(NewProgram(rig, kPic16, "Job " + std::to_string(i)));
  rig.dialogs.script.defaultAnswer = DlgButton::Ok;

  // The file name in another letter case, found in slot 1.
  WriteFile(rig.work.File("BLINK.HEX"), ReadFile(ExampleFile("pic16f628a")));
  rig.Program(1, "PIC16F628A", rig.work.File("BLINK.HEX"), "Other");
  rig.dialogs.script.Answer(DlgButton::No);
  EXPECT_FALSE(ops::NewButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.shown.back().text,
            "This filename already exists\rSlot number 001\r\rDo you want to continue?");

  // Replacing the very slot that holds the name asks nothing.
  rig.Click(1);
  rig.Example(kPic16, "Job 1 again");
  const std::size_t shown = rig.dialogs.script.shown.size();
  ASSERT_TRUE(ops::editButtonClick(w)) << rig.dialogs.script.LastText();
  EXPECT_EQ(rig.dialogs.script.shown.size(), shown + 1) << "only the success message";

  // A description matching an emptied slot at index 4 names slot 005.
  rig.Click(5);
  rig.AnswerYes();
  ASSERT_TRUE(ops::DeleteProgramButtonClick(w));
  rig.dialogs.script.defaultAnswer = DlgButton::Ok;
  WriteFile(rig.work.File("other.hex"), ReadFile(ExampleFile("pic18f4520")));
  rig.Click(1);  // an emptied slot selected would refuse New
  rig.Program(0, "PIC18F4520", rig.work.File("other.hex"), "mpt");
  rig.dialogs.script.Answer(DlgButton::No);
  EXPECT_FALSE(ops::NewButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.shown.back().text,
            "This Description already exists\rSlot number 005\r\rDo you want to continue?");
  EXPECT_EQ(w.Programs.EntryCount, 5);
}

TEST(ReplaceProgram, KeepingItsDescriptionIsNoDuplicateOfALongerOne) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  rig.AnswerYes();
  ASSERT_TRUE(NewProgram(rig, kPic16, "Blink 18"));
  WriteFile(rig.work.File("other.hex"), ReadFile(ExampleFile("pic16f628a")));
  rig.Program(1, "PIC16F628A", rig.work.File("other.hex"), "Blink 1");
  ASSERT_TRUE(ops::NewButtonClick(w));
  rig.dialogs.script.defaultAnswer = DlgButton::None;

  rig.Click(2);  // the description box takes "Blink 1" from the row
  ASSERT_EQ(rig.C().Text(Ctl::ProgCaption), "Blink 1");
  ASSERT_TRUE(ops::editButtonClick(w)) << rig.dialogs.script.LastText();
  EXPECT_TRUE(rig.dialogs.script.unexpected.empty()) << rig.dialogs.script.unexpected.front();
  EXPECT_EQ(text::Trim(w.Programs.Get(1).SlotName), "002 Blink 1");
}

TEST(NewProgram, ChangesTheFirmwareOfAnEmpty8WayAndThenRefusesToMixFamilies) {
  OpsRig rig(4);
  model::TMainForm& w = rig.Begin();
  ASSERT_EQ(w.Data.LoadedFirmware, devices::fw_pic);

  ASSERT_TRUE(NewProgram(rig, kPic24, "Pic24 job")) << rig.dialogs.script.LastText();
  EXPECT_EQ(rig.view.captions.front(), "Update Programmer") << "the firmware change ran first";
  EXPECT_EQ(rig.Sim().firmware, sim::FirmwareKind::pic24);
  EXPECT_EQ(w.Data.LoadedFirmware, devices::fw_pic24);
  EXPECT_EQ(w.Programs.EntryCount, 1);

  const image::THexList before = rig.Flash();
  EXPECT_FALSE(NewProgram(rig, kPic16, "Pic16 job"));
  EXPECT_EQ(rig.dialogs.script.LastText(),
            "The programmer can either support PIC24 devices\ror PIC12/16/18 families - they can not be mixed.\r"
            "\rYou can load more PIC24 slots or erase the\rprogrammer to use it with PIC12/16/18 families.");
  EXPECT_EQ(w.Programs.EntryCount, 1);
  EXPECT_EQ(rig.Sim().firmware, sim::FirmwareKind::pic24) << "nothing was changed";
  EXPECT_TRUE(SameBytes(before, rig.Flash()));

  // Replacing the only slot may change the firmware back.
  rig.Click(1);
  rig.Example(kPic16, "Pic16 job");
  ASSERT_TRUE(ops::editButtonClick(w)) << rig.dialogs.script.LastText();
  EXPECT_EQ(rig.Sim().firmware, sim::FirmwareKind::pic);
}

TEST(NewProgram, OnAn8WayWithPic16SlotsRefusesAPic24Program) {
  OpsRig rig(4);
  model::TMainForm& w = rig.Begin();
  ASSERT_TRUE(NewProgram(rig, kPic16, "Pic16 job"));
  EXPECT_FALSE(NewProgram(rig, kPic24, "Pic24 job"));
  const std::string text = rig.dialogs.script.LastText();
  EXPECT_TRUE(text::StartsWith(text, "The programmer can either support PIC24 devices")) << text;
  EXPECT_TRUE(
      text.ends_with("\rTo load PIC24 family, erase the programmer first.\rYou can keep loading PIC12/16/18 "
                     "families."))
      << text;
  EXPECT_EQ(w.Programs.EntryCount, 1);
  EXPECT_EQ(rig.Sim().firmware, sim::FirmwareKind::pic);
}

TEST(NewProgram, AFirmwareChangeThatFailsStopsBeforeTheWrite) {
  OpsRig rig(4);
  model::TMainForm& w = rig.Begin();
  rig.Sim().faults.flashBadByte = 0x300;
  EXPECT_FALSE(NewProgram(rig, kPic24, "Pic24 job"));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Could not change firmware \rPlease try Load again");
  EXPECT_EQ(w.Programs.EntryCount, 0);
  EXPECT_EQ(rig.HeaderAt(0)[2], 0xFF) << "no slot was written";
  EXPECT_EQ(rig.view.open, 0);
}

TEST(NewProgram, AProgrammerSwappedSinceTheReadIsNotWritten) {
  OpsRig rig(0);
  model::TMainForm& w = rig.Begin();
  rig.Sim().faults.identity = 0x1F24;  // now answers as a single-way programmer version 2
  EXPECT_FALSE(NewProgram(rig, kPic16, "Job"));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Programmer type has changed. Please use Read button before Programming");
  EXPECT_EQ(rig.HeaderAt(0)[2], 0xFF);
  EXPECT_EQ(w.Programs.EntryCount, 0);
  EXPECT_EQ(rig.view.open, 0);
  EXPECT_FALSE(w.Link()->LinkOpen);
}

TEST(NewProgram, APageThatFailsToVerifyEndsTheWriteWithItsMessage) {
  for (int kind : {0, 2, 3}) {
    OpsRig rig(kind);
    model::TMainForm& w = rig.Begin();
    rig.Sim().faults.badPage = 1;
    EXPECT_FALSE(NewProgram(rig, kPic16, "Job")) << kind;
    // The single-slot programmer's one slot was emptied before the data.
    const bool single = kind == 0;
    EXPECT_EQ(
        rig.dialogs.script.LastText(),
        single ? "Dataflash verify fail\r\rSlot 1 is now empty and must be written again" : "Dataflash verify fail")
        << kind;
    EXPECT_EQ(rig.dialogs.script.shown.back().type, platform::DlgType::Error);
    EXPECT_EQ(w.Programs.EntryCount, single ? 1 : 0) << "the list shows what the programmer holds";
    EXPECT_EQ(rig.view.open, 0);
    EXPECT_EQ(rig.view.messages.back(), "Dataflash verify fail") << "the window showed it too";
  }
}

TEST(NewProgram, AnInterfaceUnpluggedMidWriteIsReportedAndTheListKept) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  ASSERT_TRUE(NewProgram(rig, kPic16, "Kept"));
  rig.view.onChange = [&](const model::ProgressForm& form) {
    if (form.Caption == "Loading Programmer" && form.MainProgressPosition == 2) rig.Sim().usbAttached = false;
  };
  rig.dialogs.script.defaultAnswer = DlgButton::Yes;
  EXPECT_FALSE(NewProgram(rig, kPic18, "Lost"));
  const platform::MessageBoxRequest& last = rig.dialogs.script.shown.back();
  EXPECT_EQ(last.type, platform::DlgType::Error) << last.text;
  EXPECT_NE(last.text, "Program loaded successfully");
  EXPECT_EQ(w.Programs.EntryCount, 1);
  EXPECT_EQ(rig.view.open, 0);

  rig.view.onChange = nullptr;
  rig.Sim().usbAttached = true;
  w.ReadProgButtonClick();
  ASSERT_GE(w.Programs.EntryCount, 1);
  EXPECT_EQ(text::Trim(w.Programs.Get(0).SlotName), "001 Kept") << "the slot written before is still there";
  EXPECT_EQ(w.Programs.EntryCount, 1) << "the slot whose write broke off is not listed";
}

TEST(NewProgram, AWriteThatFailsPartWayLeavesNoHeaderOverMissingData) {
  for (int kind : {2, 3}) {
    OpsRig rig(kind);
    model::TMainForm& w = rig.Begin();
    ASSERT_TRUE(NewProgram(rig, kPic16, "First")) << kind;
    const std::uint32_t second = PagesPerSlot(kind);
    rig.Sim().faults.badPage = int(second) + 1;  // the second slot's first data page
    EXPECT_FALSE(NewProgram(rig, kPic16, "Second")) << kind;
    EXPECT_EQ(rig.HeaderAt(second)[2], 0xFF) << "the header page is written last, so it never was";
    rig.Sim().faults.badPage = -1;
    w.ReadProgButtonClick();
    ASSERT_EQ(w.Programs.EntryCount, 1) << kind;
    EXPECT_EQ(text::Trim(w.Programs.Get(0).SlotName), "001 First");
  }
}

TEST(LoadLots, RepeatsNewQuietlyAndStopsAtAFailure) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  rig.C().SetValue(Ctl::errorRepeatCount, 2);
  rig.Example(kPic16, "Lot");
  ops::loadLotsClick(w);
  EXPECT_EQ(w.Programs.EntryCount, 3);
  EXPECT_TRUE(rig.dialogs.script.shown.empty()) << rig.dialogs.script.LastText();
  EXPECT_FALSE(w.QuietMode);

  rig.Sim().faults.badPage = 3 * PagesPerSlot(3) + 1;
  ops::loadLotsClick(w);
  EXPECT_EQ(w.Programs.EntryCount, 3);
  EXPECT_EQ(rig.dialogs.script.Texts(), std::vector<std::string>{"Dataflash verify fail"}) << "said once";
}

}  // namespace
}  // namespace velmar::test
