// One control of a window model: its name, kind, caption or text, hint,
// value (checked, selected entry, number), entries, enabled and visible
// states, and the few kind-specific properties the windows use (range of a
// spin box, length limit of an edit box, cells of a grid, filter of a file
// dialog). Plain data; the ControlStore changes it and tells observers.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "model/ControlNames.h"

namespace velmar::model {

enum class ControlKind {
  Form,  // the window itself; its text is the window title
  Label,
  Edit,
  Button,
  CheckBox,
  RadioButton,
  SpinBox,
  ChoiceGroup,  // a group of radio choices with one selected entry
  DropDown,     // a drop-down list
  Group,
  Panel,
  Grid,
  PopupMenu,
  MenuItem,
  OpenDialog,
  SaveDialog,
  FindDialog,
  FontDialog,
  Component,  // other non-visual parts
};

const char* KindName(ControlKind kind);

struct Control;
// A control with the given name, kind, caption or text, hint and parent.
Control MakeControl(ControlName name, ControlKind kind, const std::string& text = {}, const std::string& hint = {},
                    ControlName parent = {});

// What changed, for observers.
enum class Property { Text, Hint, Checked, ItemIndex, Value, Items, Enabled, Visible, Colour, Cells, Selection, Extra };

struct Control {
  ControlName name;
  ControlKind kind = ControlKind::Label;
  ControlName parent;  // the group or panel that holds it (none for the window)

  // Caption of labels, buttons, boxes and groups; text of edit boxes; shown
  // text of drop-down lists; title of the window.
  std::string text;
  std::string hint;

  bool checked = false;            // check boxes and radio buttons
  int itemIndex = -1;              // choice groups and drop-down lists
  std::vector<std::string> items;  // choice groups, drop-down lists
  bool sorted = false;             // drop-down list kept in alphabetical order
  int value = 0;                   // spin boxes
  int minValue = 0;
  int maxValue = 0;
  int maxLength = 0;  // edit boxes; 0 means no limit

  bool enabled = true;
  bool visible = true;
  bool inactiveColour = false;  // drawn in the inactive-caption colour
  bool wordWrap = false;
  // Labels: the control this label is the caption of (none for the rest).
  ControlName labelFor;

  // Grids: cells[row][col], with the fixed title rows counted in.
  std::vector<std::vector<std::string>> cells;
  int colCount = 0;
  int fixedRows = 0;
  int fixedCols = 0;
  // Grids: the current cell (rows count the fixed rows in; -1: none).
  int selectedRow = -1;
  int selectedCol = 0;

  // Anything else a front end needs (file dialog filter, default extension,
  // start folder, shortcut, ...).
  std::map<std::string, std::string> extra;

  bool IsCheckable() const { return kind == ControlKind::CheckBox || kind == ControlKind::RadioButton; }
  bool HasItems() const { return kind == ControlKind::ChoiceGroup || kind == ControlKind::DropDown; }
  // The selected entry's text, or "" when none is selected.
  std::string SelectedText() const;
};

}  // namespace velmar::model
