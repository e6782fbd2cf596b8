// SHA-256 through Crypto++.
#include "platform/FileDigest.h"

#include <cryptopp/sha.h>

#include <fstream>

#include "platform/Paths.h"

namespace velmar::platform {

namespace {

std::string Hex(const CryptoPP::byte* digest, std::size_t size) {
  static const char* const kDigits = "0123456789abcdef";
  std::string out;
  out.reserve(2 * size);
  for (std::size_t i = 0; i < size; ++i) {
    out += kDigits[digest[i] >> 4];
    out += kDigits[digest[i] & 0x0F];
  }
  return out;
}

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
  CryptoPP::SHA256 hash;
  hash.Update(reinterpret_cast<const CryptoPP::byte*>(bytes.data()), bytes.size());
  CryptoPP::byte digest[CryptoPP::SHA256::DIGESTSIZE];
  hash.Final(digest);
  return Hex(digest, sizeof digest);
}

std::optional<std::string> FileSha256(const std::string& path, std::string* error) {
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in) {
    if (error) *error = "Cannot open " + path;
    return std::nullopt;
  }
  CryptoPP::SHA256 hash;
  char buffer[65536];
  while (in) {
    in.read(buffer, sizeof buffer);
    hash.Update(reinterpret_cast<const CryptoPP::byte*>(buffer), std::size_t(in.gcount()));
  }
  if (in.bad()) {
    if (error) *error = "Cannot read " + path;
    return std::nullopt;
  }
  CryptoPP::byte digest[CryptoPP::SHA256::DIGESTSIZE];
  hash.Final(digest);
  return Hex(digest, sizeof digest);
}

}  // namespace velmar::platform
