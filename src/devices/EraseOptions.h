// The erase choices of the erase options dialog and the erase codes they
// give for each programming algorithm (`Column` 0 to 10): which choices a
// device offers, how the bulk-erase box is set first, and the `EraseFlag`
// value of each offered choice, with or without bulk erase.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace velmar::devices {

constexpr int kEraseChoiceCount = 9;

// Caption of choice 1 to 9.
const std::string& EraseChoiceCaption(int choice);

// True when `column` has a row in the erase table (0 to 10).
bool EraseColumnKnown(int column);
// The choices (1 to 9) enabled for `column`; all false for an unknown column.
std::array<bool, kEraseChoiceCount + 1> EnabledEraseChoices(int column);
// How `column` sets the bulk-erase box before the choice is applied.
std::optional<bool> BulkEraseFirst(int column);

struct EraseCode {
  std::uint8_t flag;
  bool bulk;  // the choice also checks the bulk-erase box
};
// The code of `choice` for `column`, or nothing when the choice is not
// listed for the column.
std::optional<EraseCode> EraseCodeFor(int column, int choice);

}  // namespace velmar::devices
