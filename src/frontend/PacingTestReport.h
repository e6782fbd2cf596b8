// What both front ends say about a test of the fast pacing
// (link/PacingComparison.h): what was read, how long each pacing took, and
// either that fast exchanges read the same (with how to choose them) or
// where they did not and the advice to stay on exact pacing. Plain lines;
// the window turns them into a message.
#pragma once

#include <string>

#include "link/PacingComparison.h"

namespace velmar::frontend {

// `chooseFast` says how this front end switches to fast pacing.
std::string PacingTestReport(const link::PacingComparison& c, const std::string& chooseFast);

}  // namespace velmar::frontend
