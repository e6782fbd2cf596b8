// The published primitives as our wrappers hand them out: Blowfish against
// Eric Young's vectors (including keys longer than 8 bytes, since firmware
// files use a 32-byte key), RIPEMD-256 against its authors' vectors, Base64
// against RFC 4648, and the strict hexadecimal reader.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "firmware/CryptoPrimitives.h"

using namespace velmar::firmware;

namespace {

std::string Bytes(const std::string& hex) {
  std::string b;
  EXPECT_TRUE(ParseHexText(hex, b)) << hex;
  return b;
}

Block BlockOf(const std::string& hex) {
  std::string b = Bytes(hex);
  Block r{};
  std::copy(b.begin(), b.end(), r.begin());
  return r;
}

std::string HexOf(const Block& b) { return HexText(std::string(b.begin(), b.end())); }

struct BlowfishVector {
  const char* key;
  const char* plain;
  const char* cipher;
};

TEST(Blowfish, MatchesEricYoungVectorsBothWays) {
  const BlowfishVector vectors[] = {
      {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
      {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
      {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
      {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
      {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
      {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
  };
  for (const auto& v : vectors) {
    TBlowfish bf;
    std::string key = Bytes(v.key);
    bf.SetKey(reinterpret_cast<const std::uint8_t*>(key.data()), key.size());
    EXPECT_EQ(HexOf(bf.Encrypt(BlockOf(v.plain))), v.cipher) << v.key;
    EXPECT_EQ(HexOf(bf.Decrypt(BlockOf(v.cipher))), v.plain) << v.key;
  }
}

TEST(Blowfish, LongTextKeysFollowTheStandardSchedule) {
  struct TextKey {
    std::string key;
    const char* plain;
    const char* cipher;
  };
  const TextKey vectors[] = {
      {"abcdefghijklmnopqrstuvwxyz", "424C4F5746495348", "324ED0FEF413A203"},  // "BLOWFISH"
      {"Who is John Galt?", "FEDCBA9876543210", "CC91732B8022F684"},
  };
  for (const auto& v : vectors) {
    TBlowfish bf;
    bf.SetKey(reinterpret_cast<const std::uint8_t*>(v.key.data()), v.key.size());
    EXPECT_EQ(HexOf(bf.Encrypt(BlockOf(v.plain))), v.cipher) << v.key;
  }
}

TEST(Blowfish, RefusesKeysOutsideFourToFiftySixBytesAndUseBeforeKeying) {
  std::uint8_t key[57] = {};
  TBlowfish bf;
  EXPECT_FALSE(bf.HasKey());
  EXPECT_THROW(bf.Encrypt(Block{}), std::logic_error);
  EXPECT_THROW(bf.Decrypt(Block{}), std::logic_error);
  EXPECT_THROW(bf.SetKey(key, 3), std::invalid_argument);
  EXPECT_THROW(bf.SetKey(key, 57), std::invalid_argument);
  EXPECT_NO_THROW(bf.SetKey(key, 56));
  EXPECT_NO_THROW(bf.SetKey(key, 4));
  EXPECT_TRUE(bf.HasKey());
}

// The authors' test vectors: a message and its digest.
using DigestVector = std::pair<std::string, std::string>;
class Ripemd256Vectors : public ::testing::TestWithParam<DigestVector> {};

TEST_P(Ripemd256Vectors, MatchTheDigest) {
  const auto& [text, digest] = GetParam();
  Digest d = Ripemd256(text);
  EXPECT_EQ(HexText(std::string(d.begin(), d.end())), digest) << '"' << text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Ripemd256, Ripemd256Vectors,
    ::testing::Values(
        DigestVector{"", "02BA4C4E5F8ECD1877FC52D64D30E37A2D9774FB1E5D026380AE0168E3C5522D"},
        DigestVector{"a", "F9333E45D857F5D90A91BAB70A1EBA0CFB1BE4B0783C9ACFCD883A9134692925"},
        DigestVector{"abc", "AFBD6E228B9D8CBBCEF5CA2D03E6DBA10AC0BC7DCBE4680E1E42D2E975459B65"},
        DigestVector{"message digest", "87E971759A1CE47A514D5C914C392C9018C7C46BC14465554AFCDF54A5070C0E"},
        DigestVector{"abcdefghijklmnopqrstuvwxyz", "649D3034751EA216776BF9A18ACC81BC7896118A5197968782DD1FD97D8D5133"},
        DigestVector{"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
                     "06FDCC7A409548AAF91368C06A6275B553E3F099BF0EA4EDFD6778DF89A890DD"}));

TEST(Base64, FollowsRfc4648WithoutLineBreaks) {
  auto b64 = [](const std::string& s) { return Base64Text(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()); };
  EXPECT_EQ(b64(""), "");
  EXPECT_EQ(b64("f"), "Zg==");
  EXPECT_EQ(b64("fo"), "Zm8=");
  EXPECT_EQ(b64("foo"), "Zm9v");
  EXPECT_EQ(b64("foobar"), "Zm9vYmFy");
  std::string longText = b64(std::string(120, '\xFB'));
  EXPECT_EQ(longText.size(), 160u);
  EXPECT_EQ(longText.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(longText.substr(0, 4), "+/v7");
}

TEST(Hex, WritesUpperCaseAndReadsEitherCase) {
  EXPECT_EQ(HexText(std::string("\x00\xab\x7f\xff", 4)), "00AB7FFF");
  std::string bytes;
  ASSERT_TRUE(ParseHexText("00aB7ffF", bytes));
  EXPECT_EQ(bytes, std::string("\x00\xab\x7f\xff", 4));
  ASSERT_TRUE(ParseHexText("", bytes));
  EXPECT_TRUE(bytes.empty());
}

TEST(Hex, RefusesAnythingButWholeBytesOfDigits) {
  std::string bytes = "stale";
  for (const char* bad : {"0", "ABC", "0G", "AB CD", "AB\t", "0xAB", "AB-", "\xC3\xA9"}) {
    EXPECT_FALSE(ParseHexText(bad, bytes)) << bad;
    EXPECT_TRUE(bytes.empty()) << bad;
  }
}

}  // namespace
