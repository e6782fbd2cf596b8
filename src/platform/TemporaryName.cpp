// The naming of the temporary files saves write beside their target, the
// same on every system.
#include "platform/AtomicFile.h"

namespace velmar::platform {

// ".NAME.tmpDIGITS", as TemporaryNameFor makes it.
bool IsTemporaryName(const std::string& name) {
  const std::size_t tmp = name.rfind(".tmp");
  if (name.size() < 2 || name[0] != '.' || tmp == std::string::npos || tmp < 2) return false;
  const std::size_t digits = name.size() - tmp - 4;
  if (digits == 0 || digits > 9) return false;
  for (std::size_t i = tmp + 4; i < name.size(); ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

}  // namespace velmar::platform
