// Window choices for the commands.
#include "cli/WindowChoices.h"

#include <algorithm>
#include <filesystem>

#include "cli/CliContext.h"
#include "model/TMainForm.h"
#include "platform/Paths.h"
#include "slot/SlotHeader.h"

namespace velmar::cli {

using model::Ctl;

int SelectFamily(model::TMainForm& w, int family) {
  const int count = int(w.Controls().Items(Ctl::family).size());
  if (family < 0 || family >= count)
    throw CliFailure("--family " + std::to_string(family) + " is not in the family list of kind " +
                         std::to_string(slot::NumberOf(w.ProgrammerKind)) + " (0 to " + std::to_string(count - 1) +
                         "); PIC24F and dsPIC30 are offered on kinds 4 and 5",
                     kExitUsage);
  w.Controls().UserSelect(Ctl::family, family);
  return family;
}

void SelectDevice(model::TMainForm& w, const std::string& device) {
  model::ControlStore& s = w.Controls();
  const auto& devices = s.Items(Ctl::deviceList);
  auto it = std::find(devices.begin(), devices.end(), device);
  if (it == devices.end())
    throw CliFailure("--device " + device + " is not in the " + s.Text(Ctl::family) + " device list", kExitUsage);
  s.UserSelect(Ctl::deviceList, int(it - devices.begin()));
}

void ChooseHexFile(model::TMainForm& w, const std::string& hex) {
  std::error_code ec;
  const std::string path = std::filesystem::absolute(hex, ec).string();
  w.Data.FlashFile = ec ? hex : path;
  w.Controls().SetText(Ctl::Edit1, platform::ExtractFileName(w.Data.FlashFile));
}

void WarnIfCut(CliContext& ctx, const std::string& description, const std::string& hexPath) {
  namespace sh = slot::slot_header;
  const std::size_t descriptionKept = sh::SlotName.size - 4;  // after "NNN "
  if (description.size() > descriptionKept)
    ctx.Warn("the description is cut to the " + std::to_string(descriptionKept) + " characters a slot keeps: \"" +
             description.substr(0, descriptionKept) + "\"");
  const std::string name = platform::ExtractFileName(hexPath);
  if (name.size() > sh::SourceFileName.size)
    ctx.Warn("the file name is cut to the " + std::to_string(sh::SourceFileName.size) + " characters a slot keeps: \"" +
             name.substr(0, sh::SourceFileName.size) + "\" (find the slot by that)");
}

}  // namespace velmar::cli
