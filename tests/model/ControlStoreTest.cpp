// The control store's change rules: which changes run handlers, ranges,
// sorted lists, radio groups and observers.
#include <gtest/gtest.h>

#include "model/ControlStore.h"

using namespace velmar::model;

namespace {

struct Store : ::testing::Test {
  ControlStore s;
  int runs = 0;
  void SetUp() override {
    s.Add(MakeControl("box", ControlKind::CheckBox));
    Control spin = MakeControl("spin", ControlKind::SpinBox);
    spin.minValue = 1;
    spin.maxValue = 255;
    spin.value = 10;
    s.Add(spin);
    Control group = MakeControl("group", ControlKind::ChoiceGroup);
    group.items = {"a", "b", "c"};
    group.itemIndex = 0;
    s.Add(group);
    Control list = MakeControl("list", ControlKind::DropDown);
    list.items = {"x", "y"};
    s.Add(list);
    for (const char* n : {"box", "spin", "group", "list"}) s.Bind(n, Event::Change, [this] { ++runs; });
  }
};

TEST_F(Store, CodeChangesRunHandlersOnlyWhenTheValueChanges) {
  s.SetChecked("box", false);
  s.SetValue("spin", 10);
  s.SetItemIndex("group", 0);
  EXPECT_EQ(runs, 0);
  s.SetChecked("box", true);
  s.SetValue("spin", 11);
  s.SetItemIndex("group", 2);
  EXPECT_EQ(runs, 3);
}

TEST_F(Store, ADropDownSelectionFromCodeRunsNoHandlerButAUserSelectionDoes) {
  s.SetItemIndex("list", 1);
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(s.Text("list"), "y");
  s.UserSelect("list", 1);
  EXPECT_EQ(runs, 1);
}

TEST_F(Store, ValuesOutsideTheRangesAreKeptInside) {
  s.SetValue("spin", 0);
  EXPECT_EQ(s.Value("spin"), 1);
  s.SetValue("spin", 99999);
  EXPECT_EQ(s.Value("spin"), 255);
  s.SetItemIndex("group", 7);
  EXPECT_EQ(s.ItemIndex("group"), 2);
  s.SetItemIndex("group", -9);
  EXPECT_EQ(s.ItemIndex("group"), -1);
  s.SetItemIndex("list", 5);
  EXPECT_EQ(s.ItemIndex("list"), -1);
  EXPECT_EQ(s.Text("list"), "");
}

TEST_F(Store, SortedListsInsertInAlphabeticalPlaceIgnoringCase) {
  Control d = MakeControl("sorted", ControlKind::DropDown);
  d.sorted = true;
  s.Add(d);
  for (const char* n : {"PIC18F452", "pic16f84", "PIC12F675", "PIC18F1220"}) s.AddItem("sorted", n);
  EXPECT_EQ(s.Items("sorted"), (std::vector<std::string>{"PIC12F675", "pic16f84", "PIC18F1220", "PIC18F452"}));
}

TEST_F(Store, CheckingARadioButtonUnchecksItsSiblingsOnly) {
  for (const char* n : {"r1", "r2"}) s.Add(MakeControl(n, ControlKind::RadioButton, {}, {}, "p"));
  s.Add(MakeControl("other", ControlKind::RadioButton, {}, {}, "q"));
  s.SetChecked("other", true);
  s.SetChecked("r1", true);
  s.UserClick("r2");
  EXPECT_FALSE(s.Checked("r1"));
  EXPECT_TRUE(s.Checked("r2"));
  EXPECT_TRUE(s.Checked("other"));
}

TEST_F(Store, ObserversSeeEveryChangeUntilRemoved) {
  std::vector<std::string> seen;
  int id = s.AddObserver([&](const Control& c, Property) { seen.push_back(c.name); });
  s.SetEnabled("box", false);
  s.SetEnabled("box", false);  // no change, no notice
  s.SetText("spin", "x");
  s.RemoveObserver(id);
  s.SetVisible("box", false);
  EXPECT_EQ(seen, (std::vector<std::string>{"box", "spin"}));
}

TEST_F(Store, EditLengthLimitAndUnknownNames) {
  Control e = MakeControl("edit", ControlKind::Edit);
  e.maxLength = 4;
  s.Add(e);
  s.SetText("edit", "abcdefgh");
  EXPECT_EQ(s.Text("edit"), "abcd");
  EXPECT_THROW(s.Get("nothing"), std::out_of_range);
  EXPECT_EQ(s.FindNoCase("BOX")->name, "box");
  EXPECT_THROW(s.Add(MakeControl("box", ControlKind::Label)), std::logic_error);
}

}  // namespace
