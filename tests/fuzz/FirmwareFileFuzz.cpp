// Fuzz target: the firmware file decoder. The first byte picks the form of
// the rest. Odd: the bytes are a firmware file as found on disk, read,
// checked and deciphered as an update reads it. Even: the bytes are the
// plain lines of a firmware file (the first byte after the choice is the
// version); they are packed into a real file first, so that the decipher
// and the flash loader see arbitrary records behind a valid check line, and
// what decodes must be exactly what was packed. Either way the records are
// then loaded into both controllers' flash.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "firmware/TFirmwareFile.h"
#include "image/TFileLoader.h"
#include "platform/Text.h"

using velmar::firmware::EFirmwareCorrupted;
using velmar::firmware::TFirmwareFile;
namespace fuzz = velmar::fuzz;

namespace {

// One flash image per controller, kept from input to input: loading clears
// it as the update's does, and a fresh 128 KiB image per input cost more
// than the decode.
void LoadIntoFlash(const TFirmwareFile& file) {
  static velmar::image::THexList images[] = {velmar::image::THexList(0x2000u),
                                             velmar::image::THexList(TFirmwareFile::kLargestFlash)};
  for (velmar::image::THexList& image : images) {
    const std::uint32_t flash = image.Count();
    std::string why;
    if (!file.LoadInto(image, &why) && why.empty()) fuzz::Fail("a refused firmware image gives no reason");
    if (image.Count() != flash) fuzz::Fail("loading firmware records resized the flash image");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool raw = data[0] & 1;
  std::string_view rest = fuzz::AsText(data + 1, size - 1);
  std::string fileText;
  std::string version;
  std::vector<std::string> records;
  if (raw) {
    fileText = std::string(rest);
  } else {
    if (rest.empty()) return 0;
    version = TFirmwareFile::VersionText(std::uint8_t(rest[0]));
    records = velmar::text::SplitLines(rest.substr(1));
    fileText = TFirmwareFile::Pack(version, records);
  }
  const std::string path = fuzz::WriteTemp("firmware.upd", fileText);
  try {
    const TFirmwareFile file = TFirmwareFile::Load(path);
    if (!raw && (file.Version() != version || file.Records() != records))
      fuzz::Fail("a packed firmware file does not decode to what was packed");
    LoadIntoFlash(file);
  } catch (const EFirmwareCorrupted&) {
    if (!raw) fuzz::Fail("a packed firmware file is refused as corrupted");
  }
  return 0;
}
