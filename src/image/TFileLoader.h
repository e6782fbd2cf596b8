// TFileLoader moves memory images to and from hex text files. Loading detects
// the format by itself among ten (Intel HEX in three flavours, Motorola
// S-records in three, Tektronix extended, Tektronix, and two address-colon
// dumps) and fills an image whose size the caller has set; saving always
// writes Intel HEX. Every intermediate file of the system goes through here.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "image/LoadResult.h"
#include "image/SaveResult.h"
#include "image/THexList.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"

namespace velmar::image {

// A file that cannot be opened or read. Load does not catch it; the calling
// operation reports it.
class EFileOpenError : public platform::EVelmarError {
 public:
  using EVelmarError::EVelmarError;
};

enum HexFormat : int {
  fmt_empty = -2,
  fmt_unknown = 0,
  fmt_intel = 1,
  fmt_intel_segment = 2,
  fmt_intel_linear = 3,
  fmt_s19 = 4,
  fmt_s28 = 5,
  fmt_s37 = 6,
  fmt_tek_extended = 7,
  fmt_tektronix = 8,
  fmt_word_dump = 9,
  fmt_byte_dump = 10,
};

class TFileLoader {
 public:
  // Sets the image's name, clears it (keeping its size) and reads the file
  // into it, detecting the format on the way. The result is -1 for a file
  // in no format it reads or with a byte outside the image (the result
  // names the line and why), -2 for a file with no lines, else 0. Throws
  // EFileOpenError when the file cannot be read.
  static LoadResult LoadFile(const std::string& fileName, THexList& image);
  // The same into an image that starts empty and grows, 64 KiB at a time,
  // as far as the file's addresses need, up to `largest` addresses: the
  // result is that of loading into an image of `largest` addresses, while
  // memory follows the file.
  static LoadResult LoadFileSized(const std::string& fileName, THexList& image, std::uint32_t largest);
  // Reads the file as LoadFileSized does but keeps none of its bytes: the
  // result (format, fault, line, last address) is the same, at the cost of
  // the text alone. For checking a file before it is split up.
  static LoadResult CheckFile(const std::string& fileName, std::uint32_t largest);
  // The same for text or lines already in memory (the firmware update's
  // records).
  static LoadResult LoadText(std::string_view text, THexList& image);
  static LoadResult LoadLines(const std::vector<std::string>& lines, THexList& image);

  // Writes the image as Intel HEX, replacing any old file atomically (and
  // synced to disk unless it is a scratch file). The result is 0 on
  // success, 1 on any error (then its message says what). `origin` says
  // whether the user named the file or it is one of the program's own.
  static SaveResult SaveFile(const std::string& fileName, const THexList& image, int format = 1,
                             platform::Durability durability = platform::Durability::kept,
                             platform::FileOrigin origin = platform::FileOrigin::User);
  // The Intel HEX text that SaveFile writes (CR LF line ends).
  static std::string IntelHexText(const THexList& image);
  // The same text handed to `append` in pieces of at most a few hundred
  // KiB; false as soon as `append` fails.
  static bool WriteIntelHex(const THexList& image, const platform::AppendBytes& append);

  static std::string FormatName(int code);
};

}  // namespace velmar::image
