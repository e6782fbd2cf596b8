// Small text helpers shared by every layer: case conversion, trimming,
// padding and hexadecimal formatting, all working on plain byte strings the
// way the programmer's file formats and dialogs expect (ASCII, no locale).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmar::text {

std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
std::string Trim(std::string_view s);
bool Contains(std::string_view haystack, std::string_view needle);
bool ContainsNoCase(std::string_view haystack, std::string_view needle);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWith(std::string_view s, std::string_view prefix);

// Pads with `fill` on the right up to `width` characters, then cuts to `width`.
std::string FitRight(std::string_view s, std::size_t width, char fill = ' ');

// The longest start of `s` of at most `width` bytes that does not end
// inside a UTF-8 character (a character the cut would split is left out
// whole; bytes that are not UTF-8 are cut where they stand).
std::string_view CutUtf8(std::string_view s, std::size_t width);
// Pads with `fill` on the right until at least `width` long (never cuts).
std::string PadRight(std::string_view s, std::size_t width, char fill = ' ');

// Upper-case hexadecimal with at least `digits` digits, zero padded.
std::string IntToHex(std::uint64_t value, int digits);
// "12 AB 00" style listing of bytes.
std::string HexBytes(const std::uint8_t* data, std::size_t n, char sep = ' ');
std::string ZeroPad(std::uint64_t value, int digits);

// Strict decimal parse of a whole trimmed string into a 64-bit value.
bool ParseInt(std::string_view s, long long& out);

// Splits text into lines ending at CR, LF or CR LF. A final line ending does
// not start another line, so "" has no lines and "\n" has one empty line.
std::vector<std::string> SplitLines(std::string_view text);

// Replaces each "\r" (the line-break marker in the system's messages) by "\n".
std::string DisplayText(std::string_view message);

// Stored text made safe for a terminal: each control character (below 0x20,
// and 0x7F) becomes "\xNN", so bytes read from a programmer cannot move the
// cursor, clear the screen or retitle the window.
std::string EscapeControls(std::string_view stored);

}  // namespace velmar::text
