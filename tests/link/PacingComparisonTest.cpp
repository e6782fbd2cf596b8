// The pacing comparison's parts that decide what is read and what counts as
// a difference: the pages shared out among the slots in use, and the first
// reply bytes where two passes part.
#include <gtest/gtest.h>

#include "link/PacingComparison.h"

namespace velmar::link {
namespace {

struct PagesCase {
  const char* name;
  std::vector<std::uint32_t> starts, counts;
  std::size_t pages;
  std::vector<std::uint32_t> firstPages;  // the plan's beginning
};

class PagesToCompareTest : public ::testing::TestWithParam<PagesCase> {};

TEST_P(PagesToCompareTest, ReadsTheFirstPagesOfEverySlotAndNoMoreThan64) {
  const PagesCase& c = GetParam();
  const std::vector<std::uint32_t> plan = PagesToCompare(c.starts, c.counts);
  EXPECT_EQ(plan.size(), c.pages);
  ASSERT_GE(plan.size(), c.firstPages.size());
  EXPECT_EQ(std::vector<std::uint32_t>(plan.begin(), plan.begin() + std::ptrdiff_t(c.firstPages.size())), c.firstPages);
}

INSTANTIATE_TEST_SUITE_P(
    Directories, PagesToCompareTest,
    ::testing::Values(PagesCase{"noSlot", {}, {}, 0, {}}, PagesCase{"oneLongSlot", {0}, {1024}, 64, {0, 1, 2}},
                      PagesCase{"slotsShorterThanTheirShare", {0, 512, 1024}, {2, 1, 3}, 6, {0, 1, 512, 1024, 1025}},
                      // A header whose page count is 0 is still read.
                      PagesCase{"emptyCount", {0, 40}, {0, 5}, 6, {0, 40, 41}},
                      PagesCase{
                          "fullPortable",
                          std::vector<std::uint32_t>{0,    264,  528,  792,  1056, 1320, 1584, 1848, 2112, 2376, 2640,
                                                     2904, 3168, 3432, 3696, 3960, 4224, 4488, 4752, 5016, 5280, 5544,
                                                     5808, 6072, 6336, 6600, 6864, 7128, 7392, 7656, 7920},
                          std::vector<std::uint32_t>(31, 264),
                          62,
                          {0, 1, 264, 265}}),
    [](const auto& info) { return std::string(info.param.name); });

PacingPass Pass(std::vector<std::vector<std::uint8_t>> steps) {
  PacingPass p;
  int n = 0;
  for (auto& s : steps) p.steps.push_back({"step " + std::to_string(++n), std::move(s)});
  return p;
}

TEST(DifferingReplies, NamesTheFirstByteThatPartsInEachDifferingStep) {
  EXPECT_TRUE(DifferingReplies(Pass({{1, 2}, {3}}), Pass({{1, 2}, {3}})).empty());

  const auto d = DifferingReplies(Pass({{1, 2, 3}, {4, 5}, {6}}), Pass({{1, 9, 3}, {4, 5}, {6, 7}}));
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].step, "step 1");
  EXPECT_EQ(d[0].offset, 1u);
  EXPECT_EQ(d[0].exact, (std::vector<std::uint8_t>{2, 3}));
  EXPECT_EQ(d[0].fast, (std::vector<std::uint8_t>{9, 3}));
  // A step with a byte more is a difference too, where the shorter ends.
  EXPECT_EQ(d[1].offset, 1u);
  EXPECT_TRUE(d[1].exact.empty());
  EXPECT_EQ(d[1].fastLength, 2u);
  EXPECT_EQ(DifferenceText(d[1]), "step 3, reply byte 2: exact nothing, fast 07 (exact got 1 bytes, fast 2)");

  // A fast pass that stopped part-way: its last step differs, the steps it
  // never reached are not listed.
  EXPECT_EQ(DifferingReplies(Pass({{1}, {2, 3}, {4}}), Pass({{1}, {2}})).size(), 1u);
  // Never more than a few.
  std::vector<std::vector<std::uint8_t>> many(10, {1}), other(10, {2});
  EXPECT_EQ(DifferingReplies(Pass(many), Pass(other)).size(), kListedDifferences);
}

}  // namespace
}  // namespace velmar::link
