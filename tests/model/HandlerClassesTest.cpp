// The handler classes the main window owns, at their seams: the device
// selection on its own (the order of what a device change does and what a
// missing device file leaves alone), and every class following the window's
// folders and programmer kind when they change after the window was built,
// as each Read changes them.
#include <gtest/gtest.h>

#include "model/DeviceSelection.h"
#include "model/WindowFixture.h"

namespace velmar::test {
namespace {

using model::ControlKind;
using model::Ctl;

// The controls a device change touches, without the rest of the window.
struct DeviceRig {
  TempDir program;
  model::ControlStore controls;
  devices::TData data;
  image::Folders folders{"", program.Path()};
  model::RememberedIndexes lastIndex{};
  model::RememberedNames lastName{};
  std::vector<std::string> calls;
  model::DeviceSelection selection{controls,
                                   data,
                                   folders,
                                   lastIndex,
                                   lastName,
                                   {[this] {
                                      calls.push_back("rules " + data.DeviceName + " " +
                                                      std::to_string(data.FlashSize) + " remembered " +
                                                      lastName[devices::fam_PIC18F]);
                                    },
                                    [this] { calls.push_back("missing"); }}};

  DeviceRig() {
    for (model::ControlName name : {Ctl::VDD_Voltage, Ctl::VerifyConfig})
      controls.Add(model::MakeControl(name, ControlKind::CheckBox));
    model::Control family = model::MakeControl(Ctl::family, ControlKind::DropDown);
    family.items = {"PIC18F", "PIC12F-16F"};
    family.itemIndex = devices::fam_PIC18F;
    controls.Add(family);
    controls.Add(model::MakeControl(Ctl::deviceList, ControlKind::DropDown));
  }
};

TEST(DeviceSelection, TheRulesSeeTheDeviceJustReadAndTheDeviceIsRememberedAfterThem) {
  DeviceRig r;
  WriteFile(r.program.File("DEVICES.INI"), kRuleDevices);
  r.lastName[devices::fam_PIC18F] = "PIC18F4520";
  r.selection.FillDeviceList(devices::fam_PIC18F);
  r.controls.SetItemIndex(Ctl::deviceList, 0);  // the user picks another
  const std::string first = r.controls.Items(Ctl::deviceList)[0];
  ASSERT_NE(first, "PIC18F4520");
  r.selection.deviceListChange();
  ASSERT_EQ(r.calls.size(), 1u);
  EXPECT_EQ(r.calls[0], "rules " + first + " " + std::to_string(r.data.FlashSize) + " remembered PIC18F4520")
      << "the rules run on the new record, before it is remembered";
  EXPECT_EQ(r.lastName[devices::fam_PIC18F], first);
  EXPECT_EQ(r.lastIndex[devices::fam_PIC18F], 0);
}

TEST(DeviceSelection, AMissingDeviceFileRunsNoRulesAndKeepsTheRememberedDevice) {
  DeviceRig r;
  r.lastIndex[devices::fam_PIC18F] = 3;
  r.lastName[devices::fam_PIC18F] = "PIC18F4520";
  r.controls.SetItems(Ctl::deviceList, {"PIC18F1220", "PIC18F4520"});
  r.controls.SetItemIndex(Ctl::deviceList, 0);
  r.selection.deviceListChange();
  EXPECT_EQ(r.calls, std::vector<std::string>{"missing"});
  EXPECT_EQ(r.lastIndex[devices::fam_PIC18F], 3);
  EXPECT_EQ(r.lastName[devices::fam_PIC18F], "PIC18F4520");
}

// A Read may choose other folders and finds the programmer's kind; the
// classes the window owns must work on the new ones, not on what the window
// held when it was built.
TEST(HandlerClasses, FollowTheFoldersAndKindTheWindowHoldsNow) {
  WindowFixture f;
  model::TMainForm& w = f.Show(slot::kind_single);
  TempDir program;
  TempDir working;
  WriteFile(program.File("DEVICES.INI"), "[PIC18F9999]\nDeviceID=7770\n");
  w.Folders = image::Folders{working.Path(), program.Path()};

  EXPECT_EQ(w.SettingsPath(), working.File("setting.ini"));
  EXPECT_EQ(w.FindDeviceByID("7770"), "PIC18F9999");
  w.familyClick();
  EXPECT_EQ(w.Controls().Items(Ctl::deviceList), std::vector<std::string>{"PIC18F9999"});

  w.ProgrammerKind = slot::kind_portable;
  w.Data.RequiredFirmware = devices::fw_portable;
  w.familyClick();
  EXPECT_EQ(w.Data.RequiredFirmware, devices::fw_portable) << "the portable keeps its firmware";
  w.manualButtonClick();
  ASSERT_FALSE(f.dialogs.openedDocuments.empty());
  EXPECT_EQ(f.dialogs.openedDocuments.back(), program.File("guide_portable.pdf"));

  w.ProgrammerKind = slot::kind_8way;
  w.familyClick();
  EXPECT_EQ(w.Data.RequiredFirmware, devices::fw_pic);
}

}  // namespace
}  // namespace velmar::test
