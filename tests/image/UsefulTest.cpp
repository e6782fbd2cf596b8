// Hexadecimal-text and bit helpers.
#include <gtest/gtest.h>

#include "image/Useful.h"

using namespace velmar::image;

TEST(Useful, HexAddressesPadToEightDigits) {
  EXPECT_EQ(Hex6ToAddress("1234"), 0x1234u);
  EXPECT_EQ(Hex6ToAddress("0A1B2C"), 0xA1B2Cu);
  EXPECT_EQ(Hex6ToAddress("0a1b2c"), 0xA1B2Cu);  // upper-cased first
  EXPECT_EQ(Hex4ToWord("12ab"), 0x12ABu);
  EXPECT_EQ(PadLeft("123456789", '0', 8), "123456789");
}

TEST(Useful, DigitValueIsStrictWhilePairToByteUpperCases) {
  EXPECT_EQ(HexDigitValue('a'), 0);
  EXPECT_EQ(HexDigitValue('F'), 15);
  EXPECT_EQ(HexDigitValue('G'), 0);
  EXPECT_EQ(HexPairToByte("ab"), 0xAB);
  EXPECT_EQ(HexPairToByte("7Fzz"), 0x7F);
  EXPECT_THROW(HexPairToByte("G1"), std::invalid_argument);
  EXPECT_THROW(HexPairToByte("1"), std::invalid_argument);
  EXPECT_EQ(HexCharsToByte('A', '5'), 0xA5);
}

TEST(Useful, BitHelpersTakeTheirIndexModulo) {
  EXPECT_TRUE(BitTest(2, 0x04));
  EXPECT_TRUE(BitTest(34, 0x04));  // 34 mod 32 = 2
  EXPECT_FALSE(BitTest(10, 0xFF));
  EXPECT_EQ(BitSet(33, 0x00), 0x02);
  EXPECT_EQ(BitClear(0xFF, 9), 0xFD);  // 9 mod 8 = 1
}
