// The slot header layout helpers and the slot catalogue's search.
#include <gtest/gtest.h>

#include "slot/SlotHeader.h"
#include "slot/TProgramEntry.h"

namespace velmar::slot {
namespace {

using namespace slot_header;

TEST(SlotHeader, FieldsAreLittleEndianAndTheProductionCountBigEndian) {
  HeaderBytes h;
  h.fill(0xFF);
  PutField(h.data(), CodeLength, 0x012345);
  EXPECT_EQ(h[38], 0x45);
  EXPECT_EQ(h[40], 0x01);
  EXPECT_EQ(h[41], 0xFF);  // the next field is untouched
  EXPECT_EQ(GetField(h.data(), CodeLength), 0x012345u);
  PutProductionCount(h.data(), 0x1234);
  EXPECT_EQ(h[158], 0x12);
  EXPECT_EQ(GetProductionCount(h.data()), 0x1234);
  PutText(h.data(), DeviceName, "PIC18F4520 with a long name");
  EXPECT_EQ(GetText(h.data(), DeviceName), "PIC18F4520 with");
  EXPECT_EQ(MakeSlotName(7, "Blink"), "007 Blink" + std::string(23, ' '));
}

// Texts are cut at a character's start, never inside a UTF-8 character.
TEST(SlotHeader, TextsAreCutBetweenCharacters) {
  std::string euros, emoji;
  for (int i = 0; i < 12; ++i) euros += "\u20AC", emoji += "\U0001F600";  // 3 and 4 bytes each
  EXPECT_EQ(MakeSlotName(1, euros), "001 " + euros.substr(0, 27) + " ");
  EXPECT_EQ(MakeSlotName(1, "a" + emoji), "001 a" + emoji.substr(0, 24) + "   ");
  HeaderBytes h{};
  PutText(h.data(), DeviceName, "PIC18F4520" + euros);
  EXPECT_EQ(GetText(h.data(), DeviceName), "PIC18F4520" + euros.substr(0, 3) + "  ");
}

TEST(SlotHeader, TheChecksumCoversBytes0To156Only) {
  HeaderBytes h = EmptyHeader(1032, 1032);
  SealHeader(h.data());
  int sum = 0;
  for (int i = 0; i <= 157; ++i) sum += h[std::size_t(i)];
  EXPECT_EQ(sum % 256, 0);
  EXPECT_TRUE(HeaderChecksumOk(h.data()));
  h[158] ^= 0xFF;  // the production count is outside it
  EXPECT_TRUE(HeaderChecksumOk(h.data()));
  h[100] ^= 0x01;
  EXPECT_FALSE(HeaderChecksumOk(h.data()));
}

TEST(SlotHeader, AnEmptyHeaderKeepsLinkAndPageCount) {
  HeaderBytes h = EmptyHeader(0x0408, 0x0408);
  EXPECT_EQ(GetField(h.data(), NextHeaderPage), 0x0408u);
  EXPECT_EQ(h[2], 0x00);
  EXPECT_EQ(GetField(h.data(), PageCount), 0x0408u);
  EXPECT_EQ(h[5], 0x00);
  EXPECT_EQ(GetText(h.data(), SlotName), "Empty" + std::string(27, ' '));
  for (std::size_t i = 38; i < kSize; ++i) ASSERT_EQ(h[i], 0xFF) << i;
}

std::unique_ptr<TProgramEntry> Entry(const std::string& slot, const std::string& file) {
  return std::make_unique<TProgramEntry>(0, 0, 0, slot, file, "", HeaderBytes{});
}

TEST(TProgramEntryList, FindSearchesByModeDirectionAndCase) {
  TProgramEntryList list;
  list.Add(Entry("001 Blink", "blink.hex"));
  list.Add(Entry("002 Motor", "motor.hex"));
  list.Add(Entry("003 blink fast", "fast.hex"));
  EXPECT_EQ(list.Find("/home/me/motor.hex", 1, 0, false, true, true), 1);  // folder dropped
  EXPECT_EQ(list.Find("BLINK", 2, 0, true, false, true), 0);
  EXPECT_EQ(list.Find("BLINK", 2, 1, true, false, true), 2);
  EXPECT_EQ(list.Find("BLINK", 2, 1, true, true, true), -1);  // case-sensitive
  EXPECT_EQ(list.Find("blink", 2, 2, true, true, false), 2);
  EXPECT_EQ(list.Find("Blink", 2, 1, true, true, false), 0);      // backwards
  EXPECT_EQ(list.Find("fast.hex", 3, 0, false, true, true), 2);   // file name first
  EXPECT_EQ(list.Find("002 Motor", 3, 0, false, true, true), 1);  // then slot name
  EXPECT_EQ(list.Find("x", 2, 7, true, true, true), -1);
  EXPECT_EQ(list.Find("x", 2, -3, true, true, false), -1);
}

TEST(TProgramEntryList, KeepsItsCountAndBoundsItsIndices) {
  TProgramEntryList list;
  list.Add(Entry("a", ""));
  list.Insert(0, Entry("b", ""));
  EXPECT_EQ(list.EntryCount, 2);
  EXPECT_EQ(list.Get(0).SlotName, "b");
  list.Delete(1);
  EXPECT_EQ(list.EntryCount, 1);
  EXPECT_THROW(list.Get(1), std::out_of_range);
  EXPECT_THROW(list.Delete(-1), std::out_of_range);
  EXPECT_THROW(list.Insert(3, Entry("c", "")), std::out_of_range);
  list.Clear();
  EXPECT_EQ(list.EntryCount, 0);
}

TEST(FilterName, KeepsOnlyThePrintableNameCharacters) {
  EXPECT_EQ(FilterName("A-z.0_9@]{}|"), "A-z.0_9@]{}|");
  EXPECT_EQ(FilterName(std::string("a b\x7F~^\xFF!") + '\0'), "a b" + std::string(6, ' '));
}

}  // namespace
}  // namespace velmar::slot
