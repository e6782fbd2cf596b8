// "--set CONTROL=VALUE" for window models: parses the value by the control's
// kind (1/0 or true/false for a check box, the entry index for a choice
// group or drop-down list, the number for a spin box, the text for an edit
// box) and applies it as a user's change, so the control's handler runs.
// The control is named as ControlStore::FindTyped takes it: its name or
// former name in any letter case, or its caption. Unknown controls (the
// error lists the names that take a value), controls that take no value and
// values out of range fail with a usage error naming the control.
#pragma once

#include <string>

#include "model/ControlStore.h"

namespace velmar::cli {

// Splits "NAME=VALUE" and applies it.
void ApplyControlSetting(model::ControlStore& store, const std::string& assignment);
void SetControlValue(model::ControlStore& store, const std::string& name, const std::string& value);

}  // namespace velmar::cli
