// What saves share on every system: the naming of the temporary files they
// write beside their target, and a save of bytes already in memory (the
// systems differ only in how a save producing its bytes as it goes is done).
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

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* error, Durability durability,
                         FileOrigin origin) {
  return WriteFileAtomically(
      path, [contents](const AppendBytes& append) { return append(contents); }, error, durability, origin);
}

}  // namespace velmar::platform
