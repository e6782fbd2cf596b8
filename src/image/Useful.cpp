// Hexadecimal-text and bit helpers.
#include "image/Useful.h"

#include <stdexcept>

namespace velmar::image {

namespace {
char Up(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
}  // namespace

std::uint8_t HexPairToByte(std::string_view text, std::string_view what) {
  if (text.size() < 2 || !IsHexDigit(text[0]) || !IsHexDigit(text[1]))
    throw std::invalid_argument("'" + std::string(text.substr(0, 2)) + "' is not a valid hexadecimal byte" +
                                (what.empty() ? std::string() : " in " + std::string(what)));
  return std::uint8_t(HexDigitValue(Up(text[0])) * 16 + HexDigitValue(Up(text[1])));
}

std::uint8_t HexCharsToByte(char high, char low) {
  auto v = [](char c) { return (c >= '0' && c <= '9') ? c - '0' : c - 55; };
  return std::uint8_t(v(high) * 16 + v(low));
}

std::uint8_t HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return std::uint8_t(c - '0');
  if (c >= 'A' && c <= 'F') return std::uint8_t(c - 'A' + 10);
  return 0;
}

std::uint16_t Hex4ToWord(std::string_view text) {
  std::uint16_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    char c = i < text.size() ? Up(text[i]) : '0';
    v = std::uint16_t(v * 16 + HexDigitValue(c));
  }
  return v;
}

std::string PadLeft(std::string_view text, char fill, std::size_t width) {
  std::string r(text);
  if (r.size() < width) r.insert(0, width - r.size(), fill);
  return r;
}

std::uint32_t Hex6ToAddress(std::string_view text) {
  std::string padded = PadLeft(text, '0', 8);
  return std::uint32_t(Hex4ToWord(std::string_view(padded).substr(0, 4))) * 65536u +
         Hex4ToWord(std::string_view(padded).substr(4, 4));
}

bool BitTest(int n, std::uint8_t value) {
  unsigned s = unsigned(n) % 32;
  return s < 8 && ((value >> s) & 1u);
}

std::uint8_t BitSet(int n, std::uint8_t value) {
  unsigned s = unsigned(n) % 32;
  return s < 8 ? std::uint8_t(value | (1u << s)) : value;
}

std::uint8_t BitClear(std::uint8_t value, int n) { return std::uint8_t(value & ~(1u << (unsigned(n) % 8))); }

}  // namespace velmar::image
