// "Verify after writing" against the simulator's silent fault, a page
// stored with one byte wrong while the programmer's own compare passes:
// without the read-back New, Replace and Load Unit succeed; with it they
// fail naming the slot and the page, and the record says so. A clean write
// verifies on every kind.
#include <gtest/gtest.h>

#include <algorithm>

#include "link/TReadProg.h"
#include "operations/OperationsRig.h"
#include "operations/SlotWriting.h"
#include "oplog/OperationLog.h"
#include "slot/ProgrammerGeometry.h"

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
  return rig.W().NewButtonClick();
}

std::string Failure(int slot, std::uint32_t page) {
  return "Verify after writing failed\rSlot " + std::to_string(slot) + ", page " + std::to_string(page) +
         " does not read back as written";
}

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
    EXPECT_EQ(checked.dialogs.script.LastText(), Failure(1, 1));
    EXPECT_EQ(checked.dialogs.script.shown.back().type, platform::DlgType::Error);
    EXPECT_EQ(checked.W().Programs.EntryCount, 0) << "a failed write is not listed";
    EXPECT_EQ(checked.view.open, 0);
    EXPECT_FALSE(checked.W().Link()->LinkOpen);
    const auto record = LastRecord(checked);
    EXPECT_EQ(record["operation"], "new");
    EXPECT_EQ(record["result"], "failed");
    EXPECT_EQ(record["message"], "Verify after writing failed\nSlot 1, page 1 does not read back as written");
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
  ASSERT_TRUE(w.CopyButtonClick()) << rig.dialogs.script.LastText();

  rig.C().SetChecked(Ctl::VerifyAfterWriting, true);
  rig.Sim().faults.silentBadPage = int(perSlot + 1);  // the second slot's first data page
  rig.Click(2);
  rig.Example(kPic16, "Pump C");
  EXPECT_FALSE(w.editButtonClick());
  EXPECT_EQ(rig.dialogs.script.LastText(), Failure(2, perSlot + 1));
  EXPECT_EQ(LastRecord(rig)["operation"], "replace");
  EXPECT_EQ(LastRecord(rig)["result"], "failed");

  rig.dialogs.script.AnswerOpen(unit);
  EXPECT_FALSE(w.LoadButtonClick());
  EXPECT_EQ(rig.dialogs.script.LastText(), Failure(2, perSlot + 1));
  EXPECT_EQ(LastRecord(rig)["operation"], "load");
  EXPECT_EQ(LastRecord(rig)["result"], "failed");

  rig.Sim().faults.silentBadPage = -1;
  rig.dialogs.script.AnswerOpen(unit);
  EXPECT_TRUE(w.LoadButtonClick()) << rig.dialogs.script.LastText();
}

TEST(VerifyAfterWriting, ThePageNumberNamesItsSlotOnEveryGeometry) {
  for (int kind = 0; kind <= 5; ++kind) {
    slot::ProgrammerGeometry g;
    g.ApplyKind(slot::KindFromNumber(kind).value());
    const std::uint32_t perSlot = g.PagesPerSlot();
    EXPECT_EQ(ops::VerifyFailureText(perSlot - 1, g), Failure(1, perSlot - 1)) << kind;
    if (g.IsMultiSlot()) {
      EXPECT_EQ(ops::VerifyFailureText(perSlot, g), Failure(2, perSlot)) << kind;
    }
  }
}

}  // namespace
}  // namespace velmar::test
