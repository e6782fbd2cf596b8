// How the link paces its exchanges with the programmer. `exact` makes the
// USB writes and reads the protocol gives: one per byte exchanged or
// clocked in, each read before the next write, nothing added. `fast` saves
// USB round trips: "send immediate" after every write whose replies are
// read next, runs of reply clock-ins in one write, a page read's data read
// with its trailer. Both clock the same bytes, but under `fast` the
// programmer gets microseconds between them instead of a USB round trip, so
// `exact` is the default.
#pragma once

#include <optional>
#include <string>

namespace velmar::link {

enum class LinkPacing { exact, fast };

// "exact" or "fast".
const char* PacingName(LinkPacing pacing);
// The pacing a name stands for (as PacingName gives it); none for any other text.
std::optional<LinkPacing> ParsePacing(const std::string& name);

}  // namespace velmar::link
