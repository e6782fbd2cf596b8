// The control store: lookup, change rules per control kind, handlers and
// observers.
#include "model/ControlStore.h"

#include <algorithm>
#include <stdexcept>

#include "platform/Text.h"

namespace velmar::model {

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Form: return "window";
    case ControlKind::Label: return "label";
    case ControlKind::Edit: return "edit box";
    case ControlKind::Button: return "button";
    case ControlKind::CheckBox: return "check box";
    case ControlKind::RadioButton: return "radio button";
    case ControlKind::SpinBox: return "spin box";
    case ControlKind::ChoiceGroup: return "choice group";
    case ControlKind::DropDown: return "drop-down list";
    case ControlKind::Group: return "group";
    case ControlKind::Panel: return "panel";
    case ControlKind::Grid: return "grid";
    case ControlKind::PopupMenu: return "pop-up menu";
    case ControlKind::MenuItem: return "menu entry";
    case ControlKind::OpenDialog: return "open dialog";
    case ControlKind::SaveDialog: return "save dialog";
    case ControlKind::FindDialog: return "find dialog";
    case ControlKind::FontDialog: return "font dialog";
    case ControlKind::Component: return "component";
  }
  return "control";
}

Control MakeControl(ControlName name, ControlKind kind, const std::string& text, const std::string& hint,
                    ControlName parent) {
  Control c;
  c.name = name;
  c.kind = kind;
  c.text = text;
  c.hint = hint;
  c.parent = parent;
  return c;
}

std::string Control::SelectedText() const {
  if (itemIndex < 0 || itemIndex >= int(items.size())) return {};
  return items[std::size_t(itemIndex)];
}

namespace {

std::pair<std::string_view, Event> HandlerKey(ControlName name, Event e) { return {name.View(), e}; }

}  // namespace

bool SortedListLess(const std::string& a, const std::string& b) {
  auto up = [](char c) { return (unsigned char)(c >= 'a' && c <= 'z' ? c - 32 : c); };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&up](char x, char y) { return up(x) < up(y); });
}

Control& ControlStore::Add(Control control) {
  if (control.name.Empty()) throw std::logic_error("a control without a name");
  if (byName_.count(control.name.View())) throw std::logic_error("control " + control.name.Str() + " added twice");
  order_.push_back(std::make_unique<Control>(std::move(control)));
  Control* c = order_.back().get();
  byName_[c->name.View()] = c;
  return *c;
}

bool ControlStore::Has(ControlName name) const { return byName_.count(name.View()) != 0; }

const Control& ControlStore::Get(ControlName name) const {
  auto it = byName_.find(name.View());
  if (it == byName_.end()) throw std::out_of_range("The window has no control named " + name.Str());
  return *it->second;
}

Control& ControlStore::Mutable(ControlName name) { return const_cast<Control&>(Get(name)); }

const Control* ControlStore::Find(std::string_view name) const {
  auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : it->second;
}

const Control* ControlStore::FindNoCase(std::string_view name) const {
  if (const Control* exact = Find(name)) return exact;
  for (const auto& c : order_)
    if (text::EqualsNoCase(c->name.View(), name)) return c.get();
  return nullptr;
}

namespace {

// A caption without the '&' marks of its shortcut key ("&&" is a literal '&').
std::string WithoutMarks(std::string_view caption) {
  std::string r;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && (i + 1 >= caption.size() || caption[i + 1] != '&')) continue;
    if (caption[i] == '&') ++i;
    r += caption[i];
  }
  return r;
}

// Text as it is compared: no spaces at the ends, a run of spaces as one, in
// upper case.
std::string Spaced(std::string_view text) {
  std::string r;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (!r.empty() && r.back() != ' ') r += ' ';
    } else {
      r += c;
    }
  }
  if (!r.empty() && r.back() == ' ') r.pop_back();
  return text::UpperCase(r);
}

bool HasCaption(const Control& c) {
  switch (c.kind) {
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    case ControlKind::ChoiceGroup:
    case ControlKind::Button:
    case ControlKind::MenuItem: return true;
    case ControlKind::Label: return !c.labelFor.Empty();
    default: return false;
  }
}

}  // namespace

const Control* ControlStore::FindTyped(std::string_view typed) const {
  if (const Control* byName = FindNoCase(typed)) return byName;
  for (const auto& c : order_)
    if (!c->name.Former().empty() && text::EqualsNoCase(c->name.Former(), typed)) return c.get();
  // The caption as typed, or with the marks a user copied from it left out.
  const std::string asTyped = Spaced(typed), unmarked = Spaced(WithoutMarks(typed));
  if (unmarked.empty()) return nullptr;
  for (const auto& c : order_) {
    if (!HasCaption(*c)) continue;
    const std::string caption = Spaced(WithoutMarks(c->text));
    if (caption != asTyped && caption != unmarked) continue;
    return c->labelFor.Empty() ? c.get() : Find(c->labelFor.View());
  }
  return nullptr;
}

std::vector<const Control*> ControlStore::All() const {
  std::vector<const Control*> r;
  r.reserve(order_.size());
  for (const auto& c : order_) r.push_back(c.get());
  return r;
}

void ControlStore::Bind(ControlName name, Event event, Handler handler) {
  Get(name);  // the control must exist
  handlers_[HandlerKey(name, event)] = std::move(handler);
}

void ControlStore::Fire(ControlName name, Event event) {
  auto it = handlers_.find(HandlerKey(name, event));
  if (it == handlers_.end() || !it->second) return;
  Handler h = it->second;  // a handler may rebind; keep this one alive
  h();
}

int ControlStore::AddObserver(Observer observer) {
  int id = nextObserver_++;
  observers_[id] = std::move(observer);
  return id;
}

void ControlStore::RemoveObserver(int id) { observers_.erase(id); }

void ControlStore::Notify(const Control& c, Property p) {
  if (observers_.empty()) return;
  auto copy = observers_;  // an observer may add or remove observers
  for (auto& [id, obs] : copy) obs(c, p);
}

void ControlStore::SetText(ControlName name, const std::string& text) {
  Control& c = Mutable(name);
  std::string t = text;
  if (c.maxLength > 0) t = std::string(text::CutUtf8(t, std::size_t(c.maxLength)));
  if (c.text == t) return;
  c.text = std::move(t);
  Notify(c, Property::Text);
}

void ControlStore::SetHint(ControlName name, const std::string& hint) {
  Control& c = Mutable(name);
  if (c.hint == hint) return;
  c.hint = hint;
  Notify(c, Property::Hint);
}

void ControlStore::SetEnabled(ControlName name, bool enabled) {
  Control& c = Mutable(name);
  if (c.enabled == enabled) return;
  c.enabled = enabled;
  Notify(c, Property::Enabled);
}

void ControlStore::SetVisible(ControlName name, bool visible) {
  Control& c = Mutable(name);
  if (c.visible == visible) return;
  c.visible = visible;
  Notify(c, Property::Visible);
}

void ControlStore::SetInactiveColour(ControlName name, bool inactive) {
  Control& c = Mutable(name);
  if (c.inactiveColour == inactive) return;
  c.inactiveColour = inactive;
  Notify(c, Property::Colour);
}

void ControlStore::SetChecked(ControlName name, bool checked) {
  Control& c = Mutable(name);
  if (!c.IsCheckable()) throw std::logic_error(name.Str() + " is not a check box");
  if (c.checked == checked) return;
  c.checked = checked;
  Notify(c, Property::Checked);
  if (checked && c.kind == ControlKind::RadioButton) {
    for (const auto& other : order_)
      if (other.get() != &c && other->kind == ControlKind::RadioButton && other->parent == c.parent && other->checked) {
        other->checked = false;
        Notify(*other, Property::Checked);
      }
  }
  Fire(name, Event::Change);
}

void ControlStore::SetItemIndex(ControlName name, int index) {
  Control& c = Mutable(name);
  if (!c.HasItems()) throw std::logic_error(name.Str() + " has no entries");
  int count = int(c.items.size());
  if (c.kind == ControlKind::ChoiceGroup) {
    index = std::clamp(index, -1, count - 1);
    if (c.itemIndex == index) return;
    c.itemIndex = index;
    Notify(c, Property::ItemIndex);
    Fire(name, Event::Change);
    return;
  }
  if (index < 0 || index >= count) index = -1;
  bool changed = c.itemIndex != index;
  c.itemIndex = index;
  std::string shown = c.SelectedText();
  if (changed) Notify(c, Property::ItemIndex);
  if (c.text != shown) {
    c.text = shown;
    Notify(c, Property::Text);
  }
}

void ControlStore::SetValue(ControlName name, int value) {
  Control& c = Mutable(name);
  if (c.kind != ControlKind::SpinBox) throw std::logic_error(name.Str() + " is not a spin box");
  if (c.maxValue > c.minValue) value = std::clamp(value, c.minValue, c.maxValue);
  if (c.value == value) return;
  c.value = value;
  c.text = std::to_string(value);
  Notify(c, Property::Value);
  Fire(name, Event::Change);
}

void ControlStore::SetItems(ControlName name, std::vector<std::string> items) {
  Control& c = Mutable(name);
  if (c.sorted) std::stable_sort(items.begin(), items.end(), SortedListLess);
  c.items = std::move(items);
  c.itemIndex = -1;
  if (c.kind == ControlKind::DropDown) c.text.clear();
  Notify(c, Property::Items);
}

void ControlStore::ClearItems(ControlName name) { SetItems(name, {}); }

int ControlStore::AddItem(ControlName name, const std::string& item) {
  Control& c = Mutable(name);
  auto pos = c.items.end();
  if (c.sorted) pos = std::upper_bound(c.items.begin(), c.items.end(), item, SortedListLess);
  int index = int(pos - c.items.begin());
  c.items.insert(pos, item);
  if (c.itemIndex >= index) ++c.itemIndex;
  Notify(c, Property::Items);
  return index;
}

void ControlStore::SetCells(ControlName name, std::vector<std::vector<std::string>> cells, int fixedRows) {
  Control& c = Mutable(name);
  c.cells = std::move(cells);
  c.fixedRows = fixedRows;
  Notify(c, Property::Cells);
}

void ControlStore::SelectCell(ControlName name, int row, int col) {
  Control& c = Mutable(name);
  if (c.selectedRow == row && c.selectedCol == col) return;
  c.selectedRow = row;
  c.selectedCol = col;
  Notify(c, Property::Selection);
}

void ControlStore::SetExtra(ControlName name, const std::string& key, const std::string& value) {
  Control& c = Mutable(name);
  c.extra[key] = value;
  Notify(c, Property::Extra);
}

void ControlStore::UserSelect(ControlName name, int index) {
  const Control& c = Get(name);
  if (c.kind == ControlKind::DropDown) {
    SetItemIndex(name, index);
    Fire(name, Event::Change);
  } else {
    SetItemIndex(name, index);
  }
}

void ControlStore::UserSetText(ControlName name, const std::string& text) {
  SetText(name, text);
  Fire(name, Event::Change);
}

void ControlStore::UserClick(ControlName name) {
  const Control& c = Get(name);
  if (c.kind == ControlKind::CheckBox)
    SetChecked(name, !c.checked);
  else if (c.kind == ControlKind::RadioButton)
    SetChecked(name, true);
  else
    Fire(name, Event::Click);
}

void ControlStore::UserClickCell(ControlName name, int row, int col) {
  SelectCell(name, row, col);
  Fire(name, Event::Click);
}

void ControlStore::UserEnter(ControlName name) { Fire(name, Event::Enter); }

}  // namespace velmar::model
