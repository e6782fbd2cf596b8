// Hex files as lists of text lines, for the builders that split a user's
// file by its records before any of it is loaded: reading a file's lines
// (upper-cased, blank lines left out, ending at CR, LF or CR LF, exactly as
// the loader sees them), saving a list of lines, and the few record tests
// the splitting needs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "image/SaveResult.h"
#include "platform/AtomicFile.h"

namespace velmar::image {

inline constexpr std::string_view kEndRecord = ":00000001FF";

// A file's text, upper-cased, with its non-blank lines as views into it.
// Moving it keeps the views valid; copying it is not allowed.
struct HexText {
  HexText() = default;
  HexText(HexText&&) = default;
  HexText& operator=(HexText&&) = default;
  HexText(const HexText&) = delete;
  HexText& operator=(const HexText&) = delete;

  std::string text;
  std::vector<std::string_view> lines;
};

// The file's non-blank lines, upper-cased, in one buffer. Throws
// EFileOpenError when the file cannot be read.
HexText ReadHexText(const std::string& path);

// The same lines as strings of their own.
std::vector<std::string> ReadHexLines(const std::string& path);

// Writes the lines with CR LF line ends as one of the program's own files in
// its working folder, replacing any old file (or a link at its name)
// atomically.
// A failed result says why when it cannot be written.
SaveResult SaveHexLines(const std::string& path, const std::vector<std::string>& lines,
                        platform::Durability durability = platform::Durability::kept);
SaveResult SaveHexLines(const std::string& path, const std::vector<std::string_view>& lines,
                        platform::Durability durability = platform::Durability::kept);

// The record type pair (characters 8 and 9) of a record line; "" when the
// line is too short to hold one.
std::string_view RecordTypeOf(std::string_view line);
// Extended segment (02) and extended linear (04) address records.
bool IsAddressRecord(std::string_view line);
// A line that is not a data record (type 00): address, start and end records.
bool IsControlRecord(std::string_view line);

}  // namespace velmar::image
