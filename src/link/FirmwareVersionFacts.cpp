// Firmware versions in the user's words.
#include "link/FirmwareVersionFacts.h"

#include <cstdint>

#include "platform/Text.h"

namespace velmar::link {

std::string VersionWithHex(int version) {
  if (version < 0) return "not known";
  return std::to_string(version) + " (0x" + text::IntToHex(std::uint64_t(version), 2) + ")";
}

std::string VersionFacts(int offered, int installed) {
  const bool same = offered >= 0 && offered == installed;
  return "Offered: " + VersionWithHex(offered) + "\rInstalled: " + VersionWithHex(installed) +
         (same ? ", already installed" : "");
}

}  // namespace velmar::link
