// The published primitives under the firmware file cipher, taken unchanged
// from Crypto++: the Blowfish block cipher (8-byte blocks read as two
// big-endian 32-bit halves, as in the usual test vectors), the RIPEMD-256
// digest, Base64 without line breaks and upper-case hexadecimal. Byte strings
// are held in std::string, which carries any byte value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace velmar::firmware {

inline constexpr std::size_t kBlockSize = 8;
inline constexpr std::size_t kDigestSize = 32;

using Block = std::array<std::uint8_t, kBlockSize>;
using Digest = std::array<std::uint8_t, kDigestSize>;

// One Blowfish key schedule with its encryption and decryption directions.
class TBlowfish {
 public:
  TBlowfish();
  ~TBlowfish();
  TBlowfish(TBlowfish&&) noexcept;
  TBlowfish& operator=(TBlowfish&&) noexcept;

  // Runs the standard key schedule. Blowfish takes 4 to 56 key bytes; other
  // lengths throw std::invalid_argument.
  void SetKey(const std::uint8_t* key, std::size_t length);
  bool HasKey() const { return keyed_; }

  // One block each way; throw std::logic_error before SetKey.
  Block Encrypt(const Block& in) const;
  Block Decrypt(const Block& in) const;

 private:
  struct Schedules;
  std::unique_ptr<Schedules> schedules_;
  bool keyed_ = false;
};

// RIPEMD-256 of the bytes (the eight state words serialised little-endian).
Digest Ripemd256(std::string_view data);

// Standard-alphabet Base64 with "=" padding and no line breaks.
std::string Base64Text(const std::uint8_t* data, std::size_t length);

// Two upper-case hexadecimal digits per byte, high digit first.
std::string HexText(std::string_view bytes);

// Reads hexadecimal text (either case, two digits per byte) into bytes. Only
// hexadecimal digits are accepted: any other character or an odd digit count
// returns false and leaves `bytes` empty.
bool ParseHexText(std::string_view text, std::string& bytes);

}  // namespace velmar::firmware
