// The read-only test of the fast pacing on the user's own programmer: the
// same reads (identification, slot directory, and up to 64 pages of the
// slots in use: the header page and the first pages of each) once in exact
// pacing and once in fast, every reply byte the USB interface hands over
// recorded, and the two passes compared byte for byte. Nothing is written
// to the programmer, so it proves the reads and says nothing about writes.
// Each pass starts right after an identification in exact pacing that is
// not recorded, so both begin from the same programmer state. The result
// is data; the front ends say what it means.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/LinkPacing.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::link {

class TReadProg;

inline constexpr std::uint32_t kPacingTestPages = 64;

// The reply bytes of one step of a pass, in the order they came.
struct ReplyStep {
  std::string what;  // "identification", "directory", "page 12"
  std::vector<std::uint8_t> replies;
};

struct PacingPass {
  LinkPacing pacing = LinkPacing::exact;
  std::vector<ReplyStep> steps;
  std::string error;     // why the pass stopped before its end ("" when it ran through)
  std::uint64_t ms = 0;  // time the pass took on the link's clock
};

// Where the passes part in one step: the first reply byte that differs and
// a few bytes from there as each pass got them (fewer where a pass ended).
struct ReplyDifference {
  std::string step;
  std::size_t offset = 0;
  std::size_t exactLength = 0;  // the step's reply bytes in each pass
  std::size_t fastLength = 0;
  std::vector<std::uint8_t> exact;
  std::vector<std::uint8_t> fast;
};

struct PacingComparison {
  slot::ProgrammerKind kind = slot::kind_unknown;  // as the exact pass identified it
  int firmwareVersion = -1;
  int slotsInUse = 0;
  std::vector<std::uint32_t> pages;  // the pages read in each pass
  PacingPass exact;
  PacingPass fast;
  std::vector<ReplyDifference> differences;  // the first few, in step order
  // The exact pass ran through, so there was something to compare.
  bool Compared() const { return exact.error.empty(); }
  bool Identical() const { return Compared() && fast.error.empty() && differences.empty(); }
  // What was found, in one line (for the operation log): "identical", or
  // where the passes parted, or why the test could not run.
  std::string Finding() const;
};

// "page 12, reply byte 5 of 266: exact 3F 00 12, fast FF FF 00" (the two
// lengths instead where the passes got different numbers of bytes).
std::string DifferenceText(const ReplyDifference& d);

// How many differing steps a comparison lists at most.
inline constexpr std::size_t kListedDifferences = 3;
// Reply bytes a difference shows from where the passes part.
inline constexpr std::size_t kShownReplyBytes = 8;

// The pages a test reads of a directory whose slots in use start at
// `starts` and hold `counts` pages each: the first pages of every slot,
// shared out so that no more than kPacingTestPages are read.
std::vector<std::uint32_t> PagesToCompare(const std::vector<std::uint32_t>& starts,
                                          const std::vector<std::uint32_t>& counts);

// Runs both passes through `link` (which it leaves closed, in the pacing it
// had) and compares them.
PacingComparison CompareLinkPacings(TReadProg& link);

// The first differences between two passes' steps (at most kListedDifferences).
std::vector<ReplyDifference> DifferingReplies(const PacingPass& exact, const PacingPass& fast);

}  // namespace velmar::link
