// Turning a calendar time in UTC into the user's local time, which each
// system's C library does under its own names.
#pragma once

#include <ctime>

namespace velmar::platform {

// `utc` (tm_year .. tm_sec, in UTC) as local time in `local`; false when
// the time cannot be represented.
bool UtcToLocal(const std::tm& utc, std::tm& local);

}  // namespace velmar::platform
