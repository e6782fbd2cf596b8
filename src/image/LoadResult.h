// LoadResult: what loading a hex text file found. The format detected, the
// load's result code, the highest address written and, for a file that was
// refused, the first line that is not a valid record with the reason; also
// the problems that did not stop the load (warnings), such as a record
// checksum that does not add up or an S-record count that does not match.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmar::image {

// Why a line was refused (or, for beyond_image, why loading stopped).
enum class LoadFault {
  none,
  bad_character,   // a character that has no place in the record
  bad_length,      // too short, too long, odd, or not what the count says
  bad_checksum,    // a checksum that the format requires to match
  unknown_record,  // a record type this format does not have
  beyond_image,    // a data byte at an address outside the image
  no_data,         // valid lines, but none that holds data or ends the file
};

// Short words for a fault ("bad checksum", "address beyond the image"...).
const char* LoadFaultName(LoadFault fault);

struct LoadResult {
  int format = 0;                 // a HexFormat code (fmt_unknown when refused)
  int result = 0;                 // 0 loaded, -1 refused or beyond the image, -2 no lines
  std::int64_t lastAddress = -1;  // highest address a data byte was written to, -1 none
  std::size_t line = 0;           // 1-based line of the fault, 0 when there is none
  LoadFault fault = LoadFault::none;
  std::string message;                // the fault in words, starting "line N: ", empty when none
  std::vector<std::string> warnings;  // each "line N: ...", in file order

  // The code stays for the reports that print it; code reads these.
  bool Loaded() const { return result == 0; }
  bool Failed() const { return result == -1; }
  bool Empty() const { return result == -2; }
};

}  // namespace velmar::image
