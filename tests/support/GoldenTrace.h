// Golden protocol traces (tests/link/golden, notation in its README): a
// file is read into sections ("== name ==" lines start one), includes and
// repeats expanded; a section is then set beside the loader's own trace
// line by line, "??" matching any byte and a trailing " ..." any rest.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace velmar::test {

using GoldenLines = std::vector<std::string>;

// The sections of golden file `name` (in tests/link/golden); the lines
// before the first section header form section "".
std::map<std::string, GoldenLines> ReadGolden(const std::string& name);

// The differences between `trace` and `golden` ("" when they agree). With
// `prefixOnly` the trace may go on after the golden lines end.
std::string CompareWithGolden(const std::string& trace, const GoldenLines& golden, bool prefixOnly = false);

}  // namespace velmar::test
