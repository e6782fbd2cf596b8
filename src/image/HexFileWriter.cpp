// The Intel HEX writer of TFileLoader: 16-byte lines, trailing 0xFF bytes of
// a line left out, lines of only 0xFF skipped, extended linear address
// records at every 64 KiB boundary, upper-case digits and CR LF line ends.
// Records are formatted into a buffer sized from the image (at most a few
// hundred KiB) that is handed on whenever it fills, so saving a large image
// never holds its whole text; pages of the image never written are passed
// over whole.
#include <algorithm>
#include <cstring>
#include <memory>

#include "image/TFileLoader.h"

namespace velmar::image {

namespace {

// "000102...FF": the two upper-case digits of every byte.
struct PairTable {
  char text[512];
  constexpr PairTable() : text() {
    const char* digits = "0123456789ABCDEF";
    for (int b = 0; b < 256; ++b) {
      text[2 * b] = digits[b >> 4];
      text[2 * b + 1] = digits[b & 0xF];
    }
  }
};
constexpr PairTable kPairs;

inline char* PutByte(char* p, unsigned b) {
  std::memcpy(p, kPairs.text + 2 * (b & 0xFF), 2);
  return p + 2;
}

constexpr std::size_t kLongestLine = 1 + 2 * (16 + 5) + 2;  // ":", 21 pairs, CR LF
constexpr std::size_t kLargestBuffer = 256 * 1024;
constexpr char kEnd[] = ":00000001FF\r\n";

char* ExtendedLinear(char* p, unsigned upper) {
  unsigned sum = 0x02 + 0x04 + (upper >> 8) + (upper & 0xFF);
  std::memcpy(p, ":02000004", 9);
  p = PutByte(p + 9, upper >> 8);
  p = PutByte(p, upper & 0xFF);
  p = PutByte(p, (0x100 - (sum & 0xFF)) & 0xFF);
  *p++ = '\r';
  *p++ = '\n';
  return p;
}

// Whether 16 bytes are all 0xFF (two word loads, no call).
inline bool Blank16(const std::uint8_t* bytes) {
  std::uint64_t a, b;
  std::memcpy(&a, bytes, 8);
  std::memcpy(&b, bytes + 8, 8);
  return (a & b) == ~std::uint64_t{0};
}

// The length of a line's record: up to its last byte that is not 0xFF.
inline unsigned UsedLength(const std::uint8_t* line, unsigned length) {
  while (length > 0 && line[length - 1] == 0xFF) --length;
  return length;
}

char* DataRecord(char* p, const std::uint8_t* bytes, unsigned count, unsigned address) {
  unsigned sum = count + (address >> 8) + (address & 0xFF);
  *p++ = ':';
  p = PutByte(p, count);
  p = PutByte(p, address >> 8);
  p = PutByte(p, address & 0xFF);
  *p++ = '0';
  *p++ = '0';
  for (unsigned i = 0; i < count; ++i) {
    sum += bytes[i];
    p = PutByte(p, bytes[i]);
  }
  p = PutByte(p, (0x100 - (sum & 0xFF)) & 0xFF);
  *p++ = '\r';
  *p++ = '\n';
  return p;
}

// Formats the image and hands the text on in pieces; false when `append`
// fails. Pages never written hold no record but still the address records
// of the 64 KiB boundaries they start at.
bool Format(const THexList& image, const platform::AppendBytes& append) {
  const std::int64_t last = image.LastUsed();
  if (last < 0) return append(kEnd);
  const std::uint64_t size = image.Count();
  const std::uint64_t lines = std::uint64_t(last) / 16 + 1;
  const std::size_t whole = std::size_t(lines * kLongestLine + (lines / 4096 + 2) * 17 + sizeof kEnd);
  // Left uninitialised: only the part the text reaches is ever touched.
  const std::size_t capacity = std::min(whole, kLargestBuffer);
  const std::unique_ptr<char[]> buffer(new char[capacity]);
  char* const begin = buffer.get();
  char* const full = begin + capacity - 2 * kLongestLine;  // room left for one more record and the end
  char* p = begin;
  // Hands the text on once the buffer is full; called before every record.
  const auto room = [&]() {
    if (p < full) return true;
    const bool ok = append(std::string_view(begin, std::size_t(p - begin)));
    p = begin;
    return ok;
  };
  if (last > 0xFFFF) {
    std::memcpy(p, ":020000040000FA\r\n", 17);
    p += 17;
  }
  constexpr std::uint64_t kLinesPerPage = THexList::kPageSize / 16;
  static_assert(0x10000 % THexList::kPageSize == 0, "a 64 KiB boundary starts a page");
  for (std::uint32_t page = 0; std::uint64_t(page) * kLinesPerPage < lines; ++page) {
    const std::uint64_t first = page * kLinesPerPage;
    const std::uint64_t end = std::min(lines, first + kLinesPerPage);
    const std::uint8_t* data = image.PageData(page);
    for (std::uint64_t line = first; line < end; ++line) {
      const std::uint64_t start = line * 16;
      if (start != 0 && start % 0x10000 == 0) {
        if (!room()) return false;
        p = ExtendedLinear(p, unsigned(start >> 16) & 0xFFFF);
      }
      if (!data) break;
      const unsigned length = unsigned(std::min<std::uint64_t>(16, size - start));
      const std::uint8_t* bytes = data + (start - first * 16);
      if (length == 16 && Blank16(bytes)) continue;
      const unsigned count = UsedLength(bytes, length);
      if (count == 0) continue;
      if (!room()) return false;
      p = DataRecord(p, bytes, count, unsigned(start & 0xFFFF));
    }
  }
  std::memcpy(p, kEnd, sizeof kEnd - 1);
  p += sizeof kEnd - 1;
  return append(std::string_view(begin, std::size_t(p - begin)));
}

}  // namespace

bool TFileLoader::WriteIntelHex(const THexList& image, const platform::AppendBytes& append) {
  return Format(image, append);
}

std::string TFileLoader::IntelHexText(const THexList& image) {
  std::string out;
  Format(image, [&out](std::string_view piece) {
    out += piece;
    return true;
  });
  return out;
}

SaveResult TFileLoader::SaveFile(const std::string& fileName, const THexList& image, int /*format*/,
                                 platform::Durability durability, platform::FileOrigin origin) {
  SaveResult r;
  try {
    const auto produce = [&image](const platform::AppendBytes& append) { return Format(image, append); };
    if (!platform::WriteFileAtomically(fileName, produce, &r.message, durability, origin)) r.result = 1;
  } catch (const std::exception& e) {
    r.result = 1;
    r.message = e.what();
  }
  return r;
}

}  // namespace velmar::image
