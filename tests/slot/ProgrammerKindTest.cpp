// The programmer kind numbers that files, the wire, saved states and options
// carry: each of the six kinds round-trips through its number and its name,
// and every other number or name is refused rather than taken as a kind.
#include <gtest/gtest.h>

#include <string>

#include "slot/ProgrammerGeometry.h"

namespace velmar::slot {
namespace {

struct StoredKind {
  int number;
  ProgrammerKind kind;
  const char* name;
};

const StoredKind kStoredKinds[] = {
    {0, kind_single, "single"},     {1, kind_single_old, "single-old"}, {2, kind_8way, "8way"},
    {3, kind_portable, "portable"}, {4, kind_8way_v2, "8way-v2"},       {5, kind_single_v2, "single-v2"},
};

class KindNumbers : public ::testing::TestWithParam<StoredKind> {};

TEST_P(KindNumbers, EveryStoredNumberAndNameComesBackAsTheSameKind) {
  const StoredKind& c = GetParam();
  EXPECT_EQ(KindFromNumber(c.number), c.kind);
  EXPECT_EQ(NumberOf(c.kind), c.number);
  EXPECT_EQ(ParseKind(std::to_string(c.number)), c.kind);
  EXPECT_EQ(ParseKind(c.name), c.kind);
  EXPECT_EQ(KindName(c.kind), c.name);
  ASSERT_NE(FindKind(c.kind), nullptr);
  EXPECT_EQ(FindKind(c.kind)->kind, c.kind);
}

INSTANTIATE_TEST_SUITE_P(SixKinds, KindNumbers, ::testing::ValuesIn(kStoredKinds),
                         [](const ::testing::TestParamInfo<StoredKind>& info) {
                           return "Kind" + std::to_string(info.param.number);
                         });

class UnknownKindNumbers : public ::testing::TestWithParam<int> {};

TEST_P(UnknownKindNumbers, AreRefused) {
  const int n = GetParam();
  EXPECT_EQ(KindFromNumber(n), std::nullopt);
  EXPECT_EQ(ParseKind(std::to_string(n)), std::nullopt);
}

// 255 is the "not identified" value a geometry holds; no file may name it.
INSTANTIATE_TEST_SUITE_P(OutsideTheTable, UnknownKindNumbers, ::testing::Values(-1, 6, 7, 255, 256, 261));

TEST(UnknownKind, HasNoTableRowAndNoName) {
  EXPECT_EQ(FindKind(kind_unknown), nullptr);
  EXPECT_EQ(KindName(kind_unknown), "unknown");
}

// The geometry of each kind, whichever kind the programmer was before (a
// limit left from the second 8-way would let a slot overflow its neighbour).
TEST(ProgrammerGeometry, EachKindHasItsOwnSlotsAndCodeImageLimitWhateverCameBefore) {
  const struct {
    ProgrammerKind kind;
    std::uint32_t slotSize, pageSize, slotCount, codeImageLimit;
  } kinds[] = {
      {kind_single, 270336, 264, 1, 262144},  {kind_single_old, 270336, 264, 1, 262144},
      {kind_8way, 262144, 512, 8, 262144},    {kind_portable, 264192, 256, 31, 262144},
      {kind_8way_v2, 524288, 512, 8, 264192}, {kind_single_v2, 540672, 264, 1, 262144},
  };
  for (const auto& before : kinds) {
    for (const auto& k : kinds) {
      SCOPED_TRACE(KindName(before.kind) + " then " + KindName(k.kind));
      ProgrammerGeometry g;
      g.ApplyKind(before.kind);
      g.ApplyKind(k.kind);
      EXPECT_EQ(g.SlotSize, k.slotSize);
      EXPECT_EQ(g.PageSize, k.pageSize);
      EXPECT_EQ(g.SlotCount, k.slotCount);
      EXPECT_EQ(g.CodeImageLimit, k.codeImageLimit);
      EXPECT_LE(g.CodeImageLimit, g.SlotSize);
    }
  }
}

// The dataflash identity bytes name the kind; the portable's second hardware
// reports its own, and bytes of no kind name none (never the first row).
TEST(KindFromIdentity, EachIdentityNamesItsKindAndNoOtherIsTaken) {
  struct Case {
    std::uint8_t manufacturer, device;
    std::optional<ProgrammerKind> kind;
  };
  const Case cases[] = {
      {0x1F, 0x23, kind_single},    {0xFF, 0xFF, kind_single_old}, {0x1F, 0x26, kind_8way},
      {0x1F, 0x28, kind_portable},  {0x1F, 0x38, kind_portable},   {0x1F, 0x27, kind_8way_v2},
      {0x1F, 0x24, kind_single_v2}, {0x1F, 0x25, std::nullopt},    {0x00, 0x00, std::nullopt},
      {0xFF, 0x23, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(KindFromIdentity(c.manufacturer, c.device), c.kind) << int(c.manufacturer) << "/" << int(c.device);
}

}  // namespace
}  // namespace velmar::slot
