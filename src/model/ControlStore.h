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
#include <vector>

#include "model/Control.h"

namespace velmar::model {

enum class Event { Change, Click, Enter };

class ControlStore {
 public:
  using Handler = std::function<void()>;
  using Observer = std::function<void(const Control&, Property)>;

  ControlStore() = default;
  ControlStore(const ControlStore&) = delete;
  ControlStore& operator=(const ControlStore&) = delete;

  Control& Add(Control control);
  bool Has(const std::string& name) const;
  // The control of that name; throws std::out_of_range naming it when there
  // is none.
  const Control& Get(const std::string& name) const;
  // Finds a control ignoring letter case (nullptr when none).
  const Control* FindNoCase(const std::string& name) const;
  // Every control in creation order.
  std::vector<const Control*> All() const;

  void Bind(const std::string& name, Event event, Handler handler);
  // Runs the bound handler, when there is one.
  void Fire(const std::string& name, Event event);

  int AddObserver(Observer observer);
  void RemoveObserver(int id);

  // Changes made by code.
  void SetText(const std::string& name, const std::string& text);
  void SetHint(const std::string& name, const std::string& hint);
  void SetEnabled(const std::string& name, bool enabled);
  void SetVisible(const std::string& name, bool visible);
  void SetInactiveColour(const std::string& name, bool inactive);
  // Check boxes and radio buttons; the handler runs when the state changes.
  // Checking a radio button unchecks the other radio buttons of its parent.
  void SetChecked(const std::string& name, bool checked);
  // Choice groups clamp the index to -1 .. count-1 and run the handler when
  // it changes; drop-down lists take -1 for an index outside the list, show
  // the selected entry's text, and run no handler.
  void SetItemIndex(const std::string& name, int index);
  // Spin boxes: the value is kept within the box's range; the handler runs
  // when it changes.
  void SetValue(const std::string& name, int value);
  void SetItems(const std::string& name, std::vector<std::string> items);
  void ClearItems(const std::string& name);
  // Adds an entry (in alphabetical place for a sorted list); returns its index.
  int AddItem(const std::string& name, const std::string& item);
  void SetCells(const std::string& name, std::vector<std::vector<std::string>> cells, int fixedRows);
  // Grids: makes (row, col) the current cell; runs no handler.
  void SelectCell(const std::string& name, int row, int col);
  void SetExtra(const std::string& name, const std::string& key, const std::string& value);

  // What a person does.
  void UserSelect(const std::string& name, int index);
  void UserSetText(const std::string& name, const std::string& text);
  void UserClick(const std::string& name);
  // A click on a grid cell: it becomes the current cell, then the grid's
  // click handler runs.
  void UserClickCell(const std::string& name, int row, int col);
  void UserEnter(const std::string& name);

  // Short reads.
  bool Checked(const std::string& name) const { return Get(name).checked; }
  int ItemIndex(const std::string& name) const { return Get(name).itemIndex; }
  int Value(const std::string& name) const { return Get(name).value; }
  const std::string& Text(const std::string& name) const { return Get(name).text; }
  bool Enabled(const std::string& name) const { return Get(name).enabled; }
  bool Visible(const std::string& name) const { return Get(name).visible; }
  const std::vector<std::string>& Items(const std::string& name) const { return Get(name).items; }
  int Row(const std::string& name) const { return Get(name).selectedRow; }
  int Col(const std::string& name) const { return Get(name).selectedCol; }

 private:
  Control& Mutable(const std::string& name);
  void Notify(const Control& c, Property p);

  std::vector<std::unique_ptr<Control>> order_;
  std::map<std::string, Control*> byName_;
  std::map<std::string, Handler> handlers_;  // "name/event"
  std::map<int, Observer> observers_;
  int nextObserver_ = 1;
};

}  // namespace velmar::model
