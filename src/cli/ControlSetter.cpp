// Parsing and applying --set values.
#include "cli/ControlSetter.h"

#include "cli/CliContext.h"
#include "platform/Text.h"

namespace velmar::cli {

using model::Control;
using model::ControlKind;

namespace {

[[noreturn]] void Fail(const std::string& message) { throw CliFailure(message, kExitUsage); }

long long Number(const Control& c, const std::string& value) {
  long long n = 0;
  if (!text::ParseInt(value, n)) Fail(c.name.Str() + ": '" + value + "' is not a whole number");
  return n;
}

void CheckRange(const Control& c, long long n, long long lo, long long hi) {
  if (n < lo || n > hi)
    Fail(c.name.Str() + ": " + std::to_string(n) + " is out of range (" + std::to_string(lo) + " to " +
         std::to_string(hi) + ")");
}

bool TakesValue(const Control& c) {
  switch (c.kind) {
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    case ControlKind::ChoiceGroup:
    case ControlKind::DropDown:
    case ControlKind::SpinBox:
    case ControlKind::Edit: return true;
    default: return false;
  }
}

[[noreturn]] void FailUnknown(const model::ControlStore& store, const std::string& name) {
  std::string names;
  for (const Control* c : store.All())
    if (TakesValue(*c)) names += (names.empty() ? "" : ", ") + c->name.Str();
  Fail("The window has no control named " + name + "; the controls that take a value are " + names);
}

}  // namespace

void SetControlValue(model::ControlStore& store, const std::string& name, const std::string& value) {
  const Control* found = store.FindTyped(name);
  if (!found) FailUnknown(store, name);
  const Control& c = *found;
  switch (c.kind) {
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: {
      std::string v = text::LowerCase(text::Trim(value));
      bool on;
      if (v == "1" || v == "true")
        on = true;
      else if (v == "0" || v == "false")
        on = false;
      else
        Fail(c.name.Str() + ": '" + value + "' is not 1, 0, true or false");
      store.SetChecked(c.name, on);
      return;
    }
    case ControlKind::ChoiceGroup:
    case ControlKind::DropDown: {
      long long n = Number(c, value);
      CheckRange(c, n, 0, static_cast<long long>(c.items.size()) - 1);
      store.UserSelect(c.name, int(n));
      return;
    }
    case ControlKind::SpinBox: {
      long long n = Number(c, value);
      CheckRange(c, n, c.minValue, c.maxValue);
      store.SetValue(c.name, int(n));
      return;
    }
    case ControlKind::Edit:
      if (c.maxLength > 0 && int(value.size()) > c.maxLength)
        Fail(c.name.Str() + ": the text is longer than " + std::to_string(c.maxLength) + " characters");
      store.UserSetText(c.name, value);
      return;
    default: Fail(c.name.Str() + " is a " + model::KindName(c.kind) + " and takes no value");
  }
}

void ApplyControlSetting(model::ControlStore& store, const std::string& assignment) {
  std::size_t eq = assignment.find('=');
  if (eq == std::string::npos || eq == 0) Fail("--set needs CONTROL=VALUE, not '" + assignment + "'");
  SetControlValue(store, text::Trim(assignment.substr(0, eq)), assignment.substr(eq + 1));
}

}  // namespace velmar::cli
