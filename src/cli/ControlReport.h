// How the command line reports the main window's option controls and the
// device record: each control's value by its kind (checked state, selected
// entry, number or text) with its enabled and visible states, as text lines
// or as JSON. Shared by `options` and `details`.
#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "devices/TData.h"
#include "model/ControlStore.h"

namespace velmar::cli {

nlohmann::ordered_json ControlValue(const model::Control& c);
std::string ControlValueText(const model::Control& c);
nlohmann::ordered_json DataJson(const devices::TData& d);

// A text without its trailing blanks (the stored fixed-width form cut back).
std::string RightTrimmed(const std::string& s);
// The slot list's rows: [{"slot", "description", "file_name", "device",
// "stored": {"slot_name", "file_name"}}], values trimmed, the stored
// fixed-width texts under "stored".
nlohmann::ordered_json SlotsJson(const model::Control& grid);
// The visible buttons of `names`: [{"caption", "enabled"}].
nlohmann::ordered_json ButtonsJson(const model::ControlStore& s, std::span<const model::ControlName> names);
// Every option control: {"name": {"value", "enabled", "visible"}, ...}.
nlohmann::ordered_json OptionControlsJson(const model::ControlStore& s);
// One line per option control, then a blank line and the device record.
void PrintOptionControls(std::ostream& out, const model::ControlStore& s, const devices::TData& d);

}  // namespace velmar::cli
