// The Intel HEX writer of TFileLoader: 16-byte lines, trailing 0xFF bytes of
// a line left out, lines of only 0xFF skipped, extended linear address
// records at every 64 KiB boundary, upper-case digits and CR LF line ends.
#include <algorithm>

#include "image/TFileLoader.h"
#include "platform/AtomicFile.h"

namespace velmar::image {

namespace {

const char kDigits[] = "0123456789ABCDEF";

inline void PutByte(std::string& out, unsigned b) {
  out.push_back(kDigits[(b >> 4) & 0xF]);
  out.push_back(kDigits[b & 0xF]);
}

void ExtendedLinear(std::string& out, unsigned upper) {
  unsigned sum = 0x02 + 0x04 + (upper >> 8) + (upper & 0xFF);
  out += ":02000004";
  PutByte(out, upper >> 8);
  PutByte(out, upper & 0xFF);
  PutByte(out, (0x100 - (sum & 0xFF)) & 0xFF);
  out += "\r\n";
}

}  // namespace

std::string TFileLoader::IntelHexText(const THexList& image) {
  std::string out;
  std::int64_t last = image.LastUsed();
  if (last < 0) return ":00000001FF\r\n";
  const std::uint8_t* data = image.DataAt(0);
  const std::uint64_t size = image.Count();
  out.reserve(std::size_t(last / 16 + 2) * 45);
  if (last > 0xFFFF) out += ":020000040000FA\r\n";

  for (std::uint64_t line = 0; line <= std::uint64_t(last) / 16; ++line) {
    std::uint64_t start = line * 16;
    if (start != 0 && start % 0x10000 == 0) ExtendedLinear(out, unsigned(start >> 16) & 0xFFFF);
    std::uint64_t end = std::min<std::uint64_t>(start + 16, size);
    std::int64_t highest = -1;
    for (std::uint64_t a = end; a-- > start;)
      if (data[a] != 0xFF) {
        highest = std::int64_t(a);
        break;
      }
    if (highest < 0) continue;
    unsigned count = unsigned(std::uint64_t(highest) - start + 1);
    unsigned address = unsigned(start & 0xFFFF);
    unsigned sum = count + (address >> 8) + (address & 0xFF);
    out.push_back(':');
    PutByte(out, count);
    PutByte(out, address >> 8);
    PutByte(out, address & 0xFF);
    out += "00";
    for (unsigned i = 0; i < count; ++i) {
      unsigned b = data[start + i];
      sum += b;
      PutByte(out, b);
    }
    PutByte(out, (0x100 - (sum & 0xFF)) & 0xFF);
    out += "\r\n";
  }
  out += ":00000001FF\r\n";
  return out;
}

int TFileLoader::SaveFile(const std::string& fileName, const THexList& image, int /*format*/,
                          std::string* error, platform::FileOrigin origin) {
  try {
    return platform::WriteFileAtomically(fileName, IntelHexText(image), error, origin) ? 0 : 1;
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return 1;
  }
}

}  // namespace velmar::image
