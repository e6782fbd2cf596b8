// Delete and Erase Unit on the window model against the simulated
// programmer: the emptied slot keeps its place in the chain and reads back
// as Empty, the questions and refusals before anything is written, and an
// erase that the programmer does not acknowledge.
#include <gtest/gtest.h>

#include <algorithm>

#include "image/TFileLoader.h"
#include "image/THexList.h"

#include "link/TReadProg.h"
#include "operations/DurationEstimate.h"
#include "operations/OperationsRig.h"
#include "operations/WindowOperations.h"
#include "platform/Text.h"

using velmar::model::Ctl;

namespace velmar::test {
namespace {

using platform::DlgButton;

const ExampleProgram kPic16{"pic16f628a", 1, "PIC16F628A"};

OpsRig& WithSlots(OpsRig& rig, int count) {
  if (!rig.window) rig.Begin();
  rig.AnswerYes();
  for (int i = 1; i <= count; ++i) {
    rig.Example(kPic16, "Job " + std::to_string(i));
    EXPECT_TRUE(ops::NewButtonClick(rig.W())) << rig.dialogs.script.LastText();
  }
  rig.dialogs.script.defaultAnswer = DlgButton::Ok;
  return rig;
}

TEST(DeleteProgram, EmptiesTheSlotInPlaceAndTheChainReadsBackTheSame) {
  for (int kind : {2, 3, 4}) {
    OpsRig rig(kind);
    model::TMainForm& w = WithSlots(rig, 4).W();
    const std::uint32_t pages = w.Link()->Geometry.PagesPerSlot();
    const slot::HeaderBytes old = rig.HeaderAt(2 * pages);

    rig.Click(3);
    rig.dialogs.script.Answer(DlgButton::Yes);
    ASSERT_TRUE(ops::DeleteProgramButtonClick(w)) << kind << ": " << rig.dialogs.script.LastText();
    const auto& shown = rig.dialogs.script.shown;
    EXPECT_EQ(shown[shown.size() - 2].text, "Are you sure you want to delete entry 3\r003 Job 3 (PIC16F628A)");
    EXPECT_EQ(shown.back().text, "Program deleted successfully");
    EXPECT_EQ(w.Programs.EntryCount, 4);
    EXPECT_EQ(rig.C().Row(Ctl::slotList), 3) << "the deleted row stays selected";
    EXPECT_TRUE(text::StartsWith(rig.C().Get(Ctl::slotList).cells[3][0], "003 Empty"));

    const slot::HeaderBytes h = rig.HeaderAt(2 * pages);
    EXPECT_EQ(h, slot::EmptyHeader(std::uint16_t(3 * pages), std::uint16_t(pages))) << kind;
    EXPECT_EQ(slot::GetField(h.data(), slot::slot_header::PageCount),
              slot::GetField(old.data(), slot::slot_header::PageCount));
    EXPECT_EQ(w.Programs.Get(2).Header, h);
    // The page after the header was written blank too.
    EXPECT_EQ(rig.Flash().GetValue((2 * pages + 1) * rig.PageSize()), 0xFF);

    w.ReadProgButtonClick();
    ASSERT_EQ(w.Programs.EntryCount, 4) << "the walk goes past the emptied slot";
    EXPECT_EQ(text::Trim(w.Programs.Get(2).SlotName), "Empty");
    EXPECT_EQ(text::Trim(w.Programs.Get(3).SlotName), "004 Job 4");

    // Deleting it again says so and writes nothing.
    const image::THexList emptied = rig.Flash();
    const int windows = rig.view.shown;
    rig.Click(3);
    EXPECT_TRUE(ops::DeleteProgramButtonClick(w));
    EXPECT_EQ(rig.dialogs.script.LastText(), "Slot 3 is already empty: nothing was written");
    EXPECT_EQ(rig.view.shown, windows);
    EXPECT_TRUE(SameBytes(emptied, rig.Flash()));
  }
}

TEST(DeleteProgram, AsksFirstAndDoesNothingOnNoOrWithNothingListed) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  EXPECT_FALSE(ops::DeleteProgramButtonClick(w));
  EXPECT_TRUE(rig.dialogs.script.shown.empty()) << "an empty list asks nothing";

  WithSlots(rig, 2);
  const image::THexList before = rig.Flash();
  const int windows = rig.view.shown;
  rig.Click(2);
  rig.dialogs.script.Answer(DlgButton::No);
  EXPECT_FALSE(ops::DeleteProgramButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Are you sure you want to delete entry 2\r002 Job 2 (PIC16F628A)");
  EXPECT_EQ(rig.dialogs.script.shown.back().defaultButton, DlgButton::No) << "Return never deletes";
  EXPECT_EQ(rig.view.shown, windows);
  EXPECT_TRUE(SameBytes(before, rig.Flash()));

  w.DemoMode = true;
  EXPECT_FALSE(ops::DeleteProgramButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.LastText(), "No Programmer Data. Read Programmer First");
}

TEST(DeleteProgram, AWriteThatFailsAtTheHeaderListsTheSlotEmpty) {
  OpsRig rig(2);
  model::TMainForm& w = WithSlots(rig, 2).W();
  rig.Sim().faults.badPage = int(w.Link()->Geometry.PagesPerSlot());
  rig.Click(2);
  rig.dialogs.script.Answer(DlgButton::Yes);
  EXPECT_FALSE(ops::DeleteProgramButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Dataflash verify fail");
  // The header page, written first, may or may not have arrived: the slot
  // is listed as the empty slot it is about to be, the one before it kept.
  EXPECT_EQ(text::Trim(w.Programs.Get(1).SlotName), "Empty");
  EXPECT_EQ(text::Trim(w.Programs.Get(0).SlotName), "001 Job 1");
}

TEST(DeleteProgram, AHeaderCountingNoPagesStillHasItsHeaderWritten) {
  OpsRig rig(3);
  SlotSpec spec;
  spec.description = "Zero";
  slot::HeaderBytes h = MakeHeader(spec, 1, 0, 1032, false);
  slot::PutField(h.data(), slot::slot_header::PageCount, 0);
  slot::SealHeader(h.data());
  rig.StageHeaders({{0, h}});
  model::TMainForm& w = rig.Begin();
  ASSERT_EQ(w.Programs.EntryCount, 1);
  rig.Click(1);
  rig.dialogs.script.Answer(DlgButton::Yes);
  ASSERT_TRUE(ops::DeleteProgramButtonClick(w));
  EXPECT_EQ(text::Trim(slot::GetText(rig.HeaderAt(0).data(), slot::slot_header::SlotName)), "Empty");
}

// One bit wrong in slot 3's link (1536 read as 512) ends the walk at slot
// 3: New would write over slot 2. Nothing but a Delete of slot 3 may
// write, and that Delete mends the link; Copy Unit still saves the unit.
TEST(DamagedDirectory, TakesNoWriteButTheDeleteOfTheDamagedSlot) {
  OpsRig rig(2);
  model::TMainForm& w = WithSlots(rig, 4).W();
  const std::uint32_t pages = w.Link()->Geometry.PagesPerSlot();
  rig.Sim().flash->PageData(2 * pages)[1] ^= 0x04;  // link 0x0600 read as 0x0200
  w.ReadProgButtonClick();
  ASSERT_EQ(w.Programs.EntryCount, 3);
  const image::THexList before = rig.Flash();

  rig.Example(kPic16, "Job 5");
  EXPECT_FALSE(ops::NewButtonClick(w));
  EXPECT_TRUE(
      text::StartsWith(rig.dialogs.script.LastText(), "Slot 3 in the programmer is damaged: its header checksum"))
      << rig.dialogs.script.LastText();
  EXPECT_TRUE(text::Contains(rig.dialogs.script.LastText(), "Delete slot 3 or use Erase Unit"));
  rig.Click(1);
  EXPECT_FALSE(ops::editButtonClick(w)) << "Replace of a whole slot is refused too";
  rig.Click(2);
  EXPECT_FALSE(ops::DeleteProgramButtonClick(w)) << "so is a Delete of another slot";
  EXPECT_TRUE(SameBytes(before, rig.Flash()));

  // The first thing the message tells the user to do still works: Copy Unit
  // saves the listed slots as the programmer holds them, and writes nothing.
  const std::string unit = rig.work.File("damaged.prg");
  rig.dialogs.script.AnswerSave(unit);
  rig.dialogs.script.Answer(DlgButton::Yes);
  ASSERT_TRUE(ops::CopyButtonClick(w)) << rig.dialogs.script.LastText();
  image::THexList saved(before.Count());
  ASSERT_EQ(image::TFileLoader::LoadFile(unit, saved).result, 0);
  const std::uint32_t listedBytes = 3 * pages * rig.PageSize();
  EXPECT_TRUE(std::equal(saved.DataAt(0), saved.DataAt(0) + listedBytes, before.DataAt(0)));
  EXPECT_TRUE(SameBytes(before, rig.Flash()));

  rig.Click(3);
  rig.dialogs.script.Answer(DlgButton::Yes);
  ASSERT_TRUE(ops::DeleteProgramButtonClick(w)) << rig.dialogs.script.LastText();
  EXPECT_EQ(rig.HeaderAt(2 * pages), slot::EmptyHeader(std::uint16_t(3 * pages), std::uint16_t(pages)));
  w.ReadProgButtonClick();
  ASSERT_EQ(w.Programs.EntryCount, 4) << "the walk reaches slot 4 again";
  EXPECT_EQ(text::Trim(w.Programs.Get(3).SlotName), "004 Job 4");
  ASSERT_TRUE(ops::NewButtonClick(w)) << rig.dialogs.script.LastText();
  EXPECT_EQ(w.Programs.Get(4).StartPage, 4 * pages);
}

TEST(EraseUnit, ErasesEverySlotAfterTheQuestion) {
  for (int kind : {0, 2, 3}) {
    OpsRig rig(kind);
    model::TMainForm& w = WithSlots(rig, kind == 0 ? 1 : 2).W();
    const image::THexList before = rig.Flash();

    rig.dialogs.script.Answer(DlgButton::No);
    EXPECT_FALSE(ops::EraseButtonClick(w));
    const std::string asked = rig.dialogs.script.shown.back().text;
    EXPECT_EQ(asked.rfind("Are you sure you want to erase ALL programs?\r\rErasing takes about ", 0), 0u) << asked;
    EXPECT_EQ(rig.dialogs.script.shown.back().defaultButton, DlgButton::No);
    EXPECT_TRUE(SameBytes(before, rig.Flash()));

    rig.dialogs.script.Answer(DlgButton::Yes);
    ASSERT_TRUE(ops::EraseButtonClick(w)) << kind << ": " << rig.dialogs.script.LastText();
    EXPECT_EQ(rig.dialogs.script.LastText(), "Programmer Erased");
    EXPECT_EQ(rig.Flash().LastUsed(), -1) << "the whole dataflash is blank";
    EXPECT_EQ(w.Programs.EntryCount, 0);
    EXPECT_EQ(rig.C().Get(Ctl::slotList).cells.size(), 1u) << "only the title row";
    EXPECT_EQ(rig.view.captions.back(), "Erasing Programmer");
    EXPECT_EQ(rig.view.open, 0);
    EXPECT_FALSE(w.Link()->LinkOpen);
  }
}

// The question's estimate: its protocol part is what the simulated run
// takes on the virtual clock, for every kind and both pacings; what USB
// adds on top is told as a range.
TEST(EraseUnit, TheQuestionGivesTheDurationTheRunTakes) {
  for (int kind : {0, 1, 2, 3, 4, 5}) {
    for (link::LinkPacing pacing : {link::LinkPacing::exact, link::LinkPacing::fast}) {
      OpsRig rig(kind);
      model::TMainForm& w = rig.Begin();
      w.ChooseLinkPacing(pacing);
      const ops::DurationEstimate estimate = ops::EraseUnitDuration(w.Geometry(), ops::TimingOf(pacing, w.Link()));
      rig.dialogs.script.Answer(DlgButton::Yes);
      const std::uint64_t start = rig.clock.NowMs();
      ASSERT_TRUE(ops::EraseButtonClick(w)) << rig.dialogs.script.LastText();
      const double took = double(rig.clock.NowMs() - start);
      EXPECT_NEAR(double(estimate.protocolMs), took, took * 0.005) << kind << " " << link::PacingName(pacing);
      EXPECT_LT(estimate.FromMs(), estimate.ToMs());
      if (kind == 3) {
        // 4,096 erase commands of 100 ms, USB's round trips as measured.
        const std::string text = rig.dialogs.script.shown[rig.dialogs.script.shown.size() - 2].text;
        EXPECT_NE(text.find(pacing == link::LinkPacing::exact ? "Erasing takes about 8 min 40 s to 8 min 50 s and"
                                                              : "Erasing takes about 7 min 0 s to 7 min 45 s and"),
                  std::string::npos)
            << text;
      }
    }
  }
}

TEST(EraseUnit, AnUnacknowledgedEraseIsReportedAndTheListKept) {
  OpsRig rig(2);
  model::TMainForm& w = WithSlots(rig, 2).W();
  rig.Sim().faults.eraseFails = true;
  rig.dialogs.script.Answer(DlgButton::Yes);
  EXPECT_FALSE(ops::EraseButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Erase Failed");
  EXPECT_EQ(rig.dialogs.script.shown.back().type, platform::DlgType::Error);
  EXPECT_EQ(w.Programs.EntryCount, 2);
  EXPECT_EQ(rig.view.open, 0);
  EXPECT_FALSE(w.Link()->LinkOpen);
}

}  // namespace
}  // namespace velmar::test
