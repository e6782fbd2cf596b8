// UTC to local time with timegm and localtime_r.
#include "platform/LocalTime.h"

namespace velmar::platform {

bool UtcToLocal(const std::tm& utc, std::tm& local) {
  std::tm copy = utc;
  const std::time_t when = timegm(&copy);
  return when != std::time_t(-1) && localtime_r(&when, &local) != nullptr;
}

}  // namespace velmar::platform
