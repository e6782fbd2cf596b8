// Reports of the option controls and the device record.
#include "cli/ControlReport.h"

#include <cstring>
#include <ostream>

#include "platform/Text.h"

namespace velmar::cli {

using model::Ctl;

using model::Control;
using model::ControlKind;
using nlohmann::ordered_json;

namespace {

// The controls `options` prints, in window order.
const model::ControlName kOptionControls[] = {
    Ctl::family,   Ctl::deviceList,    Ctl::matchDeviceID, Ctl::VerifyConfig, Ctl::unusedFuses, Ctl::progUserID,
    Ctl::DataSave, Ctl::bootSave,      Ctl::BulkErase,     Ctl::VDD_Voltage,  Ctl::targetPowerNote,      Ctl::progModeGroup,
    Ctl::progMode, Ctl::Progmodelabel, Ctl::programOpsGroup,     Ctl::ProgramOps,   Ctl::dataOnlyNote,      Ctl::limitPrograms,
    Ctl::progCountCaption,   Ctl::ProgCount,     Ctl::errorRepeatCount,
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
  return {{"device_name", text::Trim(d.DeviceName)},
          {"fuses", d.Fuses},
          {"lockbits", d.Lockbits},
          {"fuse_defaults", d.FDefs},
          {"device_id", d.DeviceID},
          {"lock_default", d.LDefault},
          {"eeprom_size", d.EEPROMSIZE},
          {"flash_size", d.FlashSize},
          {"block_size", d.BlockSize},
          {"buffer_size", d.BufferSize},
          {"erase_command", d.EraseCMD},
          {"type", d.Type},
          {"erase_blocks", d.EraseBlocks},
          {"column", d.Column},
          {"no_lvp", d.noLVP},
          {"da_set", d.DAset},
          {"fuse_count", d.FuseCount},
          {"is_3v_only", d.is3Vonly},
          {"id_14_bit", d.ID14Bit},
          {"row_size", d.RowSize},
          {"family", d.Family},
          {"low_voltage_mode", d.LowVoltageMode},
          {"bulk_erase_on", d.BulkEraseOn},
          {"match_id", d.MatchID},
          {"program_user_id", d.ProgramUserID},
          {"verify_config_on", d.VerifyConfigOn},
          {"erase_flag", d.EraseFlag},
          {"required_firmware", d.RequiredFirmware},
          {"flash_file", d.FlashFile}};
}

std::string RightTrimmed(const std::string& s) {
  const std::size_t end = s.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

ordered_json SlotsJson(const model::Control& grid) {
  ordered_json slots = ordered_json::array();
  for (std::size_t r = 1; r < grid.cells.size(); ++r) {
    const std::vector<std::string>& row = grid.cells[r];
    auto cell = [&row](std::size_t c) { return c < row.size() ? row[c] : std::string(); };
    const std::string listed = cell(0);
    slots.push_back({{"slot", r},
                     {"description", text::Trim(listed.size() > 4 ? listed.substr(4) : std::string())},
                     {"file_name", text::Trim(cell(1))},
                     {"device", text::Trim(cell(2))},
                     {"stored", {{"slot_name", listed}, {"file_name", cell(1)}}}});
  }
  return slots;
}

ordered_json ButtonsJson(const model::ControlStore& s, std::span<const model::ControlName> names) {
  ordered_json buttons = ordered_json::array();
  for (model::ControlName name : names)
    if (s.Visible(name)) buttons.push_back({{"caption", text::Trim(s.Text(name))}, {"enabled", s.Enabled(name)}});
  return buttons;
}

ordered_json OptionControlsJson(const model::ControlStore& s) {
  ordered_json controls = ordered_json::object();
  for (model::ControlName name : kOptionControls) {
    const Control& c = s.Get(name);
    ordered_json value = ControlValue(c);
    if (value.is_string()) value = text::Trim(value.get<std::string>());
    controls[name.Str()] = {{"value", value}, {"enabled", c.enabled}, {"visible", c.visible}};
  }
  return controls;
}

void PrintOptionControls(std::ostream& out, const model::ControlStore& s, const devices::TData& d) {
  for (model::ControlName name : kOptionControls) {
    const Control& c = s.Get(name);
    out << name.Str() << std::string(name.View().size() < 16 ? 16 - name.View().size() : 1, ' ') << ControlValueText(c)
        << (c.enabled ? "" : "  [disabled]") << (c.visible ? "" : "  [hidden]") << "\n";
  }
  out << "\n";
  const ordered_json data = DataJson(d);
  // A file name from setting.ini need not be UTF-8; show such bytes as U+FFFD.
  for (auto it = data.begin(); it != data.end(); ++it)
    out << it.key() << " = " << it.value().dump(-1, ' ', false, ordered_json::error_handler_t::replace) << "\n";
}

}  // namespace velmar::cli
