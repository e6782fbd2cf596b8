// Reports of the option controls and the device record.
#include "cli/ControlReport.h"

#include <cstring>
#include <ostream>

#include "platform/Text.h"

namespace velmar::cli {

using model::Control;
using model::ControlKind;
using nlohmann::ordered_json;

namespace {

// The controls `options` prints, in window order.
const char* const kOptionControls[] = {
    "family",    "deviceList",    "matchDeviceID", "VerifyConfig", "unusedFuses", "progUserID",
    "DataSave",  "bootSave",      "BulkErase",     "VDD_Voltage",  "Label2",      "GroupBox2",
    "progMode",  "Progmodelabel", "GroupBox1",     "ProgramOps",   "Label5",      "limitPrograms",
    "Label7",    "ProgCount",     "SpinEdit1",
};

}  // namespace

ordered_json ControlValue(const Control& c) {
  switch (c.kind) {
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: return c.checked;
    case ControlKind::ChoiceGroup:
    case ControlKind::DropDown: return c.itemIndex;
    case ControlKind::SpinBox: return c.value;
    default: return c.text;
  }
}

std::string ControlValueText(const Control& c) {
  switch (c.kind) {
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: return c.checked ? "checked" : "unchecked";
    case ControlKind::ChoiceGroup:
    case ControlKind::DropDown: return std::to_string(c.itemIndex) + " \"" + c.SelectedText() + "\"";
    case ControlKind::SpinBox: return std::to_string(c.value);
    default: return "\"" + text::DisplayText(c.text) + "\"";
  }
}

ordered_json DataJson(const devices::TData& d) {
  return {{"DeviceName", d.DeviceName},
          {"Fuses", d.Fuses},
          {"Lockbits", d.Lockbits},
          {"FDefs", d.FDefs},
          {"DeviceID", d.DeviceID},
          {"LDefault", d.LDefault},
          {"EEPROMSIZE", d.EEPROMSIZE},
          {"FlashSize", d.FlashSize},
          {"BlockSize", d.BlockSize},
          {"BufferSize", d.BufferSize},
          {"EraseCMD", d.EraseCMD},
          {"Type", d.Type},
          {"EraseBlocks", d.EraseBlocks},
          {"Column", d.Column},
          {"noLVP", d.noLVP},
          {"DAset", d.DAset},
          {"FuseCount", d.FuseCount},
          {"is3Vonly", d.is3Vonly},
          {"ID14Bit", d.ID14Bit},
          {"RowSize", d.RowSize},
          {"Family", d.Family},
          {"LowVoltageMode", d.LowVoltageMode},
          {"BulkEraseOn", d.BulkEraseOn},
          {"MatchID", d.MatchID},
          {"ProgramUserID", d.ProgramUserID},
          {"VerifyConfigOn", d.VerifyConfigOn},
          {"EraseFlag", d.EraseFlag},
          {"RequiredFirmware", d.RequiredFirmware},
          {"FlashFile", d.FlashFile}};
}

ordered_json OptionControlsJson(const model::ControlStore& s) {
  ordered_json controls = ordered_json::object();
  for (const char* name : kOptionControls) {
    const Control& c = s.Get(name);
    controls[name] = {{"value", ControlValue(c)}, {"enabled", c.enabled}, {"visible", c.visible}};
  }
  return controls;
}

void PrintOptionControls(std::ostream& out, const model::ControlStore& s, const devices::TData& d) {
  for (const char* name : kOptionControls) {
    const Control& c = s.Get(name);
    out << name << std::string(name[0] && std::strlen(name) < 16 ? 16 - std::strlen(name) : 1, ' ')
        << ControlValueText(c) << (c.enabled ? "" : "  [disabled]") << (c.visible ? "" : "  [hidden]") << "\n";
  }
  out << "\n";
  const ordered_json data = DataJson(d);
  // A file name from setting.ini need not be UTF-8; show such bytes as U+FFFD.
  for (auto it = data.begin(); it != data.end(); ++it)
    out << it.key() << " = " << it.value().dump(-1, ' ', false, ordered_json::error_handler_t::replace) << "\n";
}

}  // namespace velmar::cli
