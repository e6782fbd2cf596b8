// Hexadecimal-text and bit helpers shared by the file readers, the family
// builders and the command protocol.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmar::image {

// First two characters, upper-cased, as a byte. Throws
// std::invalid_argument when they are not two hex digits; the message names
// `what` (where the text came from, a DEVICES.INI key say) when given.
std::uint8_t HexPairToByte(std::string_view text, std::string_view what = {});
// No validation: '0'..'9' count as digits, anything else as (code - 55).
std::uint8_t HexCharsToByte(char high, char low);
// '0'..'9' -> 0..9, 'A'..'F' -> 10..15, anything else 0 (lower case too).
std::uint8_t HexDigitValue(char c);
// First four characters, upper-cased, read with HexDigitValue, big-endian.
std::uint16_t Hex4ToWord(std::string_view text);
// Left-pads to eight characters with '0', then high word * 65536 + low word.
std::uint32_t Hex6ToAddress(std::string_view text);
std::string PadLeft(std::string_view text, char fill, std::size_t width);

bool BitTest(int n, std::uint8_t value);           // n modulo 32
std::uint8_t BitSet(int n, std::uint8_t value);    // n modulo 32
std::uint8_t BitClear(std::uint8_t value, int n);  // n modulo 8

inline bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

}  // namespace velmar::image
