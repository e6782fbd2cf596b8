// The words of the fast pacing test.
#include "frontend/PacingTestReport.h"

#include "slot/ProgrammerGeometry.h"

namespace velmar::frontend {

namespace {

std::string WhatWasRead(const link::PacingComparison& c) {
  std::string t = "the identification, the slot directory";
  if (c.pages.empty()) return t + " (no slot in use, so no page)";
  return t + " and " + std::to_string(c.pages.size()) + (c.pages.size() == 1 ? " page" : " pages") + " of " +
         std::to_string(c.slotsInUse) + (c.slotsInUse == 1 ? " slot" : " slots") + " in use";
}

}  // namespace

std::string PacingTestReport(const link::PacingComparison& c, const std::string& chooseFast) {
  std::string t = "Test of fast exchanges (read only: nothing is written to the programmer)\n\n";
  if (!c.Compared()) {
    return t + "The test could not run: the programmer did not answer in exact pacing: " + c.exact.error + "\n" +
           "Find out why with `velmar-cli doctor` (in the window: Help > Check Connection > USB and Programmer).\n";
  }
  const slot::KindInfo* kind = slot::FindKind(c.kind);
  t += "programmer: " + std::string(kind ? kind->model : "not identified") + ", firmware version " +
       std::to_string(c.firmwareVersion) + "\n";
  t += "read in each pacing: " + WhatWasRead(c) + "\n";
  t += "exact pacing: " + std::to_string(c.exact.ms) + " ms\n";
  t += "fast pacing:  " + std::to_string(c.fast.ms) + " ms" + (c.fast.error.empty() ? "" : " (stopped early)") + "\n\n";
  if (c.Identical()) {
    return t +
           "Every reply byte was the same in both pacings: this programmer answers reads correctly with fast "
           "exchanges.\n" +
           "To use them: " + chooseFast + ".\n" +
           "Writes (New, Replace, Delete, erase, Load Unit, firmware update) were not tested; if one ever fails, "
           "go back to exact pacing.\n";
  }
  if (!c.differences.empty()) {
    t += "The replies differed:\n";
    for (const link::ReplyDifference& d : c.differences) t += "  " + link::DifferenceText(d) + "\n";
  }
  if (!c.fast.error.empty()) t += "In fast pacing the link stopped: " + c.fast.error + "\n";
  return t + "This programmer does not answer correctly with fast exchanges: stay on exact pacing (the default).\n";
}

}  // namespace velmar::frontend
