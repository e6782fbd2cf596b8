// Fuzz target: the version block reader. The input is an executable file
// (a Windows PE file or an ELF file, or anything else); the program's
// version information is read from it by path as About and the update
// check read it, and the block found in the file's bytes is queried
// directly for its translation and the usual strings.
#include <cstdint>
#include <span>
#include <string>

#include "FuzzSupport.h"
#include "platform/FileVersionInfo.h"
#include "platform/Text.h"
#include "platform/VersionResource.h"

namespace fuzz = velmar::fuzz;
using namespace velmar::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::WriteTemp("program.exe", fuzz::AsText(data, size));
  TFileVersionInfo info(path);

  const auto block = FindVersionBlock(std::span<const std::uint8_t>(data, size));
  if (!block) {
    if (!info.CountryCode.empty()) fuzz::Fail("version read from a file without a version block");
    return 0;
  }
  VersionResource resource(*block);
  const auto translation = resource.Translation();
  const std::string table =
      translation ? velmar::text::IntToHex(translation->first, 4) + velmar::text::IntToHex(translation->second, 4)
                  : "080904E4";
  if (info.CountryCode != (translation ? table : std::string()))
    fuzz::Fail("the version read by path differs from the block's translation");
  for (const char* name : {"FileVersion", "ProductVersion", "CompanyName", "Comments"}) {
    const auto value = resource.String(table, name);
    if (translation && std::string(name) == "FileVersion" && value.value_or("") != info.FileVersion)
      fuzz::Fail("the file version read by path differs from the block's");
  }
  return 0;
}
