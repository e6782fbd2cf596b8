// TFirmwareCipher: the line cipher of firmware files (.upd). The key is the
// RIPEMD-256 digest of a fixed pass phrase used as a 32-byte Blowfish key;
// the initial value is the encryption of eight 0xFF bytes. Every line is
// enciphered on its own, starting again from the initial value, in the
// `cmCTS` chaining mode: whole blocks are chained as
//   P := D(C) xor F,  F := C xor F
// and a tail of r < 8 bytes is mixed with the first r bytes of E(F). Plain
// and enciphered lines are therefore the same length. The file's check line
// is the Base64 text of the RIPEMD-256 digest of the enciphered lines.
#pragma once

#include <string>
#include <string_view>

#include "firmware/CryptoPrimitives.h"

namespace velmar::firmware {

// Modes of the cipher object; firmware files use `cmCTS` only.
enum TCipherMode { cmCTS, cmCBC, cmCFB, cmOFB, cmECB, cmCTSMAC, cmCBCMAC, cmCFBMAC };

// The pass phrase of every firmware file (33 ASCII characters, no terminator).
inline constexpr std::string_view kFirmwarePassPhrase = "Amber kettle under grey skies 7.4";

class TFirmwareCipher {
 public:
  // Derives the Blowfish key and the initial value from the pass phrase; the
  // feedback register then holds the initial value.
  void SetKey(std::string_view passPhrase = kFirmwarePassPhrase);
  bool HasKey() const { return blowfish_.HasKey(); }

  // Base64 text (44 characters) of RIPEMD-256 of `text`. Needs no key.
  static std::string DigestText(std::string_view text);

  // Deciphers one line of hexadecimal text (either case) into its plain
  // bytes. Returns false, with `plain` empty, when the text is not whole
  // bytes of hexadecimal digits. Throws std::logic_error before SetKey.
  bool DecipherLine(std::string_view hexText, std::string& plain);
  // Enciphers plain bytes into one line of upper-case hexadecimal text.
  std::string EncipherLine(std::string_view plain);

  // The same on raw bytes (the feedback register starts from the initial
  // value on every call).
  std::string Decipher(std::string_view cipherBytes);
  std::string Encipher(std::string_view plainBytes);

  const Block& InitialValue() const { return initialValue_; }
  const Block& Feedback() const { return feedback_; }
  TCipherMode Mode() const { return mode_; }

 private:
  // The tail step shared by both directions: out := in xor E(F) for r bytes.
  void MixTail(const char* in, std::size_t r, std::string& out);

  TBlowfish blowfish_;
  Block initialValue_{};
  Block feedback_{};
  Block buffer_{};
  TCipherMode mode_ = cmCTS;
};

}  // namespace velmar::firmware
