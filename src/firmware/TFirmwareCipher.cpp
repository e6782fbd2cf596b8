// Key set-up, the per-line chaining mode with its tail rule, and the check
// line digest of firmware files.
#include "firmware/TFirmwareCipher.h"

#include <algorithm>

namespace velmar::firmware {

namespace {

Block LoadBlock(const char* p) {
  Block b{};
  std::copy_n(reinterpret_cast<const std::uint8_t*>(p), kBlockSize, b.begin());
  return b;
}

Block Xor(const Block& a, const Block& b) {
  Block r{};
  for (std::size_t i = 0; i < kBlockSize; ++i) r[i] = std::uint8_t(a[i] ^ b[i]);
  return r;
}

void Append(std::string& out, const Block& b) { out.append(reinterpret_cast<const char*>(b.data()), b.size()); }

}  // namespace

void TFirmwareCipher::SetKey(std::string_view passPhrase) {
  Digest key = Ripemd256(passPhrase);
  // The whole digest is the key: 32 bytes, below Blowfish's 56-byte limit.
  blowfish_.SetKey(key.data(), key.size());
  std::fill(key.begin(), key.end(), std::uint8_t(0));
  Block ones;
  ones.fill(0xFF);
  initialValue_ = blowfish_.Encrypt(ones);
  feedback_ = initialValue_;
  buffer_.fill(0);
  mode_ = cmCTS;
}

std::string TFirmwareCipher::DigestText(std::string_view text) {
  Digest d = Ripemd256(text);
  return Base64Text(d.data(), d.size());
}

void TFirmwareCipher::MixTail(const char* in, std::size_t r, std::string& out) {
  buffer_ = blowfish_.Encrypt(feedback_);
  for (std::size_t i = 0; i < r; ++i) out.push_back(char(std::uint8_t(in[i]) ^ buffer_[i]));
}

std::string TFirmwareCipher::Decipher(std::string_view c) {
  feedback_ = initialValue_;
  std::string plain;
  plain.reserve(c.size());
  std::size_t whole = c.size() / kBlockSize * kBlockSize;
  for (std::size_t i = 0; i < whole; i += kBlockSize) {
    Block ci = LoadBlock(c.data() + i);
    Append(plain, Xor(blowfish_.Decrypt(ci), feedback_));
    feedback_ = Xor(ci, feedback_);
  }
  if (whole < c.size()) MixTail(c.data() + whole, c.size() - whole, plain);
  return plain;
}

std::string TFirmwareCipher::Encipher(std::string_view p) {
  feedback_ = initialValue_;
  std::string cipher;
  cipher.reserve(p.size());
  std::size_t whole = p.size() / kBlockSize * kBlockSize;
  for (std::size_t i = 0; i < whole; i += kBlockSize) {
    Block ci = blowfish_.Encrypt(Xor(LoadBlock(p.data() + i), feedback_));
    Append(cipher, ci);
    feedback_ = Xor(ci, feedback_);
  }
  if (whole < p.size()) MixTail(p.data() + whole, p.size() - whole, cipher);
  return cipher;
}

bool TFirmwareCipher::DecipherLine(std::string_view hexText, std::string& plain) {
  std::string bytes;
  if (!ParseHexText(hexText, bytes)) {
    plain.clear();
    return false;
  }
  plain = Decipher(bytes);
  return true;
}

std::string TFirmwareCipher::EncipherLine(std::string_view plain) { return HexText(Encipher(plain)); }

}  // namespace velmar::firmware
