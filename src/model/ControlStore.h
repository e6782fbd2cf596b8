// The generic store behind a window model: the controls by name in creation
// order, their change handlers and the observers that mirror them (the Qt
// front end binds its widgets through an observer). Changing a check box, a
// spin box or a choice group through the store runs its change handler
// whenever the value really changes, exactly as a user's change does;
// selecting an entry of a drop-down list from code runs none, so such code
// runs the handler itself. The User... calls stand for what a person does
// with the mouse or keyboard and always run the handler.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/Control.h"

namespace velmar::model {

enum class Event { Change, Click, Enter };

// The order of sorted lists: as the upper-case texts compare (bytes as
// unsigned).
bool SortedListLess(const std::string& a, const std::string& b);

class ControlStore {
 public:
  using Handler = std::function<void()>;
  using Observer = std::function<void(const Control&, Property)>;

  ControlStore() = default;
  ControlStore(const ControlStore&) = delete;
  ControlStore& operator=(const ControlStore&) = delete;

  Control& Add(Control control);
  bool Has(ControlName name) const;
  // The control of that name; throws std::out_of_range naming it when there
  // is none.
  const Control& Get(ControlName name) const;
  // The control whose name is exactly `name`, as a front end or a user
  // spells it (nullptr when none).
  const Control* Find(std::string_view name) const;
  // Finds a control by a name typed by a user, ignoring letter case
  // (nullptr when none).
  const Control* FindNoCase(std::string_view name) const;
  // Finds the control a user means, ignoring letter case: by its name, by the
  // name it had before it was renamed, or by its caption without the '&'
  // that marks a shortcut key (spaces at the ends left out, a run of spaces
  // as one). Captions are those of check boxes, radio buttons, choice groups,
  // buttons and menu entries, and of the labels that name a control beside
  // them (`Control::labelFor`), which find that control. nullptr when none.
  const Control* FindTyped(std::string_view typed) const;
  // Every control in creation order.
  std::vector<const Control*> All() const;

  void Bind(ControlName name, Event event, Handler handler);
  // Runs the bound handler, when there is one.
  void Fire(ControlName name, Event event);

  int AddObserver(Observer observer);
  void RemoveObserver(int id);

  // Changes made by code.
  void SetText(ControlName name, const std::string& text);
  void SetHint(ControlName name, const std::string& hint);
  void SetEnabled(ControlName name, bool enabled);
  void SetVisible(ControlName name, bool visible);
  void SetInactiveColour(ControlName name, bool inactive);
  // Check boxes and radio buttons; the handler runs when the state changes.
  // Checking a radio button unchecks the other radio buttons of its parent.
  void SetChecked(ControlName name, bool checked);
  // Choice groups clamp the index to -1 .. count-1 and run the handler when
  // it changes; drop-down lists take -1 for an index outside the list, show
  // the selected entry's text, and run no handler.
  void SetItemIndex(ControlName name, int index);
  // Spin boxes: the value is kept within the box's range; the handler runs
  // when it changes.
  void SetValue(ControlName name, int value);
  void SetItems(ControlName name, std::vector<std::string> items);
  void ClearItems(ControlName name);
  // Adds an entry (in alphabetical place for a sorted list); returns its index.
  int AddItem(ControlName name, const std::string& item);
  void SetCells(ControlName name, std::vector<std::vector<std::string>> cells, int fixedRows);
  // Grids: makes (row, col) the current cell; runs no handler.
  void SelectCell(ControlName name, int row, int col);
  void SetExtra(ControlName name, const std::string& key, const std::string& value);

  // What a person does.
  void UserSelect(ControlName name, int index);
  void UserSetText(ControlName name, const std::string& text);
  void UserClick(ControlName name);
  // A click on a grid cell: it becomes the current cell, then the grid's
  // click handler runs.
  void UserClickCell(ControlName name, int row, int col);
  void UserEnter(ControlName name);

  // Short reads.
  bool Checked(ControlName name) const { return Get(name).checked; }
  int ItemIndex(ControlName name) const { return Get(name).itemIndex; }
  int Value(ControlName name) const { return Get(name).value; }
  const std::string& Text(ControlName name) const { return Get(name).text; }
  bool Enabled(ControlName name) const { return Get(name).enabled; }
  bool Visible(ControlName name) const { return Get(name).visible; }
  const std::vector<std::string>& Items(ControlName name) const { return Get(name).items; }
  int Row(ControlName name) const { return Get(name).selectedRow; }
  int Col(ControlName name) const { return Get(name).selectedCol; }

 private:
  Control& Mutable(ControlName name);
  void Notify(const Control& c, Property p);

  std::vector<std::unique_ptr<Control>> order_;
  // Keyed by the controls' own names, which are constants that outlive the
  // store (ControlName), so no key is ever copied.
  std::unordered_map<std::string_view, Control*> byName_;
  std::map<std::pair<std::string_view, Event>, Handler> handlers_;
  std::map<int, Observer> observers_;
  int nextObserver_ = 1;
};

}  // namespace velmar::model
