// The control store's change rules: which changes run handlers, ranges,
// sorted lists, radio groups and observers.
#include <gtest/gtest.h>

#include <type_traits>

#include "model/ControlStore.h"

using namespace velmar::model;

namespace {

// Controls of the real windows stand in for the kinds the rules treat apart.
constexpr ControlName kBox = Ctl::BulkErase;
constexpr ControlName kSpin = Ctl::errorRepeatCount;
constexpr ControlName kGroup = Ctl::ProgramOps;
constexpr ControlName kList = Ctl::family;
constexpr ControlName kSorted = Ctl::deviceList;
constexpr ControlName kEdit = Ctl::ProgCaption;
constexpr ControlName kRadio1 = EraseCtl::eraseChoice[0];
constexpr ControlName kRadio2 = EraseCtl::eraseChoice[1];
constexpr ControlName kOtherRadio = EraseCtl::eraseChoice[2];

// A name can only come from the names header: text cannot become one.
static_assert(!std::is_constructible_v<ControlName, const char*>);
static_assert(!std::is_constructible_v<ControlName, std::string>);
static_assert(!std::is_convertible_v<ControlName, std::string>);

struct Store : ::testing::Test {
  ControlStore s;
  int runs = 0;
  void SetUp() override {
    s.Add(MakeControl(kBox, ControlKind::CheckBox));
    Control spin = MakeControl(kSpin, ControlKind::SpinBox);
    spin.minValue = 1;
    spin.maxValue = 255;
    spin.value = 10;
    s.Add(spin);
    Control group = MakeControl(kGroup, ControlKind::ChoiceGroup);
    group.items = {"a", "b", "c"};
    group.itemIndex = 0;
    s.Add(group);
    Control list = MakeControl(kList, ControlKind::DropDown);
    list.items = {"x", "y"};
    s.Add(list);
    for (ControlName n : {kBox, kSpin, kGroup, kList}) s.Bind(n, Event::Change, [this] { ++runs; });
  }
};

TEST_F(Store, CodeChangesRunHandlersOnlyWhenTheValueChanges) {
  s.SetChecked(kBox, false);
  s.SetValue(kSpin, 10);
  s.SetItemIndex(kGroup, 0);
  EXPECT_EQ(runs, 0);
  s.SetChecked(kBox, true);
  s.SetValue(kSpin, 11);
  s.SetItemIndex(kGroup, 2);
  EXPECT_EQ(runs, 3);
}

TEST_F(Store, ADropDownSelectionFromCodeRunsNoHandlerButAUserSelectionDoes) {
  s.SetItemIndex(kList, 1);
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(s.Text(kList), "y");
  s.UserSelect(kList, 1);
  EXPECT_EQ(runs, 1);
}

TEST_F(Store, ValuesOutsideTheRangesAreKeptInside) {
  s.SetValue(kSpin, 0);
  EXPECT_EQ(s.Value(kSpin), 1);
  s.SetValue(kSpin, 99999);
  EXPECT_EQ(s.Value(kSpin), 255);
  s.SetItemIndex(kGroup, 7);
  EXPECT_EQ(s.ItemIndex(kGroup), 2);
  s.SetItemIndex(kGroup, -9);
  EXPECT_EQ(s.ItemIndex(kGroup), -1);
  s.SetItemIndex(kList, 5);
  EXPECT_EQ(s.ItemIndex(kList), -1);
  EXPECT_EQ(s.Text(kList), "");
}

TEST_F(Store, SortedListsInsertInAlphabeticalPlaceIgnoringCase) {
  Control d = MakeControl(kSorted, ControlKind::DropDown);
  d.sorted = true;
  s.Add(d);
  for (const char* n : {"PIC18F452", "pic16f84", "PIC12F675", "PIC18F1220"}) s.AddItem(kSorted, n);
  EXPECT_EQ(s.Items(kSorted), (std::vector<std::string>{"PIC12F675", "pic16f84", "PIC18F1220", "PIC18F452"}));
}

// The order is that of the upper-case texts byte by byte: a prefix first,
// '[' and '_' after every letter of either case (they lie between the upper
// and the lower case letters), bytes above 0x7F last, and names equal but
// for case in the order they came.
TEST_F(Store, SortedListsOrderByUpperCaseBytes) {
  Control d = MakeControl(kSorted, ControlKind::DropDown);
  d.sorted = true;
  s.Add(d);
  for (const char* n : {"b", "\xE9t\xE9", "pic", "_x", "PIC", "ab", "a", "Ab", "[", "A"}) s.AddItem(kSorted, n);
  const std::vector<std::string> expected{"a", "A", "ab", "Ab", "b", "pic", "PIC", "[", "_x", "\xE9t\xE9"};
  EXPECT_EQ(s.Items(kSorted), expected);
  s.SetItems(kSorted, {"\xE9t\xE9", "PIC", "[", "A", "_x", "b", "Ab", "a", "pic", "ab"});
  EXPECT_EQ(s.Items(kSorted),
            (std::vector<std::string>{"A", "a", "Ab", "ab", "b", "PIC", "pic", "[", "_x", "\xE9t\xE9"}));
}

TEST_F(Store, HandlersRunForTheirOwnControlAndEventOnly) {
  std::vector<std::string> ran;
  s.Bind(kBox, Event::Click, [&] { ran.push_back("box click"); });
  s.Bind(kBox, Event::Enter, [&] { ran.push_back("box enter"); });
  s.Bind(kSpin, Event::Click, [&] { ran.push_back("spin click"); });
  s.Fire(kBox, Event::Enter);
  s.Fire(kSpin, Event::Click);
  s.Fire(kGroup, Event::Click);  // none bound
  s.Bind(kBox, Event::Enter, [&] { ran.push_back("box enter again"); });
  s.UserEnter(kBox);
  EXPECT_EQ(ran, (std::vector<std::string>{"box enter", "spin click", "box enter again"}));
  EXPECT_THROW(s.Bind(Ctl::fileNameCaption, Event::Click, [] {}), std::out_of_range);
}

TEST_F(Store, CheckingARadioButtonUnchecksItsSiblingsOnly) {
  for (ControlName n : {kRadio1, kRadio2}) s.Add(MakeControl(n, ControlKind::RadioButton, {}, {}, EraseCtl::choicePanel));
  s.Add(MakeControl(kOtherRadio, ControlKind::RadioButton, {}, {}, Ctl::profilePanel));
  s.SetChecked(kOtherRadio, true);
  s.SetChecked(kRadio1, true);
  s.UserClick(kRadio2);
  EXPECT_FALSE(s.Checked(kRadio1));
  EXPECT_TRUE(s.Checked(kRadio2));
  EXPECT_TRUE(s.Checked(kOtherRadio));
}

TEST_F(Store, ObserversSeeEveryChangeUntilRemoved) {
  std::vector<std::string> seen;
  int id = s.AddObserver([&](const Control& c, Property) { seen.push_back(c.name.Str()); });
  s.SetEnabled(kBox, false);
  s.SetEnabled(kBox, false);  // no change, no notice
  s.SetText(kSpin, "x");
  s.RemoveObserver(id);
  s.SetVisible(kBox, false);
  EXPECT_EQ(seen, (std::vector<std::string>{"BulkErase", "errorRepeatCount"}));
}

TEST_F(Store, EditLengthLimitAndUnknownNames) {
  Control e = MakeControl(kEdit, ControlKind::Edit);
  e.maxLength = 4;
  s.Add(e);
  s.SetText(kEdit, "abcdefgh");
  EXPECT_EQ(s.Text(kEdit), "abcd");
  s.SetText(kEdit, "a\u20AC\u20AC");  // the limit falls inside the second euro sign
  EXPECT_EQ(s.Text(kEdit), "a\u20AC");
  EXPECT_THROW(s.Get(Ctl::slotListHint), std::out_of_range);  // a control this store lacks
  EXPECT_THROW(s.Add(MakeControl(kBox, ControlKind::Label)), std::logic_error);
  EXPECT_THROW(s.Add(MakeControl(ControlName(), ControlKind::Label)), std::logic_error);
}

// Names typed by a user (the command line's --set, a widget's object name)
// reach a control only through the store, exactly or ignoring case.
TEST_F(Store, TypedNamesFindTheirControlOrNothing) {
  EXPECT_EQ(s.Find("BulkErase")->name, kBox);
  EXPECT_EQ(s.Find("BULKERASE"), nullptr);
  EXPECT_EQ(s.FindNoCase("BULKERASE")->name, kBox);
  EXPECT_EQ(s.FindNoCase("bulkerase")->name, kBox);
  for (const char* typed : {"", "BulkErase ", "Bulk", "slotListHint"}) {
    EXPECT_EQ(s.Find(typed), nullptr) << typed;
    EXPECT_EQ(s.FindNoCase(typed), nullptr) << typed;
  }
}

}  // namespace
