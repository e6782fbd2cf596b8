// The family, programming-mode, supply and program-option rules, driven as
// a user drives the window: choose a family and a device, change options.
#include <gtest/gtest.h>

#include "model/WindowFixture.h"

using velmar::model::Ctl;

using velmar::test::WindowFixture;

namespace {

struct Rules : ::testing::Test {
  WindowFixture f;
  void SetUp() override { f.Show(4); }
  const velmar::model::ControlStore& C() { return f.C(); }
  velmar::devices::TData& D() { return f.W().Data; }
};

TEST_F(Rules, LowVoltageLockOfPic16Algorithms) {
  f.Choose(1, "PIC16F88");  // Column 5, but the 16F88 keeps low-voltage programming
  EXPECT_TRUE(C().Enabled(Ctl::progMode));
  EXPECT_FALSE(D().noLVP);
  f.C().SetItemIndex(Ctl::progMode, 0);
  EXPECT_TRUE(D().LowVoltageMode);

  f.Choose(1, "PIC16F819");  // any other Column 5 device is locked
  EXPECT_EQ(C().ItemIndex(Ctl::progMode), 1);
  EXPECT_FALSE(C().Enabled(Ctl::progMode));
  EXPECT_FALSE(C().Enabled(Ctl::progModeGroup));
  EXPECT_TRUE(C().Get(Ctl::progMode).inactiveColour);
  EXPECT_EQ(C().Text(Ctl::Progmodelabel), "LVP not available on this device");
  EXPECT_TRUE(C().Visible(Ctl::Progmodelabel));
  EXPECT_FALSE(D().LowVoltageMode);
}

TEST_F(Rules, OnlyVddEntryDevicesSayWhy) {
  f.Choose(0, "PIC18F2331");
  EXPECT_EQ(C().Text(Ctl::Progmodelabel), "Only VDD ICSP entry method");
  EXPECT_FALSE(C().Enabled(Ctl::progMode));
  f.Choose(0, "PIC18F4520");
  EXPECT_TRUE(C().Enabled(Ctl::progMode));
  EXPECT_EQ(C().Text(Ctl::Progmodelabel), "");
}

TEST_F(Rules, Pic18KSupplyTexts) {
  f.Choose(3, "PIC18LF46K22");
  EXPECT_FALSE(C().Visible(Ctl::VDD_Voltage));
  EXPECT_EQ(C().Text(Ctl::targetPowerNote), "Programmer powers target at 3.3V with 9V VPP");
  EXPECT_TRUE(C().Visible(Ctl::bootSave));
  f.Choose(3, "PIC18F46K22");
  EXPECT_TRUE(C().Visible(Ctl::VDD_Voltage));
  f.C().SetChecked(Ctl::VDD_Voltage, true);
  EXPECT_EQ(C().Text(Ctl::targetPowerNote), "Programmer powers target at 3.3V with 9V VPP");
  f.C().SetChecked(Ctl::VDD_Voltage, false);
  EXPECT_EQ(C().Text(Ctl::targetPowerNote), "Programmer powers target at 5V with 9V VPP");
  f.C().SetItemIndex(Ctl::progMode, 0);
  EXPECT_EQ(C().Text(Ctl::targetPowerNote), "Programmer powers target at 5V");
  f.C().SetChecked(Ctl::VDD_Voltage, true);
  EXPECT_EQ(C().Text(Ctl::targetPowerNote), "Programmer powers target at 3.3V");
}

// After a 3.3 V-only K device the supply box comes back unchecked, and the
// text must say 5 V: the slot is built for the box, not for the old text.
TEST_F(Rules, Pic18KSupplyTextFollowsTheBoxItShowsAgain) {
  f.Choose(3, "PIC18LF46K22");
  ASSERT_EQ(C().Text(Ctl::targetPowerNote), "Programmer powers target at 3.3V with 9V VPP");
  f.Choose(3, "PIC18F46K22");
  EXPECT_TRUE(C().Visible(Ctl::VDD_Voltage));
  EXPECT_FALSE(C().Checked(Ctl::VDD_Voltage));
  EXPECT_EQ(C().Text(Ctl::targetPowerNote), "Programmer powers target at 5V with 9V VPP");
}

TEST_F(Rules, Pic16SupplyTexts) {
  f.Choose(1, "PIC16LF1827");  // Column 0 and "LF" in the name
  EXPECT_TRUE(C().Visible(Ctl::VDD_Voltage));
  EXPECT_EQ(C().Text(Ctl::targetPowerNote), "Programmer powers target at 5V");
  f.Choose(1, "PIC16F628A");
  EXPECT_FALSE(C().Visible(Ctl::VDD_Voltage));
  f.Choose(1, "PIC16LF1826");  // Column 12, 3.3 V only
  EXPECT_FALSE(C().Visible(Ctl::VDD_Voltage));
  EXPECT_EQ(C().Text(Ctl::targetPowerNote), "Programmer powers target at 3.3V with 9VPP");
  f.Choose(1, "PIC16F1827");  // Column 12: low voltage needs an unpowered target
  EXPECT_TRUE(C().Enabled(Ctl::progMode));
  f.C().SetItemIndex(Ctl::progMode, 0);
  EXPECT_EQ(C().Text(Ctl::Progmodelabel), "LVP needs target to be unpowered");
  EXPECT_TRUE(C().Visible(Ctl::Progmodelabel));
}

TEST_F(Rules, NoDataMemoryForcesProgramAll) {
  f.Choose(1, "PIC16F628A");
  f.C().SetItemIndex(Ctl::ProgramOps, 2);
  f.C().SetChecked(Ctl::DataSave, true);
  f.Choose(1, "PIC16F73");
  EXPECT_EQ(C().ItemIndex(Ctl::ProgramOps), 0);
  EXPECT_FALSE(C().Enabled(Ctl::ProgramOps));
  EXPECT_FALSE(C().Enabled(Ctl::programOpsGroup));
  EXPECT_FALSE(C().Visible(Ctl::dataOnlyNote));
  EXPECT_FALSE(C().Checked(Ctl::DataSave));
  EXPECT_FALSE(C().Enabled(Ctl::DataSave));
  f.Choose(1, "PIC16F1509");  // Column 15 without data memory
  EXPECT_FALSE(C().Enabled(Ctl::ProgramOps));
}

TEST_F(Rules, ProgramOptionsSetTheEraseChoiceAndTheBoxes) {
  f.Choose(1, "PIC16F628A");
  f.C().SetChecked(Ctl::progUserID, true);
  f.C().SetChecked(Ctl::VerifyConfig, true);
  f.C().SetItemIndex(Ctl::ProgramOps, 1);
  EXPECT_FALSE(C().Checked(Ctl::progUserID));
  EXPECT_FALSE(C().Enabled(Ctl::progUserID));
  EXPECT_FALSE(C().Checked(Ctl::VerifyConfig));
  EXPECT_FALSE(C().Enabled(Ctl::VerifyConfig));
  EXPECT_FALSE(C().Enabled(Ctl::DataSave));
  EXPECT_FALSE(D().ProgramUserID);
  EXPECT_FALSE(D().VerifyConfigOn);
  EXPECT_EQ(f.W().EraseOpsForm().Choice(), 9);
  EXPECT_EQ(C().Text(Ctl::dataOnlyNote), "Program Data Only will only work if Data Protection (CPD) is disabled");

  f.C().SetItemIndex(Ctl::ProgramOps, 2);
  EXPECT_EQ(f.W().EraseOpsForm().Choice(), 8);
  EXPECT_FALSE(C().Enabled(Ctl::VerifyConfig));
  EXPECT_EQ(C().Text(Ctl::dataOnlyNote), "");
  f.Choose(1, "PIC16F877A");  // Column 4 programs the configuration with the code
  f.C().SetItemIndex(Ctl::ProgramOps, 0);
  f.C().SetItemIndex(Ctl::ProgramOps, 2);
  EXPECT_TRUE(C().Enabled(Ctl::VerifyConfig));
  EXPECT_EQ(C().Text(Ctl::dataOnlyNote), "Program Code Only will program Configuration on this device");
  f.C().SetItemIndex(Ctl::ProgramOps, 0);
  EXPECT_EQ(f.W().EraseOpsForm().Choice(), 1);
  EXPECT_TRUE(C().Enabled(Ctl::progUserID));
}

TEST_F(Rules, Pic18JForcesA33VoltSupply) {
  f.C().SetChecked(Ctl::VDD_Voltage, false);
  f.Choose(2, "PIC18F46J50");
  EXPECT_TRUE(C().Checked(Ctl::VDD_Voltage));
  EXPECT_FALSE(C().Visible(Ctl::VDD_Voltage));
  EXPECT_EQ(C().Text(Ctl::targetPowerNote), "Programmer powers target at 3.3V");
  EXPECT_TRUE(C().Visible(Ctl::unusedFuses));
  EXPECT_FALSE(C().Enabled(Ctl::progMode));
  EXPECT_FALSE(C().Enabled(Ctl::progUserID));
  EXPECT_FALSE(D().ProgramUserID);
  EXPECT_TRUE(D().noLVP);
  EXPECT_EQ(D().Family, 2);
}

TEST_F(Rules, SixteenBitFamiliesNeedThePic24Firmware) {
  f.Choose(4, "PIC24FJ64GA002");
  EXPECT_EQ(D().RequiredFirmware, 1);
  EXPECT_FALSE(C().Enabled(Ctl::VerifyConfig));
  EXPECT_FALSE(C().Visible(Ctl::VDD_Voltage));
  EXPECT_EQ(C().Text(Ctl::targetPowerNote), "Programmer powers target at 3.6V");
  EXPECT_TRUE(C().Visible(Ctl::programOpsGroup));
  f.Choose(4, "PIC24FV16KA302");  // 5 V part: the supply box comes back
  EXPECT_TRUE(C().Visible(Ctl::VDD_Voltage));
  EXPECT_TRUE(C().Enabled(Ctl::progMode));
  f.Choose(4, "PIC24F16KA102");
  EXPECT_FALSE(C().Visible(Ctl::VDD_Voltage));
  f.Choose(5, "dsPIC30F4011");
  EXPECT_EQ(D().RequiredFirmware, 1);
  EXPECT_TRUE(C().Visible(Ctl::VDD_Voltage));
  EXPECT_TRUE(C().Checked(Ctl::BulkErase));
  f.C().UserSelect(Ctl::family, 0);
  EXPECT_EQ(D().RequiredFirmware, 0);
}

TEST_F(Rules, ThePortableKeepsItsRequiredFirmware) {
  D().RequiredFirmware = 3;
  f.W().ProgrammerKind = velmar::slot::kind_portable;
  f.C().UserSelect(Ctl::family, 1);
  EXPECT_EQ(D().RequiredFirmware, 3);
}

TEST_F(Rules, RememberedDevicePositionsPerFamily) {
  f.Choose(1, "PIC16F88");
  int pos = C().ItemIndex(Ctl::deviceList);
  f.C().UserSelect(Ctl::family, 0);
  f.C().UserSelect(Ctl::family, 1);
  EXPECT_EQ(C().ItemIndex(Ctl::deviceList), pos);
  EXPECT_EQ(f.W().LastDeviceIndex[1], pos);
  f.W().LastDeviceIndex[0] = 12;  // beyond the PIC18F list: the first device
  f.C().UserSelect(Ctl::family, 0);
  EXPECT_EQ(C().ItemIndex(Ctl::deviceList), 0);
  EXPECT_EQ(D().DeviceName, C().Items(Ctl::deviceList)[0]);
}

TEST_F(Rules, FlagsFollowTheFinalBoxStates) {
  f.Choose(0, "PIC18F4520");
  f.C().SetChecked(Ctl::matchDeviceID, false);
  f.C().SetChecked(Ctl::BulkErase, false);
  EXPECT_FALSE(D().MatchID);
  EXPECT_FALSE(D().BulkEraseOn);
  f.C().UserClick(Ctl::limitPrograms);
  EXPECT_TRUE(C().Enabled(Ctl::ProgCount));
  EXPECT_TRUE(C().Enabled(Ctl::progCountCaption));
  f.C().UserClick(Ctl::limitPrograms);
  EXPECT_FALSE(C().Enabled(Ctl::ProgCount));
  // A disabled Preserve Data Memory box does not stay checked.
  f.C().SetEnabled(Ctl::DataSave, false);
  f.C().UserClick(Ctl::DataSave);
  EXPECT_FALSE(C().Checked(Ctl::DataSave));
}

TEST_F(Rules, AnEmptyFamilyFallsBackToTheDefaultDeviceName) {
  WindowFixture g("[PIC16F84A]\nColumn=0\n[PIC18F46K22]\n");
  g.Show(0);
  g.C().UserSelect(Ctl::family, 2);
  EXPECT_TRUE(g.C().Items(Ctl::deviceList).empty());
  EXPECT_EQ(g.W().Data.DeviceName, "PIC18F1220");
}

TEST(ProgramOptionsOfColumn15, DataMemoryKeepsThemAsTheyStand) {
  WindowFixture g(
      "[PIC16F628A]\nEEPROMSIZE=128\nColumn=3\n[PIC16F73]\nColumn=2\n"
      "[PIC16F18877]\nEEPROMSIZE=256\nColumn=15\n");
  g.Show(4);
  const auto& c = g.C();
  g.Choose(1, "PIC16F628A");
  g.C().SetItemIndex(Ctl::ProgramOps, 2);
  g.Choose(1, "PIC16F18877");
  EXPECT_EQ(c.ItemIndex(Ctl::ProgramOps), 2);
  EXPECT_TRUE(c.Enabled(Ctl::ProgramOps));
  // Preserve Data Memory stays offered to a device that has data memory.
  g.C().SetChecked(Ctl::DataSave, true);
  g.Choose(1, "PIC16F18877");
  EXPECT_TRUE(c.Enabled(Ctl::DataSave));
  EXPECT_TRUE(c.Checked(Ctl::DataSave));

  g.Choose(1, "PIC16F73");  // no data memory: Program All only
  EXPECT_EQ(c.ItemIndex(Ctl::ProgramOps), 0);
  EXPECT_FALSE(c.Checked(Ctl::DataSave));
  g.Choose(1, "PIC16F18877");
  EXPECT_FALSE(c.Enabled(Ctl::ProgramOps));
  EXPECT_EQ(c.ItemIndex(Ctl::ProgramOps), 0);
  EXPECT_TRUE(c.Enabled(Ctl::DataSave));
}

TEST(DeviceFileLoss, ClosesTheWindowWithoutOverwritingTheSettings) {
  WindowFixture f;
  f.Show(4);
  velmar::test::WriteFile(f.working.File("setting.ini"), "[ProgSettings]\nProgCount=77\n");
  std::remove((f.program.Path() + "DEVICES.INI").c_str());
  f.C().UserSelect(Ctl::deviceList, 0);
  EXPECT_TRUE(f.W().Closed());
  EXPECT_EQ(f.dialogs.Texts()[0], "Can not open Devices Inifile");
  // The settings had been loaded, so closing saved them.
  EXPECT_NE(velmar::test::ReadFile(f.working.File("setting.ini")).find("PICFamily"), std::string::npos);

  WindowFixture g("");  // no device file at start-up on a kind that needs none
  velmar::test::WriteFile(g.working.File("setting.ini"), "[ProgSettings]\nProgCount=77\n");
  g.Show(1);
  EXPECT_TRUE(g.W().Closed());
  EXPECT_EQ(velmar::test::ReadFile(g.working.File("setting.ini")), "[ProgSettings]\nProgCount=77\n");
}

}  // namespace
