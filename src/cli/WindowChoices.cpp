// Window choices for the commands.
#include "cli/WindowChoices.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "cli/CliContext.h"
#include "cli/CommandSuggestion.h"
#include "model/TMainForm.h"
#include "platform/Paths.h"
#include "platform/Text.h"
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

namespace {

// Letters and digits only, upper case: "PIC18 K" and "pic18k" are alike.
std::string Squeezed(const std::string& name) {
  std::string out;
  for (char c : name)
    if (std::isalnum(static_cast<unsigned char>(c))) out += char(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

int ListedIndex(const std::vector<std::string>& items, const std::string& name) {
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i] == name) return int(i);
  for (std::size_t i = 0; i < items.size(); ++i)
    if (text::UpperCase(items[i]) == text::UpperCase(name)) return int(i);
  return -1;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ", ") + text::Trim(n);
  return out;
}

}  // namespace

int SelectFamily(model::TMainForm& w, const std::string& family, const std::string& device) {
  const std::vector<std::string> families = w.Controls().Items(Ctl::family);
  if (family.empty()) {
    std::vector<std::string> every;
    for (std::size_t i = 0; i < families.size(); ++i) {
      w.Controls().UserSelect(Ctl::family, int(i));
      const std::vector<std::string>& devices = w.Controls().Items(Ctl::deviceList);
      if (ListedIndex(devices, device) >= 0) return int(i);
      every.insert(every.end(), devices.begin(), devices.end());
    }
    const std::vector<std::string> nearest = NearestNames(text::UpperCase(device), every);
    throw CliFailure("--device " + device + " is in no family list of kind " +
                         std::to_string(slot::NumberOf(w.ProgrammerKind)) +
                         (nearest.empty() ? std::string() : ": did you mean " + Joined(nearest) + "?"),
                     kExitUsage);
  }
  if (family.find_first_not_of("0123456789") == std::string::npos && family.size() < 4)
    return SelectFamily(w, std::stoi(family));
  for (std::size_t i = 0; i < families.size(); ++i)
    if (Squeezed(families[i]) == Squeezed(family)) return SelectFamily(w, int(i));
  throw CliFailure("--family " + family + " is not in the family list of kind " +
                       std::to_string(slot::NumberOf(w.ProgrammerKind)) + " (" + Joined(families) +
                       ", or their numbers from 0)",
                   kExitUsage);
}

void SelectDevice(model::TMainForm& w, const std::string& device) {
  model::ControlStore& s = w.Controls();
  const std::vector<std::string>& devices = s.Items(Ctl::deviceList);
  const int at = ListedIndex(devices, device);
  if (at < 0) {
    const std::vector<std::string> nearest = NearestNames(text::UpperCase(device), devices);
    throw CliFailure("--device " + device + " is not in the " + s.Text(Ctl::family) + " device list" +
                         (nearest.empty() ? std::string() : ": did you mean " + Joined(nearest) + "?"),
                     kExitUsage);
  }
  s.UserSelect(Ctl::deviceList, at);
}

void ChooseHexFile(model::TMainForm& w, const std::string& hex) {
  std::error_code ec;
  const std::string path = std::filesystem::absolute(hex, ec).string();
  w.Data.FlashFile = ec ? hex : path;
  w.Controls().SetText(Ctl::fileName, platform::ExtractFileName(w.Data.FlashFile));
}

void WarnIfCut(CliContext& ctx, const std::string& description, const std::string& hexPath) {
  namespace sh = slot::slot_header;
  const std::size_t descriptionKept = sh::SlotName.size - 4;  // after "NNN "
  if (description.size() > descriptionKept)
    ctx.Warn("the description is cut to the " + std::to_string(descriptionKept) + " characters a slot keeps: \"" +
             std::string(text::CutUtf8(description, descriptionKept)) + "\"");
  const std::string name = platform::ExtractFileName(hexPath);
  if (name.size() > sh::SourceFileName.size)
    ctx.Warn("the file name is cut to the " + std::to_string(sh::SourceFileName.size) + " characters a slot keeps: \"" +
             std::string(text::CutUtf8(name, sh::SourceFileName.size)) + "\" (find the slot by that)");
}

}  // namespace velmar::cli
