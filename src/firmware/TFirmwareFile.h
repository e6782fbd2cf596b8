// TFirmwareFile: one firmware file (.upd) read, checked and deciphered. The
// file is text: line 1 is the check line (Base64 RIPEMD-256 of the other
// lines, each followed by CR LF, as they stand in the file), every other line
// is the hexadecimal text of one enciphered line. Deciphered, line 2 is the
// firmware version (two upper-case hex digits) and the rest are the Intel HEX
// records of the controller's flash. Pack is the matching encoder.
//
// Failures: a file that cannot be read raises image::EFileOpenError (the
// update reports NotFoundMessage); a file that fails its check or does not
// decipher raises EFirmwareCorrupted (the update reports CorruptedMessage).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/TFirmwareCipher.h"
#include "image/THexList.h"
#include "platform/Errors.h"

namespace velmar::firmware {

// A firmware file whose check line does not match, whose lines are not
// hexadecimal text, or that holds no version line. The text says which.
class EFirmwareCorrupted : public platform::EVelmarError {
 public:
  using EVelmarError::EVelmarError;
};

// The update's messages for the two failures ("\r" breaks the line).
std::string NotFoundMessage(const std::string& file);
std::string CorruptedMessage(const std::string& file);

class TFirmwareFile {
 public:
  // Larger files are refused unread: the biggest controller holds 128 KiB,
  // whose records take well under a megabyte.
  static constexpr std::uintmax_t kMaxFileSize = 16u << 20;
  // Flash of the larger of the two programmer controllers (ATmega128).
  static constexpr std::uint32_t kLargestFlash = 0x20000;

  // Reads the file's lines (CR, LF or CR LF end a line). Throws
  // image::EFileOpenError when it cannot be read, EFirmwareCorrupted when it
  // is larger than kMaxFileSize.
  static std::vector<std::string> ReadLines(const std::string& path);

  // Checks and deciphers the lines of a file with a keyed cipher: takes the
  // check line out, compares it with the digest of the remaining lines, then
  // deciphers every remaining line and takes the first out as the version.
  // Throws EFirmwareCorrupted; nothing is deciphered when the check fails.
  static TFirmwareFile Decode(std::vector<std::string> lines, TFirmwareCipher& cipher);

  // ReadLines, a cipher keyed with the firmware pass phrase, and Decode.
  static TFirmwareFile Load(const std::string& path);

  // The text of a firmware file holding `version` and `records`, CR LF after
  // every line. Throws std::invalid_argument unless IsVersionText(version).
  static std::string Pack(std::string_view version, const std::vector<std::string>& records);

  // Two upper-case hexadecimal digits, the form of every version line.
  static bool IsVersionText(std::string_view text);
  static std::string VersionText(std::uint8_t version);

  const std::string& Version() const { return version_; }
  const std::vector<std::string>& Records() const { return records_; }

  // Loads the records into `image` (whose size is the controller's flash)
  // with the hex loader. Returns false, with the reason in `why`, when they
  // are not Intel HEX records, put a byte beyond the image (what was loaded
  // before such a byte stays in the image), or leave every byte 0xFF.
  bool LoadInto(image::THexList& image, std::string* why = nullptr) const;

 private:
  std::string version_;
  std::vector<std::string> records_;
};

}  // namespace velmar::firmware
