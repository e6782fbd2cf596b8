// The window's choice among several programmers: choosing one re-opens the
// link on it and reads it (its kind, its location in the status line and in
// the log); one that cannot be opened leaves the window on the one it was
// on; one that is not connected, or the one in use, changes nothing.
#include <gtest/gtest.h>

#include "link/TReadProg.h"
#include "model/ProgrammerChooser.h"
#include "model/ReadRig.h"

namespace velmar::test {
namespace {

struct TwoProgrammers : ::testing::Test {
  // The 8-way at sim-1 is the rig's; the single-way at sim-2 is made when
  // it is opened.
  std::optional<model::LinkParts> Open(const std::string& location, std::string& error) {
    opened.push_back(location);
    if (location == "sim-1") return model::LinkParts{rig.unit.get(), &rig.clock, &rig.pump, "sim", {}, "sim-1"};
    if (secondBusy) {
      error = "another run holds it";
      return std::nullopt;
    }
    driver = std::make_unique<sim::SimDriver>(
        sim::FreshState(slot::kind_single, sim::ReadExpectedVersions(rig.program)), clock, &clock);
    unit = std::make_unique<link::D2XXUnit>(*driver, rig.dialogs);
    return model::LinkParts{unit.get(), &clock, &rig.pump, "sim", {}, "sim-2"};
  }

  ReadRig rig{2};
  platform::VirtualClock clock;
  std::unique_ptr<sim::SimDriver> driver;
  std::unique_ptr<link::D2XXUnit> unit;
  bool secondBusy = false;
  std::vector<std::string> opened;
  model::ProgrammerChooser chooser{[] {
                                     return std::vector<std::string>{"sim-1", "sim-2"};
                                   },
                                   [this](const std::string& l, std::string& e) { return Open(l, e); }, "sim-1"};
};

TEST_F(TwoProgrammers, ChoosingOneReadsItAndShowsWhereItIs) {
  model::TMainForm& w = rig.Start();
  ASSERT_EQ(w.ProgrammerKind, slot::kind_8way);
  chooser.Refresh();
  ASSERT_TRUE(chooser.Offered());

  ASSERT_TRUE(chooser.Choose(w, "sim-2"));
  EXPECT_EQ(chooser.Current(), "sim-2");
  EXPECT_EQ(w.ProgrammerKind, slot::kind_single);
  EXPECT_NE(w.StatusText().find(" at sim-2"), std::string::npos) << w.StatusText();
  EXPECT_EQ(w.Link()->FirmwareVersion, driver->State().version);

  ASSERT_TRUE(chooser.Choose(w, "sim-1"));
  EXPECT_EQ(w.ProgrammerKind, slot::kind_8way) << "the first programmer opens again after being let go";
  EXPECT_NE(w.StatusText().find(" at sim-1"), std::string::npos) << w.StatusText();
}

TEST_F(TwoProgrammers, OneThatCannotBeOpenedLeavesTheWindowWhereItWas) {
  model::TMainForm& w = rig.Start();
  chooser.Refresh();
  secondBusy = true;
  EXPECT_FALSE(chooser.Choose(w, "sim-2"));
  EXPECT_EQ(opened, (std::vector<std::string>{"sim-2", "sim-1"}));
  EXPECT_EQ(chooser.Current(), "sim-1");
  EXPECT_EQ(w.ProgrammerKind, slot::kind_8way);
  ASSERT_NE(w.Link(), nullptr);
  bool told = false;
  for (const std::string& t : rig.Texts()) told = told || t.find("another run holds it") != std::string::npos;
  EXPECT_TRUE(told);

  opened.clear();
  EXPECT_FALSE(chooser.Choose(w, "sim-1"));  // the one in use
  EXPECT_FALSE(chooser.Choose(w, "1-4"));    // not connected
  EXPECT_TRUE(opened.empty());
}

}  // namespace
}  // namespace velmar::test
