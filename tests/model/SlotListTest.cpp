// The slot list after a Read of a staged simulated programmer: both
// layouts, the labels and buttons kept in step, the full and firmware
// checks, the row click, Find Name and the clipboard text.
#include <gtest/gtest.h>

#include "model/ReadRig.h"
#include "platform/Text.h"

using velmar::model::Ctl;
using velmar::model::FindCtl;

namespace velmar::test {
namespace {

using platform::DlgButton;
using Row = std::vector<std::string>;

std::vector<SlotSpec> Jobs(int n) {
  std::vector<SlotSpec> v;
  for (int i = 1; i <= n; ++i) {
    SlotSpec s;
    s.description = "Job " + std::to_string(i);
    s.file = "job" + std::to_string(i) + ".hex";
    s.device = "PIC16F628A";
    v.push_back(s);
  }
  return v;
}

std::string Padded(const std::string& s, std::size_t n) { return s + std::string(n - s.size(), ' '); }

TEST(SlotList, AnEmptyProgrammerLeavesTheTitleRowAndOffersOnlyNew) {
  ReadRig rig(3);
  rig.Start();
  rig.C().UserClick(Ctl::ReadProgButton);  // a Read of a shown window (it ends by emptying selectedSlotNumber)
  rig.W().RefreshSlotList();
  const model::ControlStore& s = rig.C();
  EXPECT_EQ(s.Get(Ctl::slotList).cells, (std::vector<Row>{{"Description", "Filename", "Device  "}}));
  EXPECT_EQ(s.Text(Ctl::slotListHint), "Empty, Use New Button");
  EXPECT_EQ(s.Text(Ctl::slotListHint2), "");
  EXPECT_EQ(s.Text(Ctl::newSlotNumber), "001");
  EXPECT_EQ(s.Text(Ctl::selectedSlotNumber), "001");
  EXPECT_EQ(s.Text(Ctl::ProgCaption), "");
  EXPECT_EQ(s.Text(Ctl::selectedDescription), "");
  EXPECT_FALSE(s.Enabled(Ctl::editButton));
  EXPECT_FALSE(s.Enabled(Ctl::DeleteProgramButton));
  EXPECT_TRUE(s.Enabled(Ctl::NewButton));
}

TEST(SlotList, RowsEmptiedByAnEmptyReadStayInTheList) {
  ReadRig rig(2);
  rig.Stage(Jobs(3));
  rig.Start();
  rig.StageHeaders({});
  rig.C().UserClick(Ctl::ReadProgButton);
  const auto& cells = rig.C().Get(Ctl::slotList).cells;
  ASSERT_EQ(cells.size(), 4u);
  EXPECT_EQ(cells[3], (Row{"", "", ""}));
  EXPECT_EQ(rig.W().OperationMode, model::om_New);
}

TEST(SlotList, TheMultiSlotLayoutListsEverySlotAndNumbersEmptiedOnes) {
  ReadRig rig(3);
  auto jobs = Jobs(7);
  jobs[1].description = "Empty bottle line";  // a user's description, not an emptied slot
  jobs[6].description = "Empty";
  rig.Stage(jobs);
  rig.Start();
  const model::ControlStore& s = rig.C();
  const auto& cells = s.Get(Ctl::slotList).cells;
  ASSERT_EQ(cells.size(), 8u);
  EXPECT_EQ(cells[1], (Row{Padded("001 Job 1", 32), Padded("job1.hex", 21), Padded("PIC16F628A", 16)}));
  EXPECT_EQ(cells[2][0], Padded("002 Empty bottle line", 32));
  EXPECT_EQ(cells[7][0], "007 Empty" + std::string(27, ' '));
  EXPECT_EQ(s.Text(Ctl::slotListHint), "Set up Files, Device etc then");
  EXPECT_EQ(s.Text(Ctl::slotListHint2), "Click New or Replace Program");
  EXPECT_EQ(s.Row(Ctl::slotList), 7);
  EXPECT_EQ(s.Text(Ctl::newSlotNumber), "007");
  EXPECT_TRUE(s.Enabled(Ctl::editButton));
  EXPECT_TRUE(s.Enabled(Ctl::NewButton));

  rig.C().UserClickCell(Ctl::slotList, 2, 1);
  EXPECT_EQ(s.Text(Ctl::newSlotNumber), "002");
  EXPECT_EQ(s.Text(Ctl::ProgCaption), "Empty bottle line") << "without the slot's padding, so it takes typing";
  EXPECT_EQ(s.Text(Ctl::selectedDescription), Padded("Empty bottle line", 28));
  EXPECT_EQ(rig.W().DescriptionRoomText(), "11 characters left");
}

TEST(SlotList, AfterReplaceTheWorkedOnRowStaysAndAfterNewTheLastIsSelected) {
  ReadRig rig(4);
  rig.Stage(Jobs(5));
  model::TMainForm& w = rig.Start();
  rig.C().UserClickCell(Ctl::slotList, 3, 0);
  w.OperationMode = model::om_Replace;
  w.RefreshSlotList();
  EXPECT_EQ(rig.C().Row(Ctl::slotList), 3);
  EXPECT_EQ(rig.C().Text(Ctl::selectedSlotNumber), "003");
  EXPECT_EQ(rig.C().Text(Ctl::selectedDescription), Padded("Job 3", 28));
  w.OperationMode = model::om_New;
  w.RefreshSlotList();
  EXPECT_EQ(rig.C().Row(Ctl::slotList), 5);
}

TEST(SlotList, APortableHolding31SlotsIsFullEvenWithPagesLeft) {
  ReadRig rig(3);
  rig.Stage(Jobs(31));
  rig.Start();
  EXPECT_EQ(rig.W().Programs.EntryCount, 31);
  EXPECT_EQ(rig.C().Text(Ctl::slotListHint), "Programmer is full");
  EXPECT_EQ(rig.C().Text(Ctl::slotListHint2), "");
  EXPECT_FALSE(rig.C().Enabled(Ctl::NewButton));
}

TEST(SlotList, ALastSlotReachingBeyondTheDataflashMakesTheProgrammerFull) {
  ReadRig rig(2);
  const std::uint32_t pages = rig.SlotPages();
  rig.StageHeaders({{0, MakeHeader(Jobs(1)[0], 1, 0, pages, false)},
                    {pages, MakeHeader(Jobs(2)[1], 2, pages, 4000, false)}});  // links to page 4512 of 4096
  rig.Start();
  EXPECT_EQ(rig.W().Programs.EntryCount, 2);
  EXPECT_EQ(rig.C().Text(Ctl::slotListHint), "Programmer is full");
  EXPECT_FALSE(rig.C().Enabled(Ctl::NewButton));
}

TEST(SlotList, TheSecondEightWayReportsEachSlotThatNeedsOtherFirmware) {
  ReadRig rig(4);
  auto jobs = Jobs(4);
  jobs[0].familyFlags = 0x20;  // PIC24F
  jobs[1].familyFlags = 0x04;  // PIC18F
  jobs[2].familyFlags = 0xFF;  // no family: not compared
  jobs[3].familyFlags = 0x23;  // dsPIC30
  rig.Stage(jobs);
  rig.Start();
  auto texts = rig.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0],
            "There has been a firmware load error.\rPIC12/16/18 Firmware  is Loaded.\rSlot 1 needs PIC24firmware\r"
            "This will cause a programming error.\r\rYou will need to erase the programmer\r or reload slot 1 with "
            "PIC12/16/18");
  EXPECT_NE(texts[1].find("Slot 4 needs PIC24firmware"), std::string::npos);
  EXPECT_EQ(rig.dialogs.script.shown[0].type, platform::DlgType::Error);
  EXPECT_EQ(rig.W().Programs.EntryCount, 4) << "the list is filled whatever the check reports";
}

TEST(SlotList, OtherKindsAreNotCheckedForFirmware) {
  ReadRig rig(2);
  auto jobs = Jobs(1);
  jobs[0].familyFlags = 0x20;
  rig.Stage(jobs);
  rig.Start();
  EXPECT_TRUE(rig.Texts().empty());
}

TEST(SlotList, TheSingleSlotLayoutShowsTheOneSlotOrEmpty) {
  ReadRig rig(5);
  rig.Stage(Jobs(1));
  rig.Start();
  const model::ControlStore& s = rig.C();
  EXPECT_EQ(s.Get(Ctl::slotList).cells.size(), 2u);
  EXPECT_EQ(s.Get(Ctl::slotList).cells[1][1], Padded("job1.hex", 21));
  EXPECT_EQ(s.Text(Ctl::slotListHint), "Loaded");
  EXPECT_EQ(s.Text(Ctl::NewButton), "Load");
  EXPECT_FALSE(s.Visible(Ctl::editButton));
  EXPECT_FALSE(s.Visible(Ctl::DeleteProgramButton));
  EXPECT_EQ(s.Row(Ctl::slotList), 1);
  EXPECT_EQ(s.Text(Ctl::newSlotNumber), "001");

  rig.StageHeaders({});
  rig.W().OperationMode = model::om_Replace;
  rig.C().UserClick(Ctl::ReadProgButton);
  EXPECT_EQ(s.Text(Ctl::slotListHint), "Empty");
  EXPECT_EQ(s.Get(Ctl::slotList).cells[1], (Row{"", "", ""}));
  EXPECT_EQ(rig.W().OperationMode, model::om_New);
}

// ---- Find Name ----

struct FindRig : ReadRig {
  FindRig() : ReadRig(3) {
    auto jobs = Jobs(4);
    jobs[0].file = "ABC.HEX";
    jobs[1].file = "abc";
    jobs[2].description = "Pump abc";
    Stage(jobs);
    Start();
  }
  // Opens the dialog, searches `times` times and closes it; the rows selected.
  std::vector<int> Find(const std::string& text, bool matchCase, bool wholeWord, int times = 1) {
    std::vector<int> rows;
    dialogs.script.AnswerForm([&](platform::ModalForm& f) {
      model::ControlStore& d = dynamic_cast<model::FindNameDialog&>(f).Controls();
      d.UserSetText(FindCtl::FindText, text);
      if (matchCase) d.UserClick(FindCtl::MatchCase);
      if (wholeWord) d.UserClick(FindCtl::WholeWord);
      for (int i = 0; i < times; ++i) {
        d.UserClick(FindCtl::FindNext);
        rows.push_back(C().Row(Ctl::slotList));
      }
      d.UserClick(FindCtl::Cancel);
      return f.ModalResult;
    });
    C().UserClick(Ctl::FindButton);
    return rows;
  }
};

TEST(FindName, WithoutMatchCaseAbcFindsABCHexAndTheNextSearchGoesOn) {
  FindRig rig;
  rig.C().SelectCell(Ctl::slotList, 4, 0);
  EXPECT_EQ(rig.Find("abc", false, false, 4), (std::vector<int>{1, 2, 3, 3}));
  EXPECT_EQ(rig.dialogs.script.LastText(), "abc Not Found");
  EXPECT_EQ(rig.W().FindStart, 0) << "a failed search starts the next one from the top";
  EXPECT_EQ(rig.dialogs.script.shownForms, std::vector<std::string>{"findNameDialog"});
}

TEST(FindName, MatchCaseAndWholeWordNarrowTheSearch) {
  FindRig rig;
  EXPECT_EQ(rig.Find("ABC", true, false), std::vector<int>{1});
  rig.C().SelectCell(Ctl::slotList, 4, 0);
  EXPECT_EQ(rig.Find("ABC.HEX", false, true), std::vector<int>{4}) << "a padded field never equals a shorter text";
  EXPECT_EQ(rig.dialogs.script.LastText(), "ABC.HEX Not Found");
  EXPECT_EQ(rig.Find(Padded("abc", 21), false, true), std::vector<int>{2});
  EXPECT_EQ(rig.Find(Padded("003 Pump abc", 32), true, true), std::vector<int>{3});
}

TEST(FindName, AnEmptyTextFindsNothing) {
  FindRig rig;
  rig.C().SelectCell(Ctl::slotList, 4, 0);
  EXPECT_EQ(rig.Find("", false, false), std::vector<int>{4}) << "every field contains the empty text, none is found";
  EXPECT_EQ(rig.dialogs.script.LastText(), " Not Found");
  EXPECT_EQ(rig.W().FindStart, 0);
}

TEST(FindName, TheSlotFoundIsTheOneTheDescriptionBoxesShow) {
  FindRig rig;
  rig.C().UserClickCell(Ctl::slotList, 4, 0);
  EXPECT_EQ(rig.Find("pump", false, false), std::vector<int>{3});
  EXPECT_EQ(rig.C().Text(Ctl::newSlotNumber), "003");
  EXPECT_EQ(rig.C().Text(Ctl::selectedSlotNumber), "003");
  EXPECT_EQ(text::Trim(rig.C().Text(Ctl::ProgCaption)), "Pump abc") << "not slot 4's description";
  EXPECT_EQ(text::Trim(rig.C().Text(Ctl::selectedDescription)), "Pump abc");
}

TEST(FindName, OpeningTheDialogStartsAtTheFirstSlot) {
  FindRig rig;
  rig.W().FindStart = 3;
  EXPECT_EQ(rig.Find("abc", false, false), std::vector<int>{1});
}

// ---- Clipboard ----

TEST(SlotClipboard, CopyAllJoinsCellsWithTabsAndRowsWithCrLf) {
  ReadRig rig(3);
  rig.Start();
  rig.C().UserClick(Ctl::copyAllMenuItem);
  EXPECT_EQ(rig.dialogs.script.clipboard, "Description\tFilename\tDevice  ");

  ReadRig two(2);
  two.Stage(Jobs(2));
  two.Start();
  two.C().UserClick(Ctl::copyAllMenuItem);
  EXPECT_EQ(two.dialogs.script.clipboard, "Description\tFilename\tDevice  \r\n" + Padded("001 Job 1", 32) + "\t" +
                                              Padded("job1.hex", 21) + "\t" + Padded("PIC16F628A", 16) + "\r\n" +
                                              Padded("002 Job 2", 32) + "\t" + Padded("job2.hex", 21) + "\t" +
                                              Padded("PIC16F628A", 16));
  two.C().UserClickCell(Ctl::slotList, 1, 1);
  two.C().UserClick(Ctl::copyCellMenuItem);
  EXPECT_EQ(two.dialogs.script.clipboard, Padded("job1.hex", 21));
}

}  // namespace
}  // namespace velmar::test
