// Show Slot Details: slot headers written as each family's builder writes
// them, read from a simulated programmer and turned back into the window's
// family, device and options; the device found by its identifier; the count
// limit; and the slots it leaves alone. Each DetailsCase is one slot with
// the controls it must restore, so further families and builder-made slots
// are added as rows of the table.
#include <gtest/gtest.h>

#include <map>
#include <variant>

#include "model/ReadRig.h"
#include "model/SlotHeaderReading.h"

using velmar::model::Ctl;

namespace velmar::test {
namespace {

using Expected = std::vector<std::pair<model::ControlName, std::variant<bool, int, std::string>>>;

struct DetailsCase {
  const char* name;
  SlotSpec slot;
  Expected controls;  // check boxes: bool; choices and spin boxes: int; texts: string
};

SlotSpec Spec(const std::string& device, const std::string& id, std::uint8_t a, std::uint8_t b, std::uint8_t c,
              std::uint8_t family, std::uint8_t supply, int limitFlags, std::uint16_t count) {
  SlotSpec s;
  s.description = "Line " + device;
  s.file = "prog.hex";
  s.device = device;
  s.deviceId = id;
  s.optionsA = a;
  s.optionsB = b;
  s.optionsC = c;
  s.familyFlags = family;
  s.supply = supply;
  s.limitFlags = limitFlags;
  s.count = count;
  s.repeat = 7;
  return s;
}

SlotSpec WithConfig(SlotSpec s, const std::string& config) {
  s.config = config;
  return s;
}

const DetailsCase kCases[] = {
    {"PIC18F, high voltage, user ID, data kept, 5 V, limit 300",
     Spec("PIC18F4520", "1080", 0xF2, 0xA9, 0x40, 0x04, 0xFF, 0x80, 300),
     {{Ctl::family, 0},
      {Ctl::progMode, 1},
      {Ctl::matchDeviceID, true},
      {Ctl::progUserID, true},
      {Ctl::VerifyConfig, true},
      {Ctl::DataSave, true},
      {Ctl::VDD_Voltage, false},
      {Ctl::limitPrograms, true},
      {Ctl::ProgCount, 300},
      {Ctl::errorRepeatCount, 7}}},
    {"PIC18 K, low voltage, boot block kept, no verify, 3.3 V, no limit",
     Spec("PIC18F46K22", "5400", 0x1A, 0x62, 0x36, 0x04, 0xA9, 0x00, 0xFFFF),
     {{Ctl::family, 3},
      {Ctl::progMode, 0},
      {Ctl::matchDeviceID, false},
      {Ctl::progUserID, false},
      {Ctl::VerifyConfig, false},
      {Ctl::bootSave, true},
      {Ctl::VDD_Voltage, true},
      {Ctl::limitPrograms, false},
      {Ctl::ProgCount, 10}}},
    {"PIC18J with the device's fuse mask",
     WithConfig(Spec("PIC18F46J50", "4CA0", 0x92, 0xA9, 0x80, 0x00, 0xA9, 0x00, 0xFFFF), "EF07DF0FFF09BF03"),
     {{Ctl::family, 2}, {Ctl::unusedFuses, true}, {Ctl::progMode, 1}, {Ctl::matchDeviceID, true}}},
    {"PIC18J with the standard mask",
     WithConfig(Spec("PIC18F46J50", "4CA0", 0x12, 0xA9, 0x80, 0x00, 0xA9, 0x00, 0xFFFF), "FFF7FFFFFFFFFFFF"),
     {{Ctl::family, 2}, {Ctl::unusedFuses, false}, {Ctl::matchDeviceID, false}}},
    {"PIC12F-16F, program code only",
     Spec("PIC16F628A", "1060", 0xCC, 0x24, 0x00, 0x03, 0xFF, 0x00, 0xFFFF),
     {{Ctl::family, 1},
      {Ctl::ProgramOps, 2},
      {Ctl::matchDeviceID, true},
      {Ctl::progMode, 1},
      {Ctl::progUserID, false}}},
    {"PIC12F-16F, program data only, limit 5",
     Spec("PIC16F88", "0760", 0xC6, 0x18, 0x00, 0x05, 0xFF, 0x80, 5),
     {{Ctl::family, 1}, {Ctl::ProgramOps, 1}, {Ctl::limitPrograms, true}, {Ctl::ProgCount, 5}}},
    {"PIC24F KA in high voltage with a limit (byte 84 left 0xFF)",
     Spec("PIC24F16KA102", "0D03", 0x98, 0x90, 0x20, 0x22, 0xB8, -1, 1000),
     {{Ctl::family, 4},
      {Ctl::progMode, 1},
      {Ctl::limitPrograms, true},
      {Ctl::ProgCount, 1000},
      {Ctl::matchDeviceID, true}}},
    {"PIC24F KA in low voltage without a limit",
     Spec("PIC24F16KA102", "0D03", 0x18, 0x90, 0x00, 0x22, 0xB8, -1, 0xFFFF),
     {{Ctl::family, 4}, {Ctl::progMode, 0}, {Ctl::limitPrograms, false}, {Ctl::matchDeviceID, false}}},
    {"PIC24 FJ",
     Spec("PIC24FJ64GA002", "0447", 0x98, 0xA0, 0x00, 0x20, 0xB8, -1, 0xFFFF),
     {{Ctl::family, 4}, {Ctl::progMode, 1}, {Ctl::limitPrograms, false}}},
    {"dsPIC30, 5 V, data kept",
     Spec("dsPIC30F4011", "0101", 0xD0, 0x10, 0x42, 0x23, 0xFF, -1, 0xFFFF),
     {{Ctl::family, 5},
      {Ctl::VDD_Voltage, false},
      {Ctl::VerifyConfig, true},
      {Ctl::DataSave, true},
      {Ctl::progMode, 1}}},
};

void PrintTo(const DetailsCase& c, std::ostream* os) { *os << c.name; }

class RestoresTheSlotsSettings : public ::testing::TestWithParam<DetailsCase> {};

void ExpectControls(const model::ControlStore& s, const Expected& want, const std::string& what) {
  for (const auto& [name, value] : want) {
    const model::Control& c = s.Get(name);
    if (std::holds_alternative<bool>(value))
      EXPECT_EQ(c.checked, std::get<bool>(value)) << what << ": " << name.Str();
    else if (std::holds_alternative<int>(value))
      EXPECT_EQ(c.kind == model::ControlKind::SpinBox ? c.value : c.itemIndex, std::get<int>(value))
          << what << ": " << name.Str();
    else
      EXPECT_EQ(c.text, std::get<std::string>(value)) << what << ": " << name.Str();
  }
}

TEST_P(RestoresTheSlotsSettings, FromItsHeader) {
  const DetailsCase& c = GetParam();
  ReadRig rig(4);
  SlotSpec other;
  other.description = "Other";
  rig.Stage({other, c.slot});
  rig.Start();
  model::ControlStore& s = rig.C();
  s.UserClickCell(Ctl::slotList, 2, 0);
  s.UserClick(Ctl::showDetailsButton);

  EXPECT_EQ(s.Get(Ctl::deviceList).SelectedText(), c.slot.device) << c.name;
  EXPECT_EQ(rig.W().Data.DeviceName, c.slot.device);
  EXPECT_EQ(s.Text(Ctl::ProgCaption), c.slot.description);
  EXPECT_EQ(s.Text(Ctl::detailsFileName), "Filename Read (No path) : prog.hex" + std::string(13, ' '));
  EXPECT_EQ(s.Get(Ctl::detailsFileName).extra.at("fontColour"), "red");
  EXPECT_EQ(s.Row(Ctl::slotList), 2) << "the inspected slot stays the one a Replace would write";
  ExpectControls(s, c.controls, c.name);
  if (s.Checked(Ctl::limitPrograms)) {
    EXPECT_TRUE(s.Visible(Ctl::currentCount));
    EXPECT_EQ(s.Text(Ctl::currentCount), "Current : " + std::to_string(c.slot.count));
    EXPECT_TRUE(s.Enabled(Ctl::ProgCount));
  } else {
    EXPECT_FALSE(s.Visible(Ctl::currentCount));
    EXPECT_FALSE(s.Enabled(Ctl::ProgCount));
  }
  EXPECT_TRUE(rig.dialogs.script.unexpected.empty());
}

INSTANTIATE_TEST_SUITE_P(EachFamily, RestoresTheSlotsSettings, ::testing::ValuesIn(kCases));

// Header bytes 45, 47 and 76, and the family list entry they mark.
struct FamilyMark {
  std::uint8_t a, c, family;
  int entry;
};
class FamilyMarks : public ::testing::TestWithParam<FamilyMark> {};

TEST_P(FamilyMarks, TheFamilyComesFromTheFirstMatchingMark) {
  const FamilyMark& k = GetParam();
  slot::HeaderBytes h;
  h.fill(0xFF);
  h[45] = k.a;
  h[47] = k.c;
  h[76] = k.family;
  EXPECT_EQ(model::SlotFamilyEntry(h.data()), k.entry) << int(k.a) << " " << int(k.c) << " " << int(k.family);
}

INSTANTIATE_TEST_SUITE_P(SlotHeaderReading, FamilyMarks,
                         ::testing::Values(FamilyMark{0x04, 0x80, 0x20, 1}, FamilyMark{0x00, 0x80, 0x20, 2},
                                           FamilyMark{0x00, 0x00, 0x20, 4}, FamilyMark{0x00, 0x00, 0x22, 4},
                                           FamilyMark{0x00, 0x00, 0x24, 4}, FamilyMark{0x00, 0x00, 0x23, 5},
                                           FamilyMark{0x00, 0x20, 0xFF, 5}, FamilyMark{0x00, 0x20, 0x04, 3},
                                           FamilyMark{0x00, 0x00, 0x04, 0}));

TEST(SlotHeaderReading, TheLimitIsTheProductionCount) {
  slot::HeaderBytes h;
  h.fill(0xFF);
  EXPECT_FALSE(model::SlotCountLimit(h.data()).on) << "0xFFFF, whatever byte 84 holds";
  slot::PutProductionCount(h.data(), 0x012C);
  h[84] = 0x00;
  EXPECT_TRUE(model::SlotCountLimit(h.data()).on);
  EXPECT_EQ(model::SlotCountLimit(h.data()).count, 300);
}

TEST(SlotDetails, AStoredNameNotListedIsFoundByItsIdentifierAndShownInTheList) {
  ReadRig rig(4);
  SlotSpec a;
  SlotSpec b = Spec("PIC16F628", "1060", 0xCC, 0x24, 0x00, 0x03, 0xFF, 0x00, 0xFFFF);
  SlotSpec c;
  rig.Stage({a, b, c});
  model::TMainForm& w = rig.Start();
  rig.C().UserClickCell(Ctl::slotList, 2, 0);
  rig.C().UserClick(Ctl::showDetailsMenuItem);
  EXPECT_EQ(rig.C().Get(Ctl::deviceList).SelectedText(), "PIC16F628A");
  EXPECT_EQ(w.Programs.Get(1).DeviceName, "PIC16F628A");
  EXPECT_EQ(rig.C().Get(Ctl::slotList).cells[2][2], "PIC16F628A");
  EXPECT_EQ(rig.C().Row(Ctl::slotList), 2);
  EXPECT_EQ(rig.C().Text(Ctl::newSlotNumber), "002");
  EXPECT_EQ(rig.C().Text(Ctl::ProgCaption), "Line PIC16F628") << "the slot's own description, not the last row's";
}

// File Name must not keep a file from other work while the window shows a
// slot: a Replace would build the slot from it.
TEST(SlotDetails, AFileNameThatIsNotTheSlotsIsClearedAndItsOwnKept) {
  ReadRig rig(4);
  SlotSpec a;
  a.file = "pump.hex";
  SlotSpec b;
  b.file = "other.hex";
  rig.Stage({a, b});
  model::TMainForm& w = rig.Start();
  w.Data.FlashFile = "/work/unrelated.hex";
  rig.C().SetText(Ctl::fileName, "unrelated.hex");
  rig.C().UserClickCell(Ctl::slotList, 1, 0);
  rig.C().UserClick(Ctl::showDetailsMenuItem);
  EXPECT_EQ(rig.C().Text(Ctl::fileName), "");
  EXPECT_EQ(w.Data.FlashFile, "");

  w.Data.FlashFile = "/work/PUMP.HEX";
  rig.C().SetText(Ctl::fileName, "PUMP.HEX");
  rig.C().UserClick(Ctl::showDetailsMenuItem);
  EXPECT_EQ(rig.C().Text(Ctl::fileName), "PUMP.HEX") << "the slot's own file, in any letter case, stays";
  EXPECT_EQ(w.Data.FlashFile, "/work/PUMP.HEX");
}

TEST(SlotDetails, ADeviceNeitherListedNorKnownByIdentifierLeavesNoSelection) {
  ReadRig rig(2);
  rig.Stage({Spec("PIC99X", "ABCD", 0x80, 0xA9, 0x00, 0x04, 0xA9, 0x00, 0xFFFF)});
  model::TMainForm& w = rig.Start();
  rig.C().UserClickCell(Ctl::slotList, 1, 0);
  rig.C().UserClick(Ctl::showDetailsMenuItem);
  EXPECT_EQ(rig.C().ItemIndex(Ctl::deviceList), -1);
  EXPECT_EQ(w.Programs.Get(0).DeviceName, "");
  EXPECT_EQ(rig.C().Get(Ctl::slotList).cells[1][2], "");
}

TEST(SlotDetails, OnASingleSlotProgrammerTheListKeepsItsLayout) {
  ReadRig rig(5);
  rig.Stage({Spec("PIC16F628", "1060", 0xCC, 0x24, 0x00, 0x03, 0xFF, 0x00, 0xFFFF)});
  rig.Start();
  rig.C().UserClick(Ctl::showDetailsButton);
  EXPECT_EQ(rig.C().Get(Ctl::deviceList).SelectedText(), "PIC16F628A");
  EXPECT_EQ(rig.C().Text(Ctl::NewButton), "Load");
  EXPECT_TRUE(rig.C().Enabled(Ctl::NewButton)) << "a loaded single-way programmer can still be loaded";
  EXPECT_FALSE(rig.C().Visible(Ctl::editButton));
  EXPECT_EQ(rig.C().Text(Ctl::slotListHint), "Loaded");
}

TEST(SlotDetails, EmptySlotsAndAnEmptyListAreLeftAlone) {
  ReadRig rig(3);
  SlotSpec emptied;
  emptied.description = "Empty";
  rig.Stage({emptied});
  rig.Start();
  rig.C().SetText(Ctl::ProgCaption, "mine");
  const int family = rig.C().ItemIndex(Ctl::family);
  rig.C().UserClickCell(Ctl::slotList, 1, 0);
  rig.C().SetText(Ctl::ProgCaption, "mine");
  rig.C().UserClick(Ctl::showDetailsMenuItem);
  EXPECT_EQ(rig.C().Text(Ctl::ProgCaption), "mine");
  EXPECT_EQ(rig.C().ItemIndex(Ctl::family), family);

  ReadRig none(3);
  none.Start();
  none.C().SetText(Ctl::ProgCaption, "mine");
  none.C().UserClick(Ctl::showDetailsMenuItem);
  none.W().ShowSlotDetails(1);
  EXPECT_EQ(none.C().Text(Ctl::ProgCaption), "mine");
}

TEST(SlotDetails, AFamilyTheProgrammerDoesNotOfferIsReportedAndNothingChanges) {
  ReadRig rig(2);
  rig.Stage({Spec("PIC24F16KA102", "0D03", 0x98, 0x90, 0x20, 0x22, 0xB8, -1, 0xFFFF)});
  rig.Start();
  const int family = rig.C().ItemIndex(Ctl::family);
  const std::string caption = rig.C().Text(Ctl::ProgCaption);
  rig.C().UserClick(Ctl::showDetailsMenuItem);
  EXPECT_EQ(rig.dialogs.script.LastText(), "Slot 1 holds a PIC24F program, a family this programmer does not offer");
  EXPECT_EQ(rig.C().ItemIndex(Ctl::family), family);
  EXPECT_EQ(rig.C().Text(Ctl::ProgCaption), caption);
}

TEST(SlotDetails, ThePortablesLedSettingComesFromTheSlot) {
  for (std::uint8_t c : {std::uint8_t(0x01), std::uint8_t(0x00)}) {
    ReadRig rig(3);
    rig.Stage({Spec("PIC18F4520", "1080", 0xF2, 0xA9, c, 0x04, 0xFF, 0x00, 0xFFFF)});
    model::TMainForm& w = rig.Start();
    w.Switches.PP_Led_on = !c;
    rig.C().UserClick(Ctl::showDetailsMenuItem);
    EXPECT_EQ(w.Switches.PP_Led_on, c == 1);
  }
}

}  // namespace
}  // namespace velmar::test
