// UTC to local time with the C runtime's _mkgmtime and localtime_s.
#include <time.h>

#include "platform/LocalTime.h"

namespace velmar::platform {

bool UtcToLocal(const std::tm& utc, std::tm& local) {
  std::tm copy = utc;
  const std::time_t when = _mkgmtime(&copy);
  return when != std::time_t(-1) && localtime_s(&local, &when) == 0;
}

}  // namespace velmar::platform
