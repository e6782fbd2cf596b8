// The page-by-page comparison behind Verify Unit: differing pages grouped
// under the slot they lie in (the last page of a slot and the first of the
// next are two slots), runs of pages in the text, and images of unequal
// size taken for another geometry rather than compared past the shorter.
#include <gtest/gtest.h>

#include "image/THexList.h"
#include "operations/UnitVerify.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::test {
namespace {

struct CompareCase {
  const char* name;
  std::vector<std::uint32_t> changedPages;
  std::vector<ops::SlotDifference> expected;
  const char* text;
};

TEST(UnitCompare, GroupsDifferingPagesBySlot) {
  slot::ProgrammerGeometry g;
  g.ApplyKind(slot::kind_8way);
  const std::uint32_t per = g.PagesPerSlot();
  const CompareCase cases[] = {
      {"identical", {}, {}, ""},
      {"first page", {0}, {{1, {0}}}, "Slot 1: page 0"},
      {"slot boundary", {per - 1, per}, {{1, {per - 1}}, {2, {per}}}, nullptr},
      {"run and single", {per, per + 1, per + 2, per + 7}, {{2, {per, per + 1, per + 2, per + 7}}}, nullptr},
      {"last page of the dataflash", {g.PageTotal() - 1}, {{g.PageTotal() / per, {g.PageTotal() - 1}}}, nullptr},
  };
  for (const CompareCase& c : cases) {
    image::THexList ours(g.Capacity), theirs(g.Capacity);
    // The last byte of each page: a comparison that stopped short of the
    // page's end would miss it.
    for (std::uint32_t page : c.changedPages) theirs.SetValue((page + 1) * g.PageSize - 1, 0x00);
    const ops::UnitComparison r = ops::CompareUnitContent(ours, theirs, g);
    EXPECT_EQ(r.match, c.expected.empty() ? ops::UnitMatch::identical : ops::UnitMatch::differing) << c.name;
    ASSERT_EQ(r.slots.size(), c.expected.size()) << c.name;
    for (std::size_t i = 0; i < r.slots.size(); ++i) {
      EXPECT_EQ(r.slots[i].slot, c.expected[i].slot) << c.name;
      EXPECT_EQ(r.slots[i].pages, c.expected[i].pages) << c.name;
    }
    if (c.text) {
      EXPECT_EQ(ops::DifferenceText(r), c.text) << c.name;
    }
  }
  image::THexList ours(g.Capacity), theirs(g.Capacity);
  for (std::uint32_t page : {per, per + 1, per + 2, per + 7}) theirs.SetValue(page * g.PageSize, 0x00);
  theirs.SetValue(0, 0x00);
  EXPECT_EQ(ops::DifferenceText(ops::CompareUnitContent(ours, theirs, g)),
            "Slot 1: page 0\nSlot 2: pages " + std::to_string(per) + "-" + std::to_string(per + 2) + ", " +
                std::to_string(per + 7));
}

TEST(UnitCompare, ImagesOfAnotherSizeAreAnotherGeometry) {
  slot::ProgrammerGeometry g;
  g.ApplyKind(slot::kind_8way);
  image::THexList ours(g.Capacity), theirs(g.Capacity / 2);
  EXPECT_EQ(ops::CompareUnitContent(ours, theirs, g).match, ops::UnitMatch::other_geometry);
}

}  // namespace
}  // namespace velmar::test
