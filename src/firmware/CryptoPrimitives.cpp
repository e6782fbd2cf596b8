// Thin wrappers that hand our byte strings to Crypto++'s Blowfish,
// RIPEMD-256, Base64 and hexadecimal codecs.
#include "firmware/CryptoPrimitives.h"

#include <stdexcept>

#include <cryptopp/base64.h>
#include <cryptopp/blowfish.h>
#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/ripemd.h>

namespace velmar::firmware {

struct TBlowfish::Schedules {
  CryptoPP::Blowfish::Encryption encryption;
  CryptoPP::Blowfish::Decryption decryption;
};

TBlowfish::TBlowfish() : schedules_(std::make_unique<Schedules>()) {}
TBlowfish::~TBlowfish() = default;
TBlowfish::TBlowfish(TBlowfish&&) noexcept = default;
TBlowfish& TBlowfish::operator=(TBlowfish&&) noexcept = default;

void TBlowfish::SetKey(const std::uint8_t* key, std::size_t length) {
  if (length < CryptoPP::Blowfish::MIN_KEYLENGTH || length > CryptoPP::Blowfish::MAX_KEYLENGTH)
    throw std::invalid_argument("Blowfish key of " + std::to_string(length) + " bytes (4 to 56 allowed)");
  schedules_->encryption.SetKey(key, length);
  schedules_->decryption.SetKey(key, length);
  keyed_ = true;
}

Block TBlowfish::Encrypt(const Block& in) const {
  if (!keyed_) throw std::logic_error("Blowfish used before its key was set");
  Block out{};
  schedules_->encryption.ProcessBlock(in.data(), out.data());
  return out;
}

Block TBlowfish::Decrypt(const Block& in) const {
  if (!keyed_) throw std::logic_error("Blowfish used before its key was set");
  Block out{};
  schedules_->decryption.ProcessBlock(in.data(), out.data());
  return out;
}

Digest Ripemd256(std::string_view data) {
  Digest digest{};
  CryptoPP::RIPEMD256 hash;
  hash.CalculateDigest(digest.data(), reinterpret_cast<const CryptoPP::byte*>(data.data()), data.size());
  return digest;
}

std::string Base64Text(const std::uint8_t* data, std::size_t length) {
  std::string text;
  CryptoPP::StringSource source(data, length, true,
                                new CryptoPP::Base64Encoder(new CryptoPP::StringSink(text),
                                                            /*insertLineBreaks=*/false));
  return text;
}

std::string HexText(std::string_view bytes) {
  std::string text;
  CryptoPP::StringSource source(reinterpret_cast<const CryptoPP::byte*>(bytes.data()), bytes.size(), true,
                                new CryptoPP::HexEncoder(new CryptoPP::StringSink(text), /*uppercase=*/true));
  return text;
}

bool ParseHexText(std::string_view text, std::string& bytes) {
  bytes.clear();
  // Crypto++'s decoder skips characters it does not know; we refuse them.
  if (text.size() % 2 != 0) return false;
  for (char c : text) {
    bool digit = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    if (!digit) return false;
  }
  CryptoPP::StringSource source(reinterpret_cast<const CryptoPP::byte*>(text.data()), text.size(), true,
                                new CryptoPP::HexDecoder(new CryptoPP::StringSink(bytes)));
  return true;
}

}  // namespace velmar::firmware
