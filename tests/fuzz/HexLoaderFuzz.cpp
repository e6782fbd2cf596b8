// Fuzz target: any byte string as the lines of a hex file, loaded into a
// small image with every format detector and reader, then saved as text
// again and reloaded, which must give the same image.
#include <cstdint>
#include <cstring>
#include <string>

#include "image/TFileLoader.h"
#include "platform/Text.h"

using velmar::image::TFileLoader;
using velmar::image::THexList;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  THexList image(0x2000);
  int result = TFileLoader::LoadLines(velmar::text::SplitLines(text), image).result;
  if (result != 0 && result != -1 && result != -2) __builtin_trap();

  // Whatever loaded must survive a round trip through the writer.
  THexList again(0x2000);
  std::string hex = TFileLoader::IntelHexText(image);
  if (TFileLoader::LoadLines(velmar::text::SplitLines(hex), again).result != 0) __builtin_trap();
  if (std::memcmp(image.DataAt(0), again.DataAt(0), image.Count()) != 0) __builtin_trap();
  return 0;
}
