// The words shown for an identification's findings.
#include "model/IdentificationTexts.h"

namespace velmar::model {

std::string IdentifiedTitle(const link::IdentifyFindings& found) {
  if (!found.kind) return {};
  return std::string(slot::TitleText(slot::KindRow(*found.kind).title)) + " v" + found.loaderVersion;
}

std::string ProgrammerVersionText(const link::IdentifyFindings& found) {
  if (!found.hardwareVersion) return {};
  return found.IsVersion2Hardware() ? "Programmer Version 2" : "Programmer Version 1";
}

std::string FirmwareLabelText(const link::IdentifyFindings& found) {
  if (!found.recognisedFirmware || !found.kind) return {};
  switch (*found.recognisedFirmware) {
    case devices::fw_portable: return "Portable Programmer Firmware";
    case devices::fw_pic24: return "PIC24 Firmware Loaded";
    case devices::fw_pic:
      return slot::KindRow(*found.kind).firmware == slot::FirmwareLine::picOrPic24 ? "PIC12/16/18 Firmware Loaded" : "";
    case devices::fw_none: return {};
  }
  return {};
}

}  // namespace velmar::model
