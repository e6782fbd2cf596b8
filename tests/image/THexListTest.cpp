// The memory image: clearing, last-used address, range errors, and pages
// made on first write that behave as one flat block.
#include <gtest/gtest.h>

#include "image/THexList.h"

#include <vector>

using velmar::image::EImageError;
using velmar::image::THexList;

namespace {

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EImageError& e) {
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
  EXPECT_THROW(h.DataAt(17), EImageError);
}

// Writes that start or end on either side of a page (256 bytes) or block
// (64 KiB) boundary read back whole, leave their neighbours blank and move
// the last used address.
TEST(THexList, WritesAcrossPageAndBlockBoundariesReadBackWhole) {
  const struct {
    std::uint32_t at, n;
  } cases[] = {{0, 1}, {250, 12}, {255, 1}, {256, 256}, {0xFFF0, 0x20}, {0xFFFF, 2}, {0x1FF00, 0x300}, {0x2FFFF, 1}};
  for (const auto& c : cases) {
    THexList h(0x30000);
    std::vector<std::uint8_t> bytes(c.n);
    for (std::uint32_t k = 0; k < c.n; ++k) bytes[k] = std::uint8_t(k % 0xFF);
    h.Write(c.at, bytes.data(), c.n);
    std::vector<std::uint8_t> back(c.n + 2, 0);
    const std::uint32_t from = c.at > 0 ? c.at - 1 : 0;
    const std::uint32_t n = std::min<std::uint32_t>(c.n + 2, h.Count() - from);
    h.Read(from, back.data(), n);
    for (std::uint32_t k = 0; k < n; ++k) {
      const std::uint32_t a = from + k;
      const std::uint8_t expected = a >= c.at && a < c.at + c.n ? bytes[a - c.at] : 0xFF;
      EXPECT_EQ(back[k], expected) << "write at " << c.at << ", address " << a;
      EXPECT_EQ(h.GetValue(a), expected) << "write at " << c.at << ", address " << a;
    }
    EXPECT_EQ(h.LastUsed(), std::int64_t((c.at + c.n - 1) | 0x0F)) << c.at;
  }
}

TEST(THexList, AWriteOrReadPastTheEndRaisesAndChangesNothing) {
  THexList h(0x200);
  const std::uint8_t bytes[4] = {1, 2, 3, 4};
  EXPECT_EQ(ErrorOf([&] { h.Write(0x1FE, bytes, 4); }), "Set Value of Address: 00000200 out of range");
  EXPECT_EQ(ErrorOf([&] { h.Write(0x200, bytes, 1); }), "Set Value of Address: 00000200 out of range");
  std::uint8_t out[4];
  EXPECT_EQ(ErrorOf([&] { h.Read(0x1FF, out, 2); }), "THexList:GetValue:00000200 out of range");
  EXPECT_EQ(h.LastUsed(), -1);
}

TEST(THexList, AnImageOfTheLargestSizeHoldsOnlyThePagesWritten) {
  THexList h(0x10000000);  // 256 MiB
  h.SetValue(0x0FFFFFFF, 0x00);
  h.SetValue(0x12345, 0x01);
  std::uint32_t made = 0;
  for (std::uint32_t page = 0; page < h.PageCount(); ++page) made += h.PageData(page) != nullptr;
  EXPECT_EQ(made, 2u);
  EXPECT_EQ(h.LastUsed(), 0x0FFFFFFF);
  EXPECT_EQ(h.GetValue(0x12344), 0xFF);
}

TEST(THexList, ACopyIsIndependentAndAMovedFromImageIsEmpty) {
  THexList a(0x20000);
  a.SetValue(0x10010, 0x42);
  a.SetStatus(0x10010, 0x04);
  THexList b = a;
  b.SetValue(0x10010, 0x43);
  b.SetStatus(0x10010, 0x08);
  EXPECT_EQ(a.GetValue(0x10010), 0x42);
  EXPECT_EQ(a.GetStatus(0x10010), 0x04);
  THexList c = std::move(b);
  EXPECT_EQ(c.GetValue(0x10010), 0x43);
  EXPECT_EQ(b.Count(), 0u);
  EXPECT_EQ(ErrorOf([&] { b.GetValue(0); }), "THexList:GetValue:00000000 out of range");
  a = c;
  EXPECT_EQ(a.GetValue(0x10010), 0x43);
}

// DataAt turns the pages into one block: what was written is in it, later
// writes either way are seen both ways, and a clear or a growth keeps it.
TEST(THexList, DataAtKeepsPagesAndFlatBlockInStep) {
  THexList h(0x300);
  h.SetValue(0x101, 0x11);
  std::uint8_t* flat = h.DataAt(0);
  EXPECT_EQ(flat[0x101], 0x11);
  EXPECT_EQ(flat[0x100], 0xFF);
  flat[0x2FF] = 0x22;
  h.SetValue(0x000, 0x33);
  EXPECT_EQ(h.GetValue(0x2FF), 0x22);
  EXPECT_EQ(flat[0], 0x33);
  EXPECT_EQ(h.LastUsed(), 0x2FF);
  h.Clear();
  EXPECT_EQ(flat[0x2FF], 0xFF);  // the block stays where it was
  h.SetValue(0x2FF, 0x44);
  EXPECT_EQ(flat[0x2FF], 0x44);
  h.Grow(0x20000);
  EXPECT_EQ(h.GetValue(0x2FF), 0x44);
  EXPECT_EQ(h.GetValue(0x1FFFF), 0xFF);
  h.SetValue(0x1FFFF, 0x55);
  EXPECT_EQ(h.DataAt(0)[0x1FFFF], 0x55);
  EXPECT_EQ(h.LastUsed(), 0x1FFFF);
}

// A copy moves bytes page by page, whatever the two images' page
// boundaries: data over data, a blank source page over data as 0xFF, and
// a blank source page over no page leaving none made.
TEST(THexList, CopyFromCarriesDataAndBlanksAcrossPages) {
  THexList from(0x1000);
  from.SetValue(0x0FF, 0x01);
  from.SetValue(0x100, 0x02);
  THexList to(0x20000);
  to.SetValue(0x10000, 0x66);              // under the source's 0x0FF
  to.SetValue(0x10300, 0x77);              // under the source's blank 0x3FF
  to.CopyFrom(from, 0x80, 0xFF81, 0x400);  // source address + 0xFF01
  EXPECT_EQ(to.GetValue(0xFF80), 0xFF);
  EXPECT_EQ(to.GetValue(0x10000), 0x01);
  EXPECT_EQ(to.GetValue(0x10001), 0x02);
  EXPECT_EQ(to.GetValue(0x10300), 0xFF);
  EXPECT_EQ(to.LastUsedByte(), 0x10001);
  std::vector<std::uint32_t> made;
  for (std::uint32_t page = 0; page < to.PageCount(); ++page)
    if (to.PageData(page)) made.push_back(page);
  EXPECT_EQ(made, (std::vector<std::uint32_t>{0xFF, 0x100, 0x101, 0x103}));  // none for 0x102
  EXPECT_EQ(ErrorOf([&] { to.CopyFrom(from, 0xF00, 0, 0x101); }), "THexList:GetValue:00001000 out of range");
  EXPECT_EQ(ErrorOf([&] { to.CopyFrom(from, 0, 0x1FFFF, 2); }), "Set Value of Address: 00020000 out of range");
  EXPECT_EQ(to.GetValue(0), 0xFF);
}

}  // namespace
