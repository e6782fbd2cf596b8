// Format detection and the readers of TFileLoader. Lines are upper-cased
// once, blank lines are skipped, and record checksums are not compared (the
// Tektronix header checksum excepted). Every reader checks each line's shape
// before it uses it, so no input can read out of bounds.
#include <algorithm>
#include <cstdint>

#include "image/TFileLoader.h"
#include "platform/AtomicFile.h"

namespace velmar::image {

namespace {

thread_local int g_lastFormat = fmt_unknown;

using Lines = std::vector<std::string_view>;

struct HexTable {
  std::int8_t v[256];
  HexTable() {
    for (int i = 0; i < 256; ++i) v[i] = -1;
    for (int i = 0; i < 10; ++i) v['0' + i] = std::int8_t(i);
    for (int i = 0; i < 6; ++i) v['A' + i] = std::int8_t(10 + i);
  }
};
const HexTable kHex;

inline int Digit(char c) { return kHex.v[static_cast<unsigned char>(c)]; }
inline bool AllHex(std::string_view s) {
  for (char c : s)
    if (Digit(c) < 0) return false;
  return true;
}
// Byte from two characters already known to be hex digits.
inline unsigned Pair(std::string_view s, std::size_t i) {
  return unsigned(Digit(s[i]) * 16 + Digit(s[i + 1]));
}
// Hex number of `n` digits starting at `i` (digits known valid).
inline std::uint64_t Number(std::string_view s, std::size_t i, std::size_t n) {
  std::uint64_t v = 0;
  for (std::size_t k = 0; k < n; ++k) v = v * 16 + unsigned(Digit(s[i + k]));
  return v;
}

// Writes one byte; false when the address is outside the image.
inline bool Put(THexList& image, std::uint64_t address, unsigned value) {
  if (address >= image.Count()) return false;
  image.SetValue(std::uint32_t(address), std::uint8_t(value));
  return true;
}

// ---- detection -------------------------------------------------------------

int TestIntel(const Lines& lines) {
  int result = 0;
  for (std::string_view l : lines) {
    if (l.size() < 11 || l[0] != ':') return 0;
    std::string_view rest = l.substr(1);
    if (rest.size() % 2 != 0 || !AllHex(rest)) return 0;
    if (rest.size() / 2 != Pair(rest, 0) + 5) return 0;
    switch (Pair(rest, 6)) {
      case 0x00: result = std::max(result, 1); break;
      case 0x01: return std::max(result, 1);
      case 0x02: result = std::max(result, 2); break;
      case 0x03: case 0x04: case 0x05: result = 3; break;
      default: return 0;
    }
  }
  return result;
}

int TestSRecord(const Lines& lines) {
  int result = 0;
  for (std::string_view l : lines) {
    if (l.size() < 10 || l[0] != 'S' || l[1] < '0' || l[1] > '9') return 0;
    std::string_view rest = l.substr(2);
    if (rest.size() % 2 != 0 || !AllHex(rest)) return 0;
    if (rest.size() / 2 - 1 != Pair(rest, 0)) return 0;
    switch (l[1]) {
      case '0': case '1': result = std::max(result, 4); break;
      case '2': case '8': result = std::max(result, 5); break;
      case '3': case '7': result = 6; break;
      case '9': return std::max(result, 4);
      default: return 0;
    }
  }
  return result;
}

int TestTekExtended(const Lines& lines) {
  int result = 0;
  for (std::string_view l : lines) {
    if (l.size() < 6 || l[0] != '%') return 0;
    char type = l[3];
    if (type == '3') continue;
    if (type != '6' && type != '8') return 0;
    std::string_view rest = l.substr(1);
    if (!AllHex(rest) || Pair(rest, 0) != rest.size()) return 0;
    result = 7;
    if (type == '8') return result;
  }
  return result;
}

int TestTektronix(const Lines& lines) {
  int result = 0;
  for (std::string_view l : lines) {
    if (l.size() < 9 || l[0] != '/') return 0;
    std::string_view rest = l.substr(1);
    if (rest.size() % 2 != 0 || !AllHex(rest)) return 0;
    unsigned sum = 0;
    for (std::size_t i = 0; i < 6; ++i) sum += unsigned(Digit(rest[i]));
    if (Pair(rest, 6) != (sum & 0xFF)) return 0;
    unsigned count = Pair(rest, 4);
    if (count == 0 && rest.size() == 8) return 8;
    if (rest.size() / 2 != count + 5) return 0;
    result = 8;
  }
  return result;
}

int TestDump(const Lines& lines) {
  int kind = 0;  // 11 or 7 once known
  for (std::string_view l : lines) {
    int k;
    if (l.size() == 11 && l[6] == ':') k = 11;
    else if (l.size() == 7 && l[4] == ':') k = 7;
    else return 0;
    if (kind != 0 && kind != k) return 0;
    kind = k;
    for (std::size_t i = 0; i < l.size(); ++i) {
      if (i == std::size_t(k == 11 ? 6 : 4)) continue;
      if (Digit(l[i]) < 0) return 0;
    }
  }
  return kind == 7 ? fmt_byte_dump : fmt_word_dump;
}

// ---- readers ---------------------------------------------------------------
// Each returns 0, or -1 when a byte falls outside the image.

int ReadIntel(const Lines& lines, THexList& image) {
  std::uint64_t upper = 0, segment = 0;
  for (std::string_view l : lines) {
    if (l.size() < 11 || l[0] != ':') continue;
    std::string_view rest = l.substr(1);
    if (rest.size() % 2 != 0 || !AllHex(rest)) continue;
    unsigned count = Pair(rest, 0);
    std::uint64_t address = Number(rest, 2, 4);
    unsigned type = Pair(rest, 6);
    std::size_t have = (rest.size() - 8) / 2;  // data pairs present (checksum included)
    std::size_t n = std::min<std::size_t>(count, have);
    auto value16 = [&]() -> std::uint64_t {
      unsigned hi = n > 0 ? Pair(rest, 8) : 0, lo = n > 1 ? Pair(rest, 10) : 0;
      return hi * 256u + lo;
    };
    switch (type) {
      case 0x00: {
        std::uint64_t base = upper * 65536 + segment * 16 + address;
        for (std::size_t i = 0; i < n; ++i)
          if (!Put(image, base + i, Pair(rest, 8 + 2 * i))) return -1;
        break;
      }
      case 0x01: return 0;
      case 0x02: segment = value16(); break;
      case 0x04: upper = value16(); break;
      default: break;
    }
  }
  return 0;
}

int ReadSRecord(const Lines& lines, THexList& image) {
  int result = 0;
  for (std::string_view l : lines) {
    if (l.size() < 4 || l[0] != 'S') continue;
    std::string_view rest = l.substr(2);
    if (rest.size() % 2 != 0 || !AllHex(rest)) continue;
    char type = l[1];
    std::size_t addressBytes;
    switch (type) {
      case '1': case '4': addressBytes = 2; break;
      case '2': addressBytes = 3; break;
      case '3': addressBytes = 4; break;
      case '7': case '8': case '9': result = 0; continue;
      default: continue;  // S0, S5, S6 and anything else
    }
    std::size_t count = Pair(rest, 0);
    if (rest.size() < 2 + 2 * addressBytes) continue;
    std::uint64_t address = Number(rest, 2, 2 * addressBytes);
    std::size_t dataBytes = count > addressBytes ? count - addressBytes - 1 : 0;
    std::size_t first = 2 + 2 * addressBytes;
    std::size_t have = (rest.size() - first) / 2;
    dataBytes = std::min(dataBytes, have);
    for (std::size_t i = 0; i < dataBytes; ++i)
      if (!Put(image, address + i, Pair(rest, first + 2 * i))) return -1;
  }
  return result;
}

int ReadTekExtended(const Lines& lines, THexList& image) {
  for (std::string_view l : lines) {
    if (l.size() < 6 || l[0] != '%') continue;
    if (l[3] == '8') return 0;
    if (l.size() < 7 || l[3] != '6' || !AllHex(l.substr(1))) continue;
    std::size_t n = std::size_t(Digit(l[6]));
    std::size_t at = 7;
    if (l.size() < at + n) continue;
    std::uint64_t address = n > 0 ? Number(l, at, std::min<std::size_t>(n, 15)) : 0;
    at += n;
    for (std::size_t i = 0; at + 1 < l.size(); ++i, at += 2)
      if (!Put(image, address + i, Pair(l, at))) return -1;
  }
  return 0;
}

int ReadTektronix(const Lines& lines, THexList& image) {
  for (std::string_view l : lines) {
    if (l.size() < 9 || l[0] != '/' || !AllHex(l.substr(1))) continue;
    std::uint64_t address = Number(l, 1, 4);
    std::size_t count = Pair(l, 5);
    if (count == 0) return 0;
    std::size_t have = (l.size() - 9) / 2;
    count = std::min(count, have);
    for (std::size_t i = 0; i < count; ++i)
      if (!Put(image, address + i, Pair(l, 9 + 2 * i))) return -1;
  }
  return 0;
}

int ReadDump(const Lines& lines, THexList& image, int code) {
  for (std::string_view l : lines) {
    if (code == fmt_word_dump) {
      if (l.size() != 11 || l[6] != ':' || !AllHex(l.substr(0, 6)) || !AllHex(l.substr(7))) continue;
      std::uint64_t address = Number(l, 0, 6) * 2;
      if (!Put(image, address, Pair(l, 9))) return -1;
      if (!Put(image, address + 1, Pair(l, 7))) return -1;
    } else {
      if (l.size() != 7 || l[4] != ':' || !AllHex(l.substr(0, 4)) || !AllHex(l.substr(5))) continue;
      if (!Put(image, Number(l, 0, 4), Pair(l, 5))) return -1;
    }
  }
  return 0;
}

// Upper-cases `buffer` in place and returns views of its non-empty lines.
// `anyLine` tells whether the text had any line at all (blank or not).
Lines SplitUpper(std::string& buffer, bool& anyLine) {
  Lines lines;
  anyLine = false;
  for (char& c : buffer)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  std::size_t i = 0, start = 0, n = buffer.size();
  std::string_view all(buffer);
  while (i < n) {
    char c = buffer[i];
    if (c == '\r' || c == '\n') {
      anyLine = true;
      if (i > start) lines.push_back(all.substr(start, i - start));
      if (c == '\r' && i + 1 < n && buffer[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < n) {
    anyLine = true;
    lines.push_back(all.substr(start));
  }
  return lines;
}

int LoadFromBuffer(std::string& buffer, THexList& image) {
  image.Clear();
  bool anyLine = false;
  Lines lines = SplitUpper(buffer, anyLine);
  if (!anyLine) {
    g_lastFormat = fmt_empty;
    return fmt_empty;
  }
  int format = TFileLoader::DetectFormat(lines);
  g_lastFormat = format;
  switch (format) {
    case fmt_intel: case fmt_intel_segment: case fmt_intel_linear: return ReadIntel(lines, image);
    case fmt_s19: case fmt_s28: case fmt_s37: return ReadSRecord(lines, image);
    case fmt_tek_extended: return ReadTekExtended(lines, image);
    case fmt_tektronix: return ReadTektronix(lines, image);
    case fmt_word_dump: case fmt_byte_dump: return ReadDump(lines, image, format);
    default: return -1;
  }
}

}  // namespace

int TFileLoader::DetectFormat(const std::vector<std::string_view>& lines) {
  if (int r = TestIntel(lines)) return r;
  if (int r = TestSRecord(lines)) return r;
  if (int r = TestTekExtended(lines)) return r;
  if (int r = TestTektronix(lines)) return r;
  return TestDump(lines);
}

int TFileLoader::LoadFile(const std::string& fileName, THexList& image, int /*detect*/) {
  image.SetName(fileName);
  std::string buffer, error;
  if (!platform::ReadWholeFile(fileName, buffer, &error)) throw EFileOpenError(error);
  return LoadFromBuffer(buffer, image);
}

int TFileLoader::LoadLines(const std::vector<std::string>& lines, THexList& image) {
  std::string buffer;
  std::size_t total = 0;
  for (const auto& l : lines) total += l.size() + 1;
  buffer.reserve(total);
  for (const auto& l : lines) {
    buffer += l;
    buffer += '\n';
  }
  return LoadFromBuffer(buffer, image);
}

int TFileLoader::LastFormat() { return g_lastFormat; }

std::string TFileLoader::FormatName(int code) {
  switch (code) {
    case fmt_empty: return "empty file";
    case fmt_intel: return "Intel HEX";
    case fmt_intel_segment: return "Intel HEX with extended segment addresses";
    case fmt_intel_linear: return "Intel HEX with extended linear addresses";
    case fmt_s19: return "Motorola S-records, 16-bit addresses";
    case fmt_s28: return "Motorola S-records, 24-bit addresses";
    case fmt_s37: return "Motorola S-records, 32-bit addresses";
    case fmt_tek_extended: return "Tektronix extended";
    case fmt_tektronix: return "Tektronix";
    case fmt_word_dump: return "word dump";
    case fmt_byte_dump: return "byte dump";
    default: return "unknown";
  }
}

}  // namespace velmar::image
