// The erase code of every (Column, choice) pair, written out as the erase
// options dialog documents it: a wrong code erases the wrong memory of the
// target chip, so every pair is compared, listed or not.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "devices/EraseOptions.h"

namespace velmar::devices {
namespace {

// Per Column: the bulk-erase box's first state and "choice:code" pairs, a
// trailing "+" marking a choice that also checks bulk erase.
const std::map<int, std::pair<bool, const char*>> kDocumented = {
    {0, {false, "1:D0 7:30 8:20 9:10"}},
    {1, {false, "1:0A+ 5:50 6:40 7:30 8:20 9:10"}},
    {2, {false, "1:80+ 3:00+ 5:90 6:80 7:30 8:20 9:10"}},
    {3, {false, "1:10+ 2:00+ 5:50 6:40 7:30 8:20 9:10"}},
    {4, {false, "1:90 2:80 3:50 4:20 9:10"}},
    {5, {true, "1:90 2:80 3:30 4:20 9:10"}},
    {6, {false, "1:00+ 5:50 6:40 7:30 8:20 9:10"}},
    {7, {false, "1:00+ 5:50 6:40 7:30 8:20 9:10"}},
    {8, {false, "2:80 4:20"}},
    {9, {true, "2:80"}},
    {10, {true, "2:80+"}},
};

TEST(EraseOptions, EveryColumnAndChoiceGivesItsDocumentedCodeAndBulkErase) {
  for (const auto& [column, row] : kDocumented) {
    std::map<int, EraseCode> expected;
    std::istringstream pairs(row.second);
    for (std::string pair; pairs >> pair;)
      expected[pair[0] - '0'] = {std::uint8_t(std::stoi(pair.substr(2, 2), nullptr, 16)), pair.back() == '+'};
    EXPECT_EQ(BulkEraseFirst(column), row.first) << "Column " << column;
    const auto enabled = EnabledEraseChoices(column);
    for (int choice = 1; choice <= kEraseChoiceCount; ++choice) {
      SCOPED_TRACE("Column " + std::to_string(column) + ", choice " + std::to_string(choice));
      const std::optional<EraseCode> code = EraseCodeFor(column, choice);
      const auto listed = expected.find(choice);
      EXPECT_EQ(enabled[std::size_t(choice)], listed != expected.end());
      ASSERT_EQ(code.has_value(), listed != expected.end());
      if (!code) continue;
      EXPECT_EQ(int(code->flag), int(listed->second.flag));
      EXPECT_EQ(code->bulk, listed->second.bulk);
    }
  }
  for (int column : {-1, 11, 15}) {
    EXPECT_FALSE(EraseColumnKnown(column));
    EXPECT_FALSE(BulkEraseFirst(column));
    for (int choice = 1; choice <= kEraseChoiceCount; ++choice) EXPECT_FALSE(EraseCodeFor(column, choice));
  }
}

}  // namespace
}  // namespace velmar::devices
