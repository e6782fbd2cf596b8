// Format detection and the readers of TFileLoader, in one pass over the
// text. The first non-blank line's first character names the only format
// that can fit (':' Intel HEX, 'S' S-records, '%' Tektronix extended, '/'
// Tektronix, a hex digit the dumps); every line is then checked as that
// format's detection requires and read at once. A line that does not fit
// refuses the whole file: the bytes read so far are wiped and the result
// names the line and why. Digits are decoded in either case without an
// upper-cased copy; record checksums are not compared (the Tektronix header
// checksum excepted) but a wrong one is reported as a warning. Files are
// read in bounded chunks, so memory stays near the size of the bytes loaded.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "image/TFileLoader.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace velmar::image {

namespace {

// ---- digits ----------------------------------------------------------------

// Digit values of both cases; anything else is kBad, which makes any pair
// built from it greater than 0xFF.
constexpr unsigned kBad = 0x100;
struct DigitTable {
  std::uint16_t v[256];
  constexpr DigitTable() : v() {
    for (int i = 0; i < 256; ++i) v[i] = kBad;
    for (int i = 0; i < 10; ++i) v['0' + i] = std::uint16_t(i);
    for (int i = 0; i < 6; ++i) {
      v['A' + i] = std::uint16_t(10 + i);
      v['a' + i] = std::uint16_t(10 + i);
    }
  }
};
constexpr DigitTable kDigits;

inline unsigned Digit(char c) { return kDigits.v[static_cast<unsigned char>(c)]; }
inline bool IsHex(char c) { return Digit(c) != kBad; }
// Byte from two characters; greater than 0xFF when either is no hex digit.
inline unsigned Pair(const char* p) { return (Digit(p[0]) << 4) | Digit(p[1]); }
// Number of `n` digits already known to be hex.
inline std::uint64_t Number(const char* p, std::size_t n) {
  std::uint64_t v = 0;
  for (std::size_t k = 0; k < n; ++k) v = v * 16 + Digit(p[k]);
  return v;
}
// Index of the first character of `s` from `from` on that is no hex digit,
// or npos.
std::size_t FirstNonHex(std::string_view s, std::size_t from) {
  for (std::size_t i = from; i < s.size(); ++i)
    if (!IsHex(s[i])) return i;
  return std::string_view::npos;
}
inline bool AllHex(std::string_view s, std::size_t from) { return FirstNonHex(s, from) == std::string_view::npos; }
// Decodes `n` pairs from `p` into `out`; false when a character is no digit.
inline bool Decode(const char* p, std::size_t n, std::uint8_t* out) {
  unsigned bad = 0;
  for (std::size_t k = 0; k < n; ++k, p += 2) {
    unsigned b = Pair(p);
    bad |= b;
    out[k] = std::uint8_t(b);
  }
  return bad <= 0xFF;
}

std::string Hex(std::uint64_t v, int digits) { return "0x" + text::IntToHex(v, digits); }

// The longest line any record format allows (a Tektronix record of 255
// bytes); longer lines are refused without being kept whole.
constexpr std::size_t kLongestRecord = 1 + 2 * (255 + 5) + 2;

enum class Family { none, intel, srecord, tek_extended, tektronix, dump };

Family FamilyOf(char first) {
  switch (first) {
    case ':': return Family::intel;
    case 'S':
    case 's': return Family::srecord;
    case '%': return Family::tek_extended;
    case '/': return Family::tektronix;
    default: return IsHex(first) ? Family::dump : Family::none;
  }
}

// ---- the reader ------------------------------------------------------------

// Whether the bytes read are kept in the image or only checked.
enum class Keep { data, nothing };

class Reader {
 public:
  // The image grows, when needed, up to `largest` addresses (no further
  // than it is when that is its size already). With Keep::nothing the image
  // is left alone and every address below `largest` counts as inside it.
  Reader(THexList& image, LoadResult& result, std::uint64_t largest, Keep keep = Keep::data)
      : image_(image), r_(result), largest_(std::max<std::uint64_t>(largest, image.Count())), keep_(keep) {}

  // Takes the next non-blank line; false once no later line can matter.
  bool Line(std::string_view l, std::size_t number) {
    number_ = number;
    if (family_ == Family::none) {
      family_ = FamilyOf(l[0]);
      if (family_ == Family::none)
        return Refuse(LoadFault::bad_character, "'" + Shown(l[0]) + "' does not start any hex record");
    }
    switch (family_) {
      case Family::intel: return Intel(l);
      case Family::srecord: return SRecord(l);
      case Family::tek_extended: return TekExtended(l);
      case Family::tektronix: return Tektronix(l);
      case Family::dump: return Dump(l);
      default: return false;
    }
  }

  // Whether lines are still being checked (a line too long to keep whole is
  // then refused as it is).
  bool Detecting() const { return detecting_; }

  // After the last line. `anyLine` tells whether the text had any line at
  // all, blank or not.
  void Finish(bool anyLine) {
    if (refused_) return;
    if (family_ == Family::none) {
      // No lines: empty. Only blank lines: nothing contradicts the word dump.
      r_.format = anyLine ? fmt_word_dump : fmt_empty;
      r_.result = anyLine ? 0 : fmt_empty;
      return;
    }
    if (family_ == Family::dump) code_ = dumpWidth_ == 7 ? fmt_byte_dump : fmt_word_dump;
    if (code_ == 0) {
      number_ = firstLine_;
      Refuse(LoadFault::no_data, "no line holds data or ends the file");
      return;
    }
    r_.format = code_;
    // End records alone, or data records of no bytes: a file that is no program.
    if (r_.result == 0 && r_.lastAddress < 0) r_.warnings.push_back("no record holds data");
  }

 private:
  // ---- outcomes ----

  bool Refuse(LoadFault fault, const std::string& why) {
    // The whole file is refused: what was read of it goes (the image was
    // blank before).
    if (r_.lastAddress >= 0 && keep_ == Keep::data) image_.Clear();
    refused_ = true;
    detecting_ = reading_ = false;
    r_.format = fmt_unknown;
    r_.result = -1;
    r_.lastAddress = -1;
    SetFault(fault, why);
    return false;
  }

  // A byte beyond the image: reading stops, the bytes before stay, checking
  // goes on (a later bad line still makes the format unknown).
  bool Beyond(std::uint64_t address) {
    reading_ = false;
    r_.result = -1;
    SetFault(LoadFault::beyond_image,
             "address " + Hex(address, 8) + " is beyond the image (" + std::to_string(largest_) + " bytes)");
    return detecting_;
  }

  void SetFault(LoadFault fault, const std::string& why) {
    r_.fault = fault;
    r_.line = number_;
    r_.message = "line " + std::to_string(number_) + ": " + why;
  }

  void Warn(const std::string& why) {
    if (r_.warnings.size() < kMostWarnings) r_.warnings.push_back("line " + std::to_string(number_) + ": " + why);
  }

  void ChecksumWarning(unsigned found, unsigned expected) {
    if (checksumWarned_) return;
    checksumWarned_ = true;
    Warn("bad checksum " + Hex(found, 2) + " (expected " + Hex(expected, 2) + "); the record was read anyway");
  }

  static std::string Shown(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F) return std::string(1, c);
    return "\\x" + text::IntToHex(u, 2);
  }

  bool BadCharacter(std::string_view l, std::size_t at) {
    return Refuse(LoadFault::bad_character,
                  "column " + std::to_string(at + 1) + ": '" + Shown(l[at]) + "' is not a hex digit");
  }

  // Writes `n` bytes from `address` on, as far as the image reaches.
  bool Write(std::uint64_t address, const std::uint8_t* bytes, std::size_t n) {
    if (n == 0) return true;
    if (keep_ == Keep::nothing) {
      const std::size_t fits = address >= largest_ ? 0 : std::size_t(std::min<std::uint64_t>(n, largest_ - address));
      if (fits > 0) r_.lastAddress = std::max<std::int64_t>(r_.lastAddress, std::int64_t(address + fits - 1));
      return fits < n ? Beyond(address + fits) : true;
    }
    std::uint64_t size = image_.Count();
    if (address + n > size && size < largest_ && address < largest_) size = Grow(address + n);
    std::size_t fits = address >= size ? 0 : std::size_t(std::min<std::uint64_t>(n, size - address));
    if (fits > 0) {
      image_.Write(std::uint32_t(address), bytes, fits);
      r_.lastAddress = std::max<std::int64_t>(r_.lastAddress, std::int64_t(address + fits - 1));
    }
    if (fits < n) return Beyond(address + fits);
    return true;
  }

  // Grows the image towards `needed` addresses in steps of 64 KiB; returns
  // the new size.
  std::uint64_t Grow(std::uint64_t needed) {
    constexpr std::uint64_t kStep = 0x10000;
    const std::uint64_t size = std::min(largest_, (needed + kStep - 1) / kStep * kStep);
    image_.Grow(std::uint32_t(size));
    return size;
  }

  void Started() {
    if (firstLine_ == 0) firstLine_ = number_;
  }

  // ---- Intel HEX ----

  bool Intel(std::string_view l) {
    Started();
    const std::size_t n = l.size();
    if (l[0] != ':') return Refuse(LoadFault::bad_character, "an Intel HEX record starts with ':'");
    std::uint8_t b[kLongestRecord / 2];
    const std::size_t pairs = (n - 1) / 2;
    if (n < 11 || n > kLongestRecord || (n - 1) % 2 != 0 || !Decode(l.data() + 1, pairs, b)) {
      if (std::size_t at = FirstNonHex(l, 1); at != std::string_view::npos) return BadCharacter(l, at);
      return Refuse(LoadFault::bad_length, "a record has an even number of digits, at least 10 and at most 520");
    }
    const unsigned count = b[0];
    if (pairs != count + 5u)
      return Refuse(LoadFault::bad_length, "the record holds " + std::to_string(pairs - 5) +
                                               " data bytes, its count says " + std::to_string(count));
    const unsigned type = b[3];
    if (type > 5) return Refuse(LoadFault::unknown_record, "record type " + Hex(type, 2) + " is not Intel HEX");
    unsigned sum = 0;
    for (std::size_t k = 0; k + 1 < pairs; ++k) sum += b[k];
    if (((sum + b[pairs - 1]) & 0xFF) != 0) ChecksumWarning(b[pairs - 1], (0x100 - (sum & 0xFF)) & 0xFF);

    switch (type) {
      case 0x00:
        code_ = std::max(code_, 1);
        if (reading_) return Write(upper_ * 65536 + segment_ * 16 + (b[1] << 8 | b[2]), b + 4, count);
        return true;
      case 0x01:
        code_ = std::max(code_, 1);
        detecting_ = reading_ = false;
        return false;
      case 0x02:
        code_ = std::max(code_, 2);
        segment_ = Value16(b, count);
        return true;
      case 0x04:
        code_ = 3;
        upper_ = Value16(b, count);
        return true;
      default:  // 03 and 05: start addresses, nothing to load
        code_ = 3;
        return true;
    }
  }

  static std::uint64_t Value16(const std::uint8_t* b, unsigned count) {
    unsigned hi = count > 0 ? b[4] : 0, lo = count > 1 ? b[5] : 0;
    return hi * 256u + lo;
  }

  // ---- Motorola S-records ----

  bool SRecord(std::string_view l) {
    if (detecting_ && !CheckSRecord(l)) return false;
    if (reading_) return ReadSRecord(l);
    return detecting_;
  }

  bool CheckSRecord(std::string_view l) {
    Started();
    const std::size_t n = l.size();
    if (l[0] != 'S' && l[0] != 's') return Refuse(LoadFault::bad_character, "an S-record starts with 'S'");
    if (n >= 2 && (l[1] < '0' || l[1] > '9'))
      return Refuse(LoadFault::unknown_record, "'S" + Shown(l[1]) + "' is no S-record type");
    if (n > kLongestRecord) return Refuse(LoadFault::bad_length, "the line is longer than any S-record");
    if (std::size_t at = FirstNonHex(l, 2); at != std::string_view::npos) return BadCharacter(l, at);
    if (n < 10 || n % 2 != 0)
      return Refuse(LoadFault::bad_length, "an S-record has an even number of digits, at least 8");
    std::uint8_t b[kLongestRecord / 2];
    const std::size_t pairs = (n - 2) / 2;
    Decode(l.data() + 2, pairs, b);
    const unsigned count = b[0];
    if (pairs - 1 != count)
      return Refuse(LoadFault::bad_length, "the record holds " + std::to_string(pairs - 1) +
                                               " bytes after its count, the count says " + std::to_string(count));
    unsigned sum = 0;
    for (std::size_t k = 0; k + 1 < pairs; ++k) sum += b[k];
    if (((sum + b[pairs - 1]) & 0xFF) != 0xFF) ChecksumWarning(b[pairs - 1], ~sum & 0xFF);
    switch (l[1]) {
      case '0': code_ = std::max(code_, 4); break;
      case '1':
        code_ = std::max(code_, 4);
        ++dataRecords_;
        break;
      case '2':
        code_ = std::max(code_, 5);
        ++dataRecords_;
        break;
      case '3':
        code_ = 6;
        ++dataRecords_;
        break;
      case '5':
      case '6': {
        // Count records: the number of data records so far. A wrong count is
        // worth a warning, not a refusal: every data record is still there.
        const std::size_t width = l[1] == '5' ? 2 : 3;
        if (count < width + 1)
          return Refuse(LoadFault::bad_length,
                        "an S" + std::string(1, l[1]) + " record holds a " + std::to_string(8 * width) + "-bit count");
        std::uint64_t said = Number(l.data() + 4, 2 * width);
        if (said != (dataRecords_ & ((std::uint64_t(1) << (8 * width)) - 1)))
          Warn("the count record says " + std::to_string(said) + " data records, " + std::to_string(dataRecords_) +
               " came before it");
        code_ = std::max(code_, 4);
        break;
      }
      case '7': code_ = 6; break;
      case '8': code_ = std::max(code_, 5); break;
      case '9':
        code_ = std::max(code_, 4);
        detecting_ = false;
        break;
      default:
        return Refuse(LoadFault::unknown_record, "'S" + std::string(1, l[1]) + "' is no S-record type Velmar reads");
    }
    return true;
  }

  // Reads S1 to S4 records (S4 as S1) and skips the rest; after the S9 record
  // lines are no longer checked, so this takes any line and skips what does
  // not fit.
  bool ReadSRecord(std::string_view l) {
    const std::size_t n = l.size();
    if (n < 4 || (l[0] != 'S' && l[0] != 's') || n % 2 != 0 || !AllHex(l, 2)) return true;
    std::size_t addressBytes;
    switch (l[1]) {
      case '1':
      case '4': addressBytes = 2; break;
      case '2': addressBytes = 3; break;
      case '3': addressBytes = 4; break;
      default: return true;  // S0, S5 to S9
    }
    const std::size_t count = Pair(l.data() + 2);
    const std::size_t first = 4 + 2 * addressBytes;
    if (n < first) return true;
    const std::uint64_t address = Number(l.data() + 4, 2 * addressBytes);
    std::size_t dataBytes = count > addressBytes ? count - addressBytes - 1 : 0;
    dataBytes = std::min(dataBytes, (n - first) / 2);
    std::uint8_t b[kLongestRecord / 2];
    if (dataBytes > sizeof b) dataBytes = sizeof b;  // a long line after the end: count caps it anyway
    Decode(l.data() + first, dataBytes, b);
    return Write(address, b, dataBytes);
  }

  // ---- Tektronix extended ----

  bool TekExtended(std::string_view l) {
    Started();
    const std::size_t n = l.size();
    if (l[0] != '%') return Refuse(LoadFault::bad_character, "a Tektronix extended record starts with '%'");
    if (n < 6) return Refuse(LoadFault::bad_length, "a Tektronix extended record has at least 6 characters");
    const char type = l[3];
    if (type == '3') return true;  // symbols
    if (type != '6' && type != '8')
      return Refuse(LoadFault::unknown_record, "record type '" + Shown(type) + "' is not Tektronix extended");
    if (std::size_t at = FirstNonHex(l, 1); at != std::string_view::npos) return BadCharacter(l, at);
    if (Pair(l.data() + 1) != n - 1)
      return Refuse(LoadFault::bad_length, "the record has " + std::to_string(n - 1) +
                                               " characters after '%', its length says " +
                                               std::to_string(Pair(l.data() + 1)));
    code_ = fmt_tek_extended;
    if (type == '8') {
      detecting_ = reading_ = false;
      return false;
    }
    if (!reading_ || n < 7) return true;
    const std::size_t digits = Digit(l[6]);
    std::size_t at = 7;
    if (n < at + digits) return true;
    const std::uint64_t address = digits > 0 ? Number(l.data() + at, std::min<std::size_t>(digits, 15)) : 0;
    at += digits;
    std::uint8_t b[kLongestRecord / 2];
    const std::size_t bytes = (n - at) / 2;
    Decode(l.data() + at, bytes, b);
    return Write(address, b, bytes);
  }

  // ---- Tektronix ----

  bool Tektronix(std::string_view l) {
    Started();
    const std::size_t n = l.size();
    if (l[0] != '/') return Refuse(LoadFault::bad_character, "a Tektronix record starts with '/'");
    if (n > kLongestRecord) return Refuse(LoadFault::bad_length, "the line is longer than any Tektronix record");
    if (std::size_t at = FirstNonHex(l, 1); at != std::string_view::npos) return BadCharacter(l, at);
    if (n < 9 || (n - 1) % 2 != 0)
      return Refuse(LoadFault::bad_length, "a Tektronix record has an even number of digits, at least 8");
    unsigned sum = 0;
    for (std::size_t i = 1; i < 7; ++i) sum += Digit(l[i]);
    if (Pair(l.data() + 7) != (sum & 0xFF))
      return Refuse(LoadFault::bad_checksum,
                    "bad header checksum " + Hex(Pair(l.data() + 7), 2) + " (expected " + Hex(sum & 0xFF, 2) + ")");
    const std::size_t count = Pair(l.data() + 5);
    if (count == 0 && n == 9) {
      code_ = fmt_tektronix;
      detecting_ = reading_ = false;
      return false;
    }
    if ((n - 1) / 2 != count + 5)
      return Refuse(LoadFault::bad_length, "the record holds " + std::to_string((n - 1) / 2 - 5) +
                                               " data bytes, its count says " + std::to_string(count));
    code_ = fmt_tektronix;
    if (!reading_) return true;
    if (count == 0) {  // a count of 0 ends the reading, not the checking
      reading_ = false;
      return true;
    }
    std::uint8_t b[kLongestRecord / 2];
    Decode(l.data() + 9, count, b);
    return Write(Number(l.data() + 1, 4), b, count);
  }

  // ---- dumps ----

  bool Dump(std::string_view l) {
    Started();
    const std::size_t n = l.size();
    std::size_t colon;
    if (n == 11)
      colon = 6;
    else if (n == 7)
      colon = 4;
    else
      return Refuse(LoadFault::bad_length, "a dump line has 7 or 11 characters");
    if (l[colon] != ':')
      return Refuse(LoadFault::bad_character, "column " + std::to_string(colon + 1) + ": ':' expected");
    if (dumpWidth_ != 0 && dumpWidth_ != n)
      return Refuse(LoadFault::bad_length, "a " + std::to_string(n) + "-character line among " +
                                               std::to_string(dumpWidth_) + "-character ones");
    dumpWidth_ = n;
    for (std::size_t i = 0; i < n; ++i)
      if (i != colon && !IsHex(l[i])) return BadCharacter(l, i);
    if (!reading_) return true;
    if (n == 11) {
      const std::uint8_t word[2] = {std::uint8_t(Pair(l.data() + 9)), std::uint8_t(Pair(l.data() + 7))};
      return Write(Number(l.data(), 6) * 2, word, 2);
    }
    const std::uint8_t byte = std::uint8_t(Pair(l.data() + 5));
    return Write(Number(l.data(), 4), &byte, 1);
  }

  static constexpr std::size_t kMostWarnings = 10;

  THexList& image_;
  LoadResult& r_;
  const std::uint64_t largest_;
  const Keep keep_;
  Family family_ = Family::none;
  bool detecting_ = true, reading_ = true, refused_ = false, checksumWarned_ = false;
  int code_ = 0;
  std::size_t number_ = 0, firstLine_ = 0, dumpWidth_ = 0;
  std::uint64_t upper_ = 0, segment_ = 0, dataRecords_ = 0;
};

// ---- lines -----------------------------------------------------------------

// Splits text into lines ending at CR, LF or CR LF and hands the non-blank
// ones to the reader, numbering every line from 1.
class LineFeeder {
 public:
  explicit LineFeeder(Reader& reader) : reader_(reader) {}

  // Takes the text from `p` to `end`. Unless `last`, an unfinished final
  // line is left: the return value is where it starts. Returns nullptr when
  // the reader needs nothing more.
  const char* Feed(const char* p, const char* end, bool last) {
    if (skipLf_ && p < end) {
      skipLf_ = false;
      if (*p == '\n') ++p;
    }
    if (dropping_) {  // the rest of a line already handed over in part
      while (p < end && *p != '\n' && *p != '\r') ++p;
      if (p == end) return p;
      dropping_ = false;
      p = EndOfLine(p, end);
    }
    const char* lf = nullptr;
    bool lfKnown = false;
    while (p < end) {
      if (!lfKnown || (lf && lf < p)) {
        lf = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)));
        lfKnown = true;
      }
      const char* stop = lf ? lf : end;
      const char* cr = static_cast<const char*>(std::memchr(p, '\r', std::size_t(stop - p)));
      const char* e = cr ? cr : lf;
      if (!e) {
        if (!last) return p;
        anyLine_ = true;
        ++number_;
        if (!reader_.Line(std::string_view(p, std::size_t(end - p)), number_)) return nullptr;
        return end;
      }
      anyLine_ = true;
      ++number_;
      if (e > p && !reader_.Line(std::string_view(p, std::size_t(e - p)), number_)) return nullptr;
      p = EndOfLine(e, end);
    }
    return p;
  }

  // Hands over the start of a line too long to keep whole; the rest of it
  // is dropped. False when the reader needs nothing more.
  bool FeedPart(const char* p, const char* end) {
    anyLine_ = true;
    ++number_;
    dropping_ = true;
    return reader_.Line(std::string_view(p, std::size_t(end - p)), number_);
  }

  bool AnyLine() const { return anyLine_; }

 private:
  // Past the line end at `e` (CR, LF or CR LF).
  const char* EndOfLine(const char* e, const char* end) {
    const char* p = e + 1;
    if (*e == '\r') {
      if (p < end) {
        if (*p == '\n') ++p;
      } else {
        skipLf_ = true;
      }
    }
    return p;
  }

  Reader& reader_;
  std::size_t number_ = 0;
  bool anyLine_ = false, skipLf_ = false, dropping_ = false;
};

LoadResult LoadBuffer(std::string_view text, THexList& image) {
  image.Clear();
  LoadResult r;
  Reader reader(image, r, image.Count());
  LineFeeder feeder(reader);
  feeder.Feed(text.data(), text.data() + text.size(), true);
  reader.Finish(feeder.AnyLine());
  return r;
}

std::string Reason(int err) { return std::strerror(err); }

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads the file in chunks through the line feeder. While lines are still
// checked, a line longer than a chunk (and so than any record) is handed
// over in part, which the reader refuses or, for a symbol record, skips;
// after an S9 record the S-record reader takes any line, so the buffer grows
// to hold it. A file known to be smaller than a chunk gets a buffer of its
// size and one byte more (most hex files are a few KiB), which grows to a
// whole chunk before a line is ever handed over in part.
LoadResult LoadStream(const std::string& fileName, int fd, std::uint64_t fileSize, THexList& image,
                      std::uint64_t largest, Keep keep) {
  constexpr std::size_t kChunk = 256 * 1024;
  image.Clear();
  LoadResult r;
  Reader reader(image, r, largest, keep);
  LineFeeder feeder(reader);
  std::string buffer(fileSize < kChunk ? std::size_t(fileSize) + 1 : kChunk, '\0');
  std::size_t kept = 0;  // bytes of an unfinished line at the start of the buffer
  for (;;) {
    if (kept == buffer.size() && kept < kChunk) {
      buffer.resize(kChunk);  // the file grew while it was read
    } else if (kept == buffer.size()) {
      if (reader.Detecting()) {
        if (!feeder.FeedPart(buffer.data(), buffer.data() + kept)) break;
        kept = 0;
      } else {
        buffer.resize(buffer.size() * 2);
      }
    }
    ssize_t got = ::read(fd, buffer.data() + kept, buffer.size() - kept);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw EFileOpenError("Cannot read " + fileName + ": " + Reason(errno));
    }
    const bool last = got == 0;
    const char* begin = buffer.data();
    const char* end = begin + kept + std::size_t(got);
    const char* rest = feeder.Feed(begin, end, last);
    if (!rest || last) break;
    kept = std::size_t(end - rest);
    if (kept > 0 && rest != begin) std::memmove(buffer.data(), rest, kept);
  }
  reader.Finish(feeder.AnyLine());
  return r;
}

}  // namespace

const char* LoadFaultName(LoadFault fault) {
  switch (fault) {
    case LoadFault::none: return "no fault";
    case LoadFault::bad_character: return "bad character";
    case LoadFault::bad_length: return "bad length";
    case LoadFault::bad_checksum: return "bad checksum";
    case LoadFault::unknown_record: return "unknown record type";
    case LoadFault::beyond_image: return "address beyond the image";
    case LoadFault::no_data: return "no data";
  }
  return "unknown fault";
}

namespace {

LoadResult OpenAndLoad(const std::string& fileName, THexList& image, std::uint64_t largest, Keep keep = Keep::data) {
  image.SetName(fileName);
  int fd = platform::OpenForReading(fileName);
  if (fd < 0) {
    const int err = errno;
    // Windows refuses to open a folder with "Permission denied"; say what it is.
    std::error_code ec;
    if (std::filesystem::is_directory(platform::PathOf(fileName), ec))
      throw EFileOpenError("Cannot open " + fileName + ": it is a folder");
    throw EFileOpenError("Cannot open " + fileName + ": " + Reason(err));
  }
  Fd file(fd);
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
    throw EFileOpenError("Cannot open " + fileName + ": it is a folder");
  // A device (an endless /dev/zero, a terminal) is no hex file; a pipe is read.
  if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode))
    throw EFileOpenError("Cannot open " + fileName + ": it is not a regular file");
  const std::uint64_t size = S_ISREG(st.st_mode) && st.st_size >= 0 ? std::uint64_t(st.st_size) : UINT64_MAX;
  return LoadStream(fileName, fd, size, image, largest, keep);
}

}  // namespace

LoadResult TFileLoader::LoadFile(const std::string& fileName, THexList& image) {
  return OpenAndLoad(fileName, image, image.Count());
}

LoadResult TFileLoader::LoadFileSized(const std::string& fileName, THexList& image, std::uint32_t largest) {
  image.SetSize(0);
  return OpenAndLoad(fileName, image, largest);
}

LoadResult TFileLoader::CheckFile(const std::string& fileName, std::uint32_t largest) {
  THexList nothing;
  return OpenAndLoad(fileName, nothing, largest, Keep::nothing);
}

LoadResult TFileLoader::LoadLines(const std::vector<std::string>& lines, THexList& image) {
  std::string buffer;
  std::size_t total = 0;
  for (const auto& l : lines) total += l.size() + 1;
  buffer.reserve(total);
  for (const auto& l : lines) {
    buffer += l;
    buffer += '\n';
  }
  return LoadText(buffer, image);
}

LoadResult TFileLoader::LoadText(std::string_view text, THexList& image) { return LoadBuffer(text, image); }

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
