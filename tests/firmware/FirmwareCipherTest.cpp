// The firmware line cipher worked out step by step with the primitives alone:
// the key is RIPEMD-256 of the pass phrase, the initial value E(FF x 8), whole
// blocks chain as P = D(C) xor F, F = C xor F, and a tail of r bytes is
// C xor the first r bytes of E(F). Every expectation below is computed from
// those rules, not by calling the mode under test.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "firmware/TFirmwareCipher.h"

using namespace velmar::firmware;

namespace {

// An independent Blowfish under the firmware key.
TBlowfish ReferenceBlowfish() {
  Digest key = Ripemd256("Amber kettle under grey skies 7.4");
  TBlowfish bf;
  bf.SetKey(key.data(), key.size());
  return bf;
}

Block At(const std::string& s, std::size_t offset) {
  Block b{};
  for (std::size_t i = 0; i < kBlockSize; ++i) b[i] = std::uint8_t(s[offset + i]);
  return b;
}

Block Xor(const Block& a, const Block& b) {
  Block r{};
  for (std::size_t i = 0; i < kBlockSize; ++i) r[i] = std::uint8_t(a[i] ^ b[i]);
  return r;
}

std::string Str(const Block& b) { return std::string(b.begin(), b.end()); }

std::string Pattern(std::size_t n, unsigned seed) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += char((i * 37 + seed * 11 + 5) & 0xFF);
  return s;
}

class FirmwareCipher : public ::testing::Test {
 protected:
  void SetUp() override {
    cipher.SetKey();
    Block ones;
    ones.fill(0xFF);
    iv = bf.Encrypt(ones);
  }
  TBlowfish bf = ReferenceBlowfish();
  TFirmwareCipher cipher;
  Block iv{};
};

TEST_F(FirmwareCipher, KeySetupGivesTheEncryptedAllOnesBlockAsInitialValue) {
  EXPECT_EQ(kFirmwarePassPhrase.size(), 33u);
  EXPECT_EQ(cipher.InitialValue(), iv);
  EXPECT_EQ(cipher.Feedback(), iv);
  EXPECT_EQ(cipher.Mode(), cmCTS);
  EXPECT_TRUE(cipher.HasKey());
}

TEST_F(FirmwareCipher, AThreeByteLineUsesTheTailRuleAlone) {
  std::string c("\x12\xA5\xFF", 3);
  Block e = bf.Encrypt(iv);
  std::string expected;
  for (int i = 0; i < 3; ++i) expected += char(std::uint8_t(c[i]) ^ e[i]);
  std::string plain;
  ASSERT_TRUE(cipher.DecipherLine("12a5FF", plain));
  EXPECT_EQ(plain, expected);
}

TEST_F(FirmwareCipher, ATwentyOneByteLineChainsTwoBlocksThenMixesTheTail) {
  std::string c = Pattern(21, 1);
  Block c0 = At(c, 0), c1 = At(c, 8);
  Block f = iv;
  std::string expected = Str(Xor(bf.Decrypt(c0), f));
  f = Xor(c0, f);
  expected += Str(Xor(bf.Decrypt(c1), f));
  f = Xor(c1, f);
  Block e = bf.Encrypt(f);
  for (int i = 0; i < 5; ++i) expected += char(std::uint8_t(c[16 + i]) ^ e[i]);

  EXPECT_EQ(cipher.Decipher(c), expected);
  // The feedback register holds what the second block left for the tail.
  EXPECT_EQ(cipher.Feedback(), f);
}

TEST_F(FirmwareCipher, WholeBlocksAloneHaveNoTailStep) {
  std::string c = Pattern(16, 2);
  Block c0 = At(c, 0), c1 = At(c, 8);
  std::string expected = Str(Xor(bf.Decrypt(c0), iv)) + Str(Xor(bf.Decrypt(c1), Xor(c0, iv)));
  EXPECT_EQ(cipher.Decipher(c), expected);
}

TEST_F(FirmwareCipher, EveryLineStartsFromTheInitialValue) {
  std::string line = Pattern(21, 3);
  std::string first = cipher.Decipher(line);
  cipher.Decipher(Pattern(13, 4));  // leaves other feedback behind
  EXPECT_EQ(cipher.Decipher(line), first);
  EXPECT_EQ(cipher.EncipherLine("same"), cipher.EncipherLine("same"));
}

TEST_F(FirmwareCipher, EncoderFollowsItsOwnRulesAndRoundTripsEveryLength) {
  // C_i = E(P_i xor F), F = C_i xor F; tail = P xor first r bytes of E(F).
  std::string p = Pattern(11, 5);
  Block c0 = bf.Encrypt(Xor(At(p, 0), iv));
  Block e = bf.Encrypt(Xor(c0, iv));
  std::string expected = Str(c0);
  for (int i = 0; i < 3; ++i) expected += char(std::uint8_t(p[8 + i]) ^ e[i]);
  EXPECT_EQ(cipher.Encipher(p), expected);

  for (std::size_t n = 0; n <= 40; ++n) {
    std::string plain = Pattern(n, unsigned(n));
    std::string c = cipher.Encipher(plain);
    EXPECT_EQ(c.size(), n);
    EXPECT_EQ(cipher.Decipher(c), plain) << n;
  }
}

TEST_F(FirmwareCipher, LinesAreHexTextOfTheEncipheredBytes) {
  std::string hex = cipher.EncipherLine(":020000040000FA");
  EXPECT_EQ(hex.size(), 30u);
  EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
  std::string plain;
  ASSERT_TRUE(cipher.DecipherLine(hex, plain));
  EXPECT_EQ(plain, ":020000040000FA");
}

TEST_F(FirmwareCipher, AnEmptyLineDeciphersToAnEmptyLine) {
  std::string plain = "stale";
  ASSERT_TRUE(cipher.DecipherLine("", plain));
  EXPECT_EQ(plain, "");
  EXPECT_EQ(cipher.EncipherLine(""), "");
}

TEST_F(FirmwareCipher, NonHexTextIsRefusedNotSkipped) {
  std::string plain = "stale";
  EXPECT_FALSE(cipher.DecipherLine("12 34", plain));
  EXPECT_TRUE(plain.empty());
  EXPECT_FALSE(cipher.DecipherLine("123", plain));
  EXPECT_FALSE(cipher.DecipherLine("12G4", plain));
}

TEST(FirmwareCipherKey, DecipheringBeforeTheKeyIsSetIsAnError) {
  TFirmwareCipher cipher;
  EXPECT_FALSE(cipher.HasKey());
  std::string plain;
  EXPECT_THROW(cipher.DecipherLine("0011223344", plain), std::logic_error);
}

TEST(FirmwareCipherKey, ADifferentPassPhraseGivesADifferentInitialValue) {
  TFirmwareCipher a, b;
  a.SetKey();
  b.SetKey("Amber kettle under grey skies 7.5");
  EXPECT_NE(a.InitialValue(), b.InitialValue());
  EXPECT_NE(a.Encipher("0123456789"), b.Encipher("0123456789"));
}

TEST(FirmwareCipherDigest, IsBase64OfRipemd256) {
  Digest d = Ripemd256("abc");
  EXPECT_EQ(TFirmwareCipher::DigestText("abc"), Base64Text(d.data(), d.size()));
  EXPECT_EQ(TFirmwareCipher::DigestText("abc"), "r71uIoudjLvO9cotA+bboQrAvH3L5GgOHkLS6XVFm2U=");
}

}  // namespace
