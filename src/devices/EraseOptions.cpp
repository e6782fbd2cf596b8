// The erase table: per programming algorithm, the offered choices, the
// bulk-erase box's first state and the erase code of each choice.
#include "devices/EraseOptions.h"

#include <vector>

namespace velmar::devices {

namespace {

struct Entry {
  int choice;
  std::uint8_t flag;
  bool bulk;
};

struct ColumnRow {
  bool bulkFirst;
  std::vector<Entry> entries;
};

// Rows for Column 0 to 10.
const std::vector<ColumnRow>& Table() {
  static const std::vector<ColumnRow> table = {
      /* 0 */ {false, {{1, 0xD0, false}, {7, 0x30, false}, {8, 0x20, false}, {9, 0x10, false}}},
      /* 1 */
      {false,
       {{1, 0x0A, true}, {5, 0x50, false}, {6, 0x40, false}, {7, 0x30, false}, {8, 0x20, false}, {9, 0x10, false}}},
      /* 2 */
      {false,
       {{1, 0x80, true},
        {3, 0x00, true},
        {5, 0x90, false},
        {6, 0x80, false},
        {7, 0x30, false},
        {8, 0x20, false},
        {9, 0x10, false}}},
      /* 3 */
      {false,
       {{1, 0x10, true},
        {2, 0x00, true},
        {5, 0x50, false},
        {6, 0x40, false},
        {7, 0x30, false},
        {8, 0x20, false},
        {9, 0x10, false}}},
      /* 4 */ {false, {{1, 0x90, false}, {2, 0x80, false}, {3, 0x50, false}, {4, 0x20, false}, {9, 0x10, false}}},
      /* 5 */ {true, {{1, 0x90, false}, {2, 0x80, false}, {3, 0x30, false}, {4, 0x20, false}, {9, 0x10, false}}},
      /* 6 */
      {false,
       {{1, 0x00, true}, {5, 0x50, false}, {6, 0x40, false}, {7, 0x30, false}, {8, 0x20, false}, {9, 0x10, false}}},
      /* 7 */
      {false,
       {{1, 0x00, true}, {5, 0x50, false}, {6, 0x40, false}, {7, 0x30, false}, {8, 0x20, false}, {9, 0x10, false}}},
      /* 8 */ {false, {{2, 0x80, false}, {4, 0x20, false}}},
      /* 9 */ {true, {{2, 0x80, false}}},
      /* 10 */ {true, {{2, 0x80, true}}},
  };
  return table;
}

// The choices the dialog enables for Column 0 to 10.
const std::vector<int>& DisplayChoices(int column) {
  static const std::vector<std::vector<int>> shown = {
      {1, 7, 8, 9},
      {1, 5, 6, 7, 8, 9},
      {1, 3, 5, 6, 7, 8, 9},
      {1, 2, 5, 6, 7, 8, 9},
      {1, 2, 3, 4, 9},
      {1, 2, 3, 4, 9},
      {1, 5, 6, 7, 8, 9},
      {1, 5, 6, 7, 8, 9},
      {2, 4},
      {2},
      {2},
  };
  return shown[std::size_t(column)];
}

}  // namespace

const std::string& EraseChoiceCaption(int choice) {
  static const std::string captions[kEraseChoiceCount + 1] = {
      "",
      "Erase config, code, data and user ID",
      "Erase config, code and user ID",
      "Erase config, code and data",
      "Erase config and code",
      "Erase code, data and user ID",
      "Erase code and user ID",
      "Erase code and data",
      "Erase code",
      "Erase data",
  };
  static const std::string none;
  return choice >= 1 && choice <= kEraseChoiceCount ? captions[choice] : none;
}

bool EraseColumnKnown(int column) { return column >= 0 && column <= 10; }

std::array<bool, kEraseChoiceCount + 1> EnabledEraseChoices(int column) {
  std::array<bool, kEraseChoiceCount + 1> r{};
  if (!EraseColumnKnown(column)) return r;
  for (int c : DisplayChoices(column)) r[std::size_t(c)] = true;
  return r;
}

std::optional<bool> BulkEraseFirst(int column) {
  if (!EraseColumnKnown(column)) return std::nullopt;
  return Table()[std::size_t(column)].bulkFirst;
}

std::optional<EraseCode> EraseCodeFor(int column, int choice) {
  if (!EraseColumnKnown(column)) return std::nullopt;
  for (const Entry& e : Table()[std::size_t(column)].entries)
    if (e.choice == choice) return EraseCode{e.flag, e.bulk};
  return std::nullopt;
}

}  // namespace velmar::devices
