// "Verify after writing" against the simulator's silent fault, a page
// stored with one byte wrong while the programmer's own compare passes:
// without the read-back New, Replace and Load Unit succeed; with it they
// fail naming the slot and the page, empty that slot's header (as a write
// that broke off leaves it) and say so, and the record says so; a unit
// write empties every slot that does not read back. A clean write verifies
// on every kind.
#include <gtest/gtest.h>

#include <algorithm>

#include "link/TReadProg.h"
#include "operations/OperationsRig.h"
#include "operations/SlotWriting.h"
#include "operations/WindowOperations.h"
#include "oplog/OperationLog.h"
#include "slot/DirectoryCheck.h"
#include "slot/ProgrammerGeometry.h"
#include "slot/SlotHeader.h"

using velmar::model::Ctl;

namespace velmar::test {
namespace {

using platform::DlgButton;

const ExampleProgram kPic16{"pic16f628a", 1, "PIC16F628A"};

std::uint32_t PagesPerSlot(int kind) {
  slot::ProgrammerGeometry g;
  g.ApplyKind(slot::KindFromNumber(kind).value());
  return g.PagesPerSlot();
}

bool New(OpsRig& rig, const std::string& description) {
  rig.Example(kPic16, description);
  return ops::NewButtonClick(rig.W());
}

std::string Failure(int slot, std::uint32_t page) {
  return "Verify after writing failed\rSlot " + std::to_string(slot) + ", page " + std::to_string(page) +
         " does not read back as written";
}

const std::string kNowEmpty = "\r\rSlot 1 is now empty and must be written again";

nlohmann::ordered_json LastRecord(OpsRig& rig) {
  return oplog::OperationLog(rig.W().Journal().LogPath()).Read().records.back();
}

TEST(VerifyAfterWriting, ACleanWriteVerifiesOnEveryKind) {
  for (int kind = 0; kind <= 5; ++kind) {
    OpsRig rig(kind);
    rig.Begin();
    rig.AnswerYes();
    rig.C().SetChecked(Ctl::VerifyAfterWriting, true);
    EXPECT_TRUE(New(rig, "Pump")) << kind << ": " << rig.dialogs.script.LastText();
    EXPECT_EQ(rig.dialogs.script.LastText(), "Program loaded successfully") << kind;
    EXPECT_NE(std::find(rig.view.messages.begin(), rig.view.messages.end(), "Verifying Programmer"),
              rig.view.messages.end())
        << kind;
  }
}

TEST(VerifyAfterWriting, NewCatchesTheSilentFaultOnlyWhenAskedAndNamesThePage) {
  for (int kind : {0, 2, 3}) {
    SCOPED_TRACE(kind);
    OpsRig rig(kind);
    rig.Begin();
    rig.AnswerYes();
    rig.Sim().faults.silentBadPage = 1;
    EXPECT_TRUE(New(rig, "Pump")) << "the programmer's compare passes: " << rig.dialogs.script.LastText();

    OpsRig checked(kind);
    checked.Begin();
    checked.AnswerYes();
    checked.Sim().faults.silentBadPage = 1;
    checked.C().SetChecked(Ctl::VerifyAfterWriting, true);
    EXPECT_FALSE(New(checked, "Pump"));
    EXPECT_EQ(checked.dialogs.script.LastText(), Failure(1, 1) + kNowEmpty);
    EXPECT_EQ(checked.dialogs.script.shown.back().type, platform::DlgType::Error);
    // The slot's header on the programmer is emptied, not left valid over
    // the wrong page, and the window lists no program there.
    const slot::HeaderBytes header = checked.HeaderAt(0);
    EXPECT_EQ(header, slot::EmptyHeader(std::uint16_t(slot::GetField(header.data(), slot::slot_header::NextHeaderPage)),
                                        std::uint16_t(slot::GetField(header.data(), slot::slot_header::PageCount))));
    for (int i = 0; i < checked.W().Programs.EntryCount; ++i)
      EXPECT_EQ(checked.W().Programs.Get(i).Header, header) << "a failed write is not listed as a program";
    EXPECT_EQ(checked.view.open, 0);
    EXPECT_FALSE(checked.W().Link()->LinkOpen);
    const auto record = LastRecord(checked);
    EXPECT_EQ(record["operation"], "new");
    EXPECT_EQ(record["result"], "failed");
    EXPECT_EQ(record["message"],
              "Verify after writing failed\nSlot 1, page 1 does not read back as written\n\nSlot 1 "
              "is now empty and must be written again");
  }
}

TEST(VerifyAfterWriting, ReplaceAndLoadUnitNameTheSlotOfTheBadPage) {
  const int kind = 2;
  const std::uint32_t perSlot = PagesPerSlot(kind);
  OpsRig rig(kind);
  model::TMainForm& w = rig.Begin();
  rig.AnswerYes();
  ASSERT_TRUE(New(rig, "Pump A"));
  ASSERT_TRUE(New(rig, "Pump B"));
  const std::string unit = rig.work.File("unit.prg");
  rig.dialogs.script.AnswerSave(unit);
  ASSERT_TRUE(ops::CopyButtonClick(w)) << rig.dialogs.script.LastText();

  rig.C().SetChecked(Ctl::VerifyAfterWriting, true);
  rig.Sim().faults.silentBadPage = int(perSlot + 1);  // the second slot's first data page
  rig.Click(2);
  rig.Example(kPic16, "Pump C");
  EXPECT_FALSE(ops::editButtonClick(w));
  const std::string slot2Empty = "\r\rSlot 2 is now empty and must be written again";
  EXPECT_EQ(rig.dialogs.script.LastText(), Failure(2, perSlot + 1) + slot2Empty);
  EXPECT_EQ(slot::GetText(rig.HeaderAt(perSlot).data(), slot::slot_header::SlotName).rfind("Empty", 0), 0u);
  EXPECT_EQ(LastRecord(rig)["operation"], "replace");
  EXPECT_EQ(LastRecord(rig)["result"], "failed");

  rig.dialogs.script.AnswerOpen(unit);
  EXPECT_FALSE(ops::LoadButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.LastText(), Failure(2, perSlot + 1) + slot2Empty);
  EXPECT_EQ(slot::GetText(rig.HeaderAt(perSlot).data(), slot::slot_header::SlotName).rfind("Empty", 0), 0u);
  EXPECT_EQ(w.Programs.Get(1).Header, rig.HeaderAt(perSlot)) << "the window lists what the programmer holds";
  EXPECT_EQ(LastRecord(rig)["operation"], "load");
  EXPECT_EQ(LastRecord(rig)["result"], "failed");

  rig.Sim().faults.silentBadPage = -1;
  rig.dialogs.script.AnswerOpen(unit);
  EXPECT_TRUE(ops::LoadButtonClick(w)) << rig.dialogs.script.LastText();
}

// A Load Unit writes several slots: each one that does not read back, or
// whose page cannot be read at all, is emptied, not only the first; the
// slot between them that reads back as written keeps its program.
TEST(VerifyAfterWriting, LoadUnitEmptiesEverySlotThatDoesNotReadBack) {
  const int kind = 2;
  const std::uint32_t perSlot = PagesPerSlot(kind);
  const std::uint32_t slot3Page = 2 * perSlot + 1;
  struct Case {
    const char* what;
    int flipReadPage;  // slot 3's page differs on every read
    int badReadPage;   // or cannot be read
    const char* slot3Fault;
  };
  const Case cases[] = {
      {"differs", int(slot3Page), -1, " does not read back as written"},
      {"unreadable", -1, int(slot3Page), " could not be read back"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OpsRig rig(kind);
    model::TMainForm& w = rig.Begin();
    rig.AnswerYes();
    for (const char* name : {"Pump A", "Pump B", "Pump C"}) ASSERT_TRUE(New(rig, name));
    const std::string unit = rig.work.File("unit.prg");
    rig.dialogs.script.AnswerSave(unit);
    ASSERT_TRUE(ops::CopyButtonClick(w)) << rig.dialogs.script.LastText();

    rig.C().SetChecked(Ctl::VerifyAfterWriting, true);
    rig.Sim().faults.silentBadPage = 1;
    rig.Sim().faults.flipReadPage = c.flipReadPage;
    rig.Sim().faults.badReadPage = c.badReadPage;
    rig.dialogs.script.AnswerOpen(unit);
    EXPECT_FALSE(ops::LoadButtonClick(w));
    EXPECT_EQ(rig.dialogs.script.LastText(), Failure(1, 1) + "\rSlot 3, page " + std::to_string(slot3Page) +
                                                 c.slot3Fault +
                                                 "\r\rSlots 1 and 3 are now empty and must be written again");
    for (std::uint32_t slot : {0u, 2u})
      EXPECT_TRUE(slot::IsEmptiedHeader(rig.HeaderAt(slot * perSlot).data())) << "slot " << slot + 1;
    EXPECT_EQ(slot::GetText(rig.HeaderAt(perSlot).data(), slot::slot_header::SlotName).rfind("Empty", 0),
              std::string::npos)
        << "slot 2 read back as written";
  }
}

TEST(VerifyAfterWriting, ThePageNumberNamesItsSlotOnEveryGeometry) {
  for (int kind = 0; kind <= 5; ++kind) {
    slot::ProgrammerGeometry g;
    g.ApplyKind(slot::KindFromNumber(kind).value());
    const std::uint32_t perSlot = g.PagesPerSlot();
    EXPECT_EQ(ops::VerifyFailureText({{perSlot - 1}}, g), Failure(1, perSlot - 1)) << kind;
    if (g.IsMultiSlot()) {
      EXPECT_EQ(ops::VerifyFailureText({{perSlot}}, g), Failure(2, perSlot)) << kind;
    }
  }
}

}  // namespace
}  // namespace velmar::test
