// Implementation of the shared text helpers.
#include "platform/Text.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace velmar::text {

namespace {
char Up(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
char Low(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
}  // namespace

std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = Up(c);
  return r;
}

std::string LowerCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = Low(c);
  return r;
}

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (IsBlank(s[b]) || s[b] == '\0')) ++b;
  while (e > b && (IsBlank(s[e - 1]) || s[e - 1] == '\0')) --e;
  return std::string(s.substr(b, e - b));
}

bool Contains(std::string_view haystack, std::string_view needle) {
  return haystack.find(needle) != std::string_view::npos;
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
  return UpperCase(haystack).find(UpperCase(needle)) != std::string::npos;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Up(a[i]) != Up(b[i])) return false;
  return true;
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::string_view CutUtf8(std::string_view s, std::size_t width) {
  if (s.size() <= width) return s;
  auto continuation = [&](std::size_t i) { return (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80; };
  if (!continuation(width)) return s.substr(0, width);
  // Back to the lead byte of the character the cut falls in.
  std::size_t lead = width;
  while (lead > 0 && width - lead < 3 && continuation(lead)) --lead;
  const auto first = static_cast<unsigned char>(s[lead]);
  const std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
  return length > width - lead && first >= 0xC0 ? s.substr(0, lead) : s.substr(0, width);
}

std::string FitRight(std::string_view s, std::size_t width, char fill) {
  std::string r(CutUtf8(s, width));
  r.resize(width, fill);
  return r;
}

std::string PadRight(std::string_view s, std::size_t width, char fill) {
  std::string r(s);
  if (r.size() < width) r.resize(width, fill);
  return r;
}

std::string IntToHex(std::uint64_t value, int digits) {
  static const char* kDigits = "0123456789ABCDEF";
  std::string r;
  do {
    r.insert(r.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  while (int(r.size()) < digits) r.insert(r.begin(), '0');
  return r;
}

std::string HexBytes(const std::uint8_t* data, std::size_t n, char sep) {
  std::string r;
  r.reserve(n * 3);
  for (std::size_t i = 0; i < n; ++i) {
    if (i) r.push_back(sep);
    r += IntToHex(data[i], 2);
  }
  return r;
}

std::string ZeroPad(std::uint64_t value, int digits) {
  std::string r = std::to_string(value);
  while (int(r.size()) < digits) r.insert(r.begin(), '0');
  return r;
}

bool ParseInt(std::string_view s, long long& out) {
  std::string t = Trim(s);
  if (t.empty()) return false;
  const char* b = t.data();
  const char* e = t.data() + t.size();
  if (*b == '+') ++b;
  auto [p, ec] = std::from_chars(b, e, out);
  return ec == std::errc() && p == e;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t i = 0, start = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string DisplayText(std::string_view message) {
  std::string r(message);
  std::replace(r.begin(), r.end(), '\r', '\n');
  return r;
}

std::string EscapeControls(std::string_view stored) {
  std::string r;
  r.reserve(stored.size());
  for (char c : stored) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F)
      r += "\\x" + IntToHex(byte, 2);
    else
      r += c;
  }
  return r;
}

}  // namespace velmar::text
