// The memory image: clearing, last-used address and range errors.
#include <gtest/gtest.h>

#include "image/THexList.h"

using velmar::image::EISPException;
using velmar::image::THexList;

namespace {

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EISPException& e) {
    return e.what();
  }
  return "no error";
}

TEST(THexList, EmptyImageHasNoLastUsedAndRejectsEveryAccess) {
  THexList h;
  EXPECT_EQ(h.Count(), 0u);
  EXPECT_EQ(h.LastUsed(), -1);
  EXPECT_EQ(ErrorOf([&] { h.GetValue(0); }), "THexList:GetValue:00000000 out of range");
  EXPECT_EQ(ErrorOf([&] { h.SetValue(0, 1); }), "Set Value of Address: 00000000 out of range");
  EXPECT_EQ(ErrorOf([&] { h.SetStatus(0, 1); }), "Set Status of Address: 00000000 out of range");
}

TEST(THexList, LastUsedIsTheEndOfTheLineOfTheHighestDataByte) {
  THexList h(32);
  h.SetValue(17, 0x00);
  EXPECT_EQ(h.LastUsed(), 31);
  THexList g(32);
  g.SetValue(0, 0x00);
  EXPECT_EQ(g.LastUsed(), 15);
  // A size that is no multiple of 16 can report an address beyond the image.
  THexList odd(20);
  odd.SetValue(19, 0x12);
  EXPECT_EQ(odd.LastUsed(), 31);
}

TEST(THexList, LastUsedFindsADataByteAtEveryPlaceOfAWordAndBeyondTheLastWholeWord) {
  // Sizes around the eight-byte steps the search takes, the byte at each
  // place near the ends and the step boundaries, and a second byte below.
  for (std::uint32_t size : {1u, 7u, 8u, 9u, 15u, 16u, 17u, 23u, 24u, 40u}) {
    EXPECT_EQ(THexList(size).LastUsed(), -1) << size;
    for (std::uint32_t at : {0u, 1u, 6u, 7u, 8u, 9u, 15u, 16u, 17u, 22u, 23u, 31u, 38u, 39u}) {
      if (at >= size) continue;
      THexList h(size);
      h.SetValue(at, 0xFE);
      if (at > 0) h.SetValue(0, 0x00);
      EXPECT_EQ(h.LastUsed(), std::int64_t(at | 0x0F)) << "size " << size << ", byte at " << at;
    }
  }
}

TEST(THexList, RangeErrorsNameTheAddressAndLeaveTheImageUnchanged) {
  THexList h(32);
  h.SetValue(31, 0x55);
  EXPECT_EQ(ErrorOf([&] { h.GetValue(32); }), "THexList:GetValue:00000020 out of range");
  EXPECT_EQ(ErrorOf([&] { h.SetValue(0xFFFFFFFF, 1); }), "Set Value of Address: FFFFFFFF out of range");
  EXPECT_EQ(h.GetValue(31), 0x55);
  EXPECT_EQ(h.Count(), 32u);
}

TEST(THexList, SetSizeDiscardsOldContentsAndStatus) {
  THexList h(16);
  h.SetValue(3, 0x00);
  h.SetStatus(3, 0x08);
  h.SetName("a.hex");
  h.SetSize(64);
  for (std::uint32_t a = 0; a < 64; ++a) {
    EXPECT_EQ(h.GetValue(a), 0xFF);
    EXPECT_EQ(h.GetStatus(a), 0x01);
  }
  EXPECT_EQ(h.Name(), "a.hex");
  h.SetValue(5, 1);
  h.Clear();
  EXPECT_EQ(h.LastUsed(), -1);
}

TEST(THexList, DataAtGivesDirectAccessWithinTheImage) {
  THexList h(16);
  h.DataAt(4)[0] = 0x42;
  EXPECT_EQ(h.GetValue(4), 0x42);
  EXPECT_NO_THROW(h.DataAt(16));  // one past the end is a valid empty range
  EXPECT_THROW(h.DataAt(17), EISPException);
}

}  // namespace
